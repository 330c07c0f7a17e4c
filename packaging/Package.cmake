# Installs what a Linux desktop expects beside the programs (menu entry, file
# type, icons, AppStream data, manual pages, copyright and changelog) and
# describes the Debian package that `cpack -G DEB` makes of an install.
# Programs go to bin/, their data to share/tosk/ (where they look for it,
# relative to themselves).

set(TOSK_DESKTOP_ID org.tosk.Tosk)
set(TOSK_LINUX_DIR ${CMAKE_CURRENT_LIST_DIR}/linux)
set(TOSK_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(CPACK_PACKAGE_CONTACT "Tosk maintainers <tosk@example.org>")

# CHANGELOG.md has an entry for every release, the newest first; the newest
# must be this version, so that the package, the AppStream data and the
# programs never name different ones.
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)
set(TOSK_CHANGELOG ${CMAKE_SOURCE_DIR}/CHANGELOG.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TOSK_CHANGELOG})
tosk_changelog_releases(${TOSK_CHANGELOG} TOSK_RELEASE_VERSIONS TOSK_RELEASE_DATES)
list(GET TOSK_RELEASE_VERSIONS 0 newest)
list(GET TOSK_RELEASE_DATES 0 TOSK_RELEASE_DATE)
if(NOT newest STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "The newest release in CHANGELOG.md is ${newest}, the project version is ${PROJECT_VERSION}: "
                      "add an entry for ${PROJECT_VERSION}")
endif()
set(TOSK_METAINFO_RELEASES "")
foreach(version date IN ZIP_LISTS TOSK_RELEASE_VERSIONS TOSK_RELEASE_DATES)
  string(APPEND TOSK_METAINFO_RELEASES "    <release version=\"${version}\" date=\"${date}\"/>\n")
endforeach()
# The release's date, in seconds, dates the manual pages (reproducibly).
tosk_days_since_epoch(${TOSK_RELEASE_DATE} days)
math(EXPR TOSK_RELEASE_EPOCH "${days} * 86400")

find_program(TOSK_GZIP gzip)
find_program(TOSK_HELP2MAN help2man)

