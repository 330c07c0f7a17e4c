# Installs what a Linux desktop expects beside the programs (menu entry, file
# type, icons, AppStream data) and describes the Debian package that
# `cpack -G DEB` makes of an install. Programs go to bin/, their data to
# share/tosk/ (where they look for it, relative to themselves).

set(TOSK_DESKTOP_ID org.tosk.Tosk)
set(TOSK_LINUX_DIR ${CMAKE_CURRENT_LIST_DIR}/linux)

if(TOSK_GUI)
  install(FILES ${TOSK_LINUX_DIR}/${TOSK_DESKTOP_ID}.desktop DESTINATION share/applications)
  install(FILES ${TOSK_LINUX_DIR}/${TOSK_DESKTOP_ID}.xml DESTINATION share/mime/packages)
  install(FILES ${TOSK_LINUX_DIR}/${TOSK_DESKTOP_ID}.metainfo.xml DESTINATION share/metainfo)
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
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg Network)
  # Named after the Qt libraries this build links, as the distribution
  # calls them (libqt6core6 on Debian 12, libqt6core6t64 on 13).
  foreach(module Core Gui Widgets Svg Network)
    string(TOLOWER ${module} lower)
    get_target_property(location Qt6::${module} LOCATION)
    tosk_debian_package_of("${location}" libqt6${lower}6 package)
    list(APPEND TOSK_DEB_DEPENDS "${package} (>= ${Qt6_VERSION})")
  endforeach()
  # Patches are drawn with DejaVu Sans wherever they are shown.
  list(APPEND TOSK_DEB_DEPENDS fonts-dejavu-core)
endif()
list(APPEND TOSK_DEB_DEPENDS libc6 libstdc++6 libgcc-s1)
list(JOIN TOSK_DEB_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

set(CPACK_PACKAGE_NAME tosk)
set(CPACK_PACKAGE_VENDOR Tosk)
set(CPACK_PACKAGE_CONTACT "Tosk maintainers <tosk@example.org>")
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
