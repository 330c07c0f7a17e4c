# Makes the Debian package of the build with cpack and reads it back with
# dpkg-deb: its control fields and that it holds the programs, their data
# and the desktop files.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DCPACK=... -P PackageTest.cmake

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

execute_process(COMMAND "${DPKG_DEB}" -c ${packages} RESULT_VARIABLE failed OUTPUT_VARIABLE listing)
if(failed)
  message(FATAL_ERROR "dpkg-deb -c failed")
endif()
foreach(file bin/tosk bin/tosk-cli bin/tosk-unit
             share/tosk/data/sigdbase.sbf share/tosk/data/examples/demo.sig share/tosk/help/book.id
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

file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "package checked: ${depends}")