# Debian's copyright file (its machine-readable form) and changelog.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${TOSK_PACKAGING_OUT}/copyright @ONLY)
install(FILES ${TOSK_PACKAGING_OUT}/copyright DESTINATION share/doc/tosk)
if(TOSK_GZIP)
  add_custom_command(
    OUTPUT ${TOSK_PACKAGING_OUT}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${TOSK_CHANGELOG} -DPACKAGE=tosk "-DMAINTAINER=${CPACK_PACKAGE_CONTACT}"
            -DGZIP=${TOSK_GZIP} -DOUTPUT=${TOSK_PACKAGING_OUT}/changelog.gz
            -P ${CMAKE_CURRENT_LIST_DIR}/DebianChangelog.cmake
    DEPENDS ${TOSK_CHANGELOG} ${CMAKE_CURRENT_LIST_DIR}/DebianChangelog.cmake ${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake
    COMMENT "Writing the Debian changelog of CHANGELOG.md"
    VERBATIM)
  add_custom_target(tosk_changelog ALL DEPENDS ${TOSK_PACKAGING_OUT}/changelog.gz)
  install(FILES ${TOSK_PACKAGING_OUT}/changelog.gz DESTINATION share/doc/tosk)
else()
  message(WARNING "gzip not found: the install has no share/doc/tosk/changelog.gz and no manual pages")
endif()

# A manual page per program, made by help2man from the program's own --help
# and --version, so that the two never differ.
set(TOSK_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(TOSK_MAN_SEE_ALSO ${CMAKE_CURRENT_LIST_DIR}/man/see-also.h2m)
set(TOSK_MAN_PAGES)
function(tosk_manual_page program summary)
  if(NOT TARGET ${program} OR NOT TOSK_HELP2MAN OR NOT TOSK_GZIP)
    return()
  endif()
  set(page ${TOSK_MAN_DIR}/${program}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TOSK_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 SOURCE_DATE_EPOCH=${TOSK_RELEASE_EPOCH}
            ${TOSK_HELP2MAN} --no-info --name=${summary} "--source=Tosk ${PROJECT_VERSION}"
            --include=${TOSK_MAN_SEE_ALSO} --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${TOSK_GZIP} -9 -n -f ${page}
    DEPENDS ${program} ${TOSK_MAN_SEE_ALSO}
    COMMENT "Writing the manual page of ${program}"
    VERBATIM)
  set(TOSK_MAN_PAGES ${TOSK_MAN_PAGES} ${page}.gz PARENT_SCOPE)
endfunction()
if(NOT TOSK_HELP2MAN)
  message(WARNING "help2man not found: the install has no manual pages (Debian package help2man)")
endif()
tosk_manual_page(tosk "patch editor for programmable DSP effects units")
tosk_manual_page(tosk-cli "work on Tosk patches and operator databases without a display")
tosk_manual_page(tosk-unit "stand in for a programmable DSP effects unit on a pseudo-terminal")
if(TOSK_MAN_PAGES)
  add_custom_target(tosk_manual_pages ALL DEPENDS ${TOSK_MAN_PAGES})
  install(FILES ${TOSK_MAN_PAGES} DESTINATION share/man/man1)
endif()

if(TOSK_GUI)
  install(FILES ${TOSK_LINUX_DIR}/${TOSK_DESKTOP_ID}.desktop DESTINATION share/applications)
  install(FILES ${TOSK_LINUX_DIR}/${TOSK_DESKTOP_ID}.xml DESTINATION share/mime/packages)
  configure_file(${TOSK_LINUX_DIR}/${TOSK_DESKTOP_ID}.metainfo.xml.in
                 ${TOSK_PACKAGING_OUT}/${TOSK_DESKTOP_ID}.metainfo.xml @ONLY)
  install(FILES ${TOSK_PACKAGING_OUT}/${TOSK_DESKTOP_ID}.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${TOSK_DATA_DIR}/icons/tosk.svg DESTINATION share/icons/hicolor/scalable/apps
          RENAME ${TOSK_DESKTOP_ID}.svg)
  install(FILES ${TOSK_LINUX_DIR}/application-x-tosk-patch.svg DESTINATION share/icons/hicolor/scalable/mimetypes)
endif()

# The Debian package that provides a library file, found by asking dpkg;
# `fallback` where dpkg does not know it.
function(tosk_debian_package_of file fallback out)
  set(package ${fallback})
  find_program(TOSK_DPKG_QUERY dpkg-query)
  if(TOSK_DPKG_QUERY AND EXISTS "${file}")
    file(REAL_PATH "${file}" real)
    execute_process(COMMAND ${TOSK_DPKG_QUERY} -S "${real}" OUTPUT_VARIABLE owner RESULT_VARIABLE failed
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed AND owner MATCHES "^([^:, ]+)")
      set(package ${CMAKE_MATCH_1})
    endif()
  endif()
  set(${out} ${package} PARENT_SCOPE)
endfunction()

set(TOSK_DEB_DEPENDS)
if(TOSK_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg Network Sql)
  # Named after the Qt libraries this build links, as the distribution
  # calls them (libqt6core6 on Debian 12, libqt6core6t64 on 13).
  foreach(module Core Gui Widgets Svg Network Sql)
    string(TOLOWER ${module} lower)
    get_target_property(location Qt6::${module} LOCATION)
    tosk_debian_package_of("${location}" libqt6${lower}6 package)
    list(APPEND TOSK_DEB_DEPENDS "${package} (>= ${Qt6_VERSION})")
  endforeach()
  # The library's index is kept through Qt's SQLite driver, a plugin.
  list(APPEND TOSK_DEB_DEPENDS libqt6sql6-sqlite)
  # Patches are drawn with DejaVu Sans wherever they are shown.
  list(APPEND TOSK_DEB_DEPENDS fonts-dejavu-core)
endif()
# The MIDI interfaces are listed through libasound (libasound2t64 on Debian 13).
find_package(ALSA REQUIRED)
tosk_debian_package_of("${ALSA_LIBRARY}" libasound2 TOSK_ALSA_PACKAGE)
list(APPEND TOSK_DEB_DEPENDS ${TOSK_ALSA_PACKAGE} libc6 libstdc++6 libgcc-s1)
list(JOIN TOSK_DEB_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

set(CPACK_PACKAGE_NAME tosk)
set(CPACK_PACKAGE_VENDOR Tosk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "patch editor for programmable DSP effects units")
set(CPACK_PACKAGE_DESCRIPTION
    "Tosk opens, draws, edits and saves the patches of a family of programmable
DSP effects units (signal-flow graphs stored as sig files), and talks to a
unit over an RS-232 line. tosk-cli works on patches without a display;
tosk-unit stands in for a unit.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
