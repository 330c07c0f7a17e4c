# Makes the Debian package of the build with cpack and reads it back with
# dpkg-deb: its control fields; that it holds the programs, their data, the
# desktop files, the manual pages, the copyright and the changelog; that the
# programs, the AppStream data and the changelog name the package's version;
# and, when lintian is installed, that lintian finds no error and no warning.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DCPACK=... -DVERSION=... -P PackageTest.cmake

find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_DEB)
  message("SKIPPED: dpkg-deb is not installed, so the package cannot be read back")
  return()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "cpack -G DEB failed: ${out} ${errors}")
endif()
file(GLOB packages "${WORK_DIR}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} packages: ${packages}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -I ${packages} RESULT_VARIABLE failed OUTPUT_VARIABLE info)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
if(failed)
  message(FATAL_ERROR "dpkg-deb -I failed")
endif()
foreach(field "Package: tosk" "Version: ${VERSION}" "Architecture: ${arch}" "Section: sound"
              "Maintainer: [^\n]+" "Description: patch editor for programmable DSP effects units")
  if(NOT info MATCHES "\n ${field}\n")
    message(FATAL_ERROR "no \"${field}\" in the control fields:\n${info}")
  endif()
endforeach()
if(NOT info MATCHES "\n Depends: ([^\n]+)\n")
  message(FATAL_ERROR "no Depends in the control fields:\n${info}")
endif()
set(depends "${CMAKE_MATCH_1}")
foreach(package libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libqt6network6)
  if(NOT depends MATCHES "(^|, )${package}(t64)? \\(>= 6\\.[0-9.]+\\)(,|$)")
    message(FATAL_ERROR "Depends lacks ${package}: ${depends}")
  endif()
endforeach()
if(NOT depends MATCHES "(^|, )fonts-dejavu-core(,|$)")
  message(FATAL_ERROR "Depends lacks fonts-dejavu-core: ${depends}")
endif()
if(NOT depends MATCHES "(^|, )libasound2(t64)?(,|$)")
  message(FATAL_ERROR "Depends lacks libasound2: ${depends}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -c ${packages} RESULT_VARIABLE failed OUTPUT_VARIABLE listing)
if(failed)
  message(FATAL_ERROR "dpkg-deb -c failed")
endif()
set(pages)
if(EXISTS "${BUILD_DIR}/man")
  set(pages share/man/man1/tosk.1.gz share/man/man1/tosk-cli.1.gz share/man/man1/tosk-unit.1.gz)
endif()
foreach(file bin/tosk bin/tosk-cli bin/tosk-unit libexec/tosk/tosk-cli-gui ${pages} share/doc/tosk/copyright
             share/doc/tosk/changelog.gz share/tosk/data/sigdbase.sbf share/tosk/data/examples/demo.sig share/tosk/help/book.id
             share/applications/org.tosk.Tosk.desktop share/mime/packages/org.tosk.Tosk.xml
             share/metainfo/org.tosk.Tosk.metainfo.xml
             share/icons/hicolor/scalable/apps/org.tosk.Tosk.svg
             share/icons/hicolor/scalable/mimetypes/application-x-tosk-patch.svg)
  if(NOT listing MATCHES " \\./usr/${file}\n")
    message(FATAL_ERROR "the package lacks /usr/${file}:\n${listing}")
  endif()
endforeach()
if(NOT listing MATCHES "-rwxr-xr-x [^\n]+ \\./usr/bin/tosk\n")
  message(FATAL_ERROR "/usr/bin/tosk is not executable in the package")
endif()

# One version: the package's is the one every program, the AppStream data
# and the changelog give.
execute_process(COMMAND "${DPKG_DEB}" -f ${packages} Version OUTPUT_VARIABLE version
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT version STREQUAL VERSION)
  message(FATAL_ERROR "the package's version is \"${version}\", the project's ${VERSION}")
endif()
set(root "${WORK_DIR}/root")
execute_process(COMMAND "${DPKG_DEB}" -x ${packages} "${root}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "dpkg-deb -x failed")
endif()
foreach(program tosk tosk-cli tosk-unit)
  execute_process(COMMAND "${root}/usr/bin/${program}" --version RESULT_VARIABLE failed OUTPUT_VARIABLE out
                  ERROR_VARIABLE errors)
  if(failed OR NOT out MATCHES "^${program} ([^\n]+)\n")
    message(FATAL_ERROR "${program} --version of the package (${failed}): ${out} ${errors}")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL version)
    message(FATAL_ERROR "${program} --version says ${CMAKE_MATCH_1}, the package ${version}")
  endif()
endforeach()
file(READ "${root}/usr/share/metainfo/org.tosk.Tosk.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<releases>[ \n]*<release version=\"([^\"]+)\"" OR NOT CMAKE_MATCH_1 STREQUAL version)
  message(FATAL_ERROR "the AppStream data's newest release is \"${CMAKE_MATCH_1}\", the package's ${version}")
endif()
if(NOT metainfo MATCHES "<project_license>GPL-3.0-or-later</project_license>")
  message(FATAL_ERROR "the AppStream data names no licence GPL-3.0-or-later")
endif()
execute_process(COMMAND gzip -dc "${root}/usr/share/doc/tosk/changelog.gz" RESULT_VARIABLE failed
                OUTPUT_VARIABLE changelog)
if(failed OR NOT changelog MATCHES "^tosk \\(${version}\\) unstable; urgency=medium\n")
  message(FATAL_ERROR "the changelog does not begin with ${version}:\n${changelog}")
endif()
file(READ "${root}/usr/share/doc/tosk/copyright" copyright)
if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
   OR NOT copyright MATCHES "\nLicense: GPL-3\\+\n")
  message(FATAL_ERROR "the copyright file is not the machine-readable one of GPL-3+:\n${copyright}")
endif()

# What a Debian developer looks at first. The package needs no overrides;
# one that ever does goes into share/lintian/overrides/tosk, its reason
# written beside it.
find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" --tag-display-limit 0 ${packages} OUTPUT_VARIABLE tags ERROR_VARIABLE errors)
  string(REGEX MATCHALL "(^|\n)[EW]: [^\n]+" complaints "${tags}")
  if(complaints OR NOT errors MATCHES "^(running with root privileges is not recommended!\n)?$")
    message(FATAL_ERROR "lintian:\n${tags}${errors}")
  endif()
  set(linted ", lintian clean")
else()
  set(linted ", lintian not installed (package lintian)")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "package ${version} checked${linted}: ${depends}")
