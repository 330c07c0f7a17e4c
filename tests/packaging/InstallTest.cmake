# Installs the build into a fresh prefix and runs the installed tosk-cli from
# there, with a home of its own: it must take the database and the fonts'
# picture from PREFIX/share/tosk, exactly as the build's own tosk-cli does.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P InstallTest.cmake

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/home")
file(REAL_PATH "${WORK_DIR}" work)
set(prefix "${work}/prefix")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

set(pages)
if(EXISTS "${BUILD_DIR}/man")
  set(pages share/man/man1/tosk.1.gz share/man/man1/tosk-cli.1.gz share/man/man1/tosk-unit.1.gz)
endif()
foreach(file bin/tosk bin/tosk-cli bin/tosk-unit libexec/tosk/tosk-cli-gui ${pages} share/doc/tosk/copyright share/doc/tosk/changelog.gz
             share/tosk/data/sigdbase.sbf share/tosk/data/Localizable.strings
             share/tosk/data/examples/demo.sig share/tosk/data/icons/tosk.svg share/tosk/help/book.id
             share/applications/org.tosk.Tosk.desktop share/mime/packages/org.tosk.Tosk.xml
             share/metainfo/org.tosk.Tosk.metainfo.xml
             share/icons/hicolor/scalable/apps/org.tosk.Tosk.svg
             share/icons/hicolor/scalable/mimetypes/application-x-tosk-patch.svg)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
if(EXISTS "${prefix}/bin/data" OR EXISTS "${prefix}/bin/help")
  message(FATAL_ERROR "the build's data links were installed into bin/")
endif()

# No settings, no ~/sigdbase.sbf: the installed database is the one taken.
set(env "${CMAKE_COMMAND}" -E env "HOME=${work}/home" "XDG_CONFIG_HOME=${work}/home/.config")

execute_process(COMMAND ${env} "${prefix}/bin/tosk-cli" dbinfo --json
                RESULT_VARIABLE failed OUTPUT_VARIABLE json ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "installed tosk-cli dbinfo failed (${failed}): ${errors}")
endif()
string(JSON loaded GET "${json}" loaded)
string(JSON path GET "${json}" path)
string(JSON operators LENGTH "${json}" operators)
if(NOT loaded OR NOT path STREQUAL "${prefix}/share/tosk/data/sigdbase.sbf" OR operators LESS 50)
  message(FATAL_ERROR "installed tosk-cli dbinfo: loaded ${loaded}, path \"${path}\", ${operators} operators")
endif()

execute_process(COMMAND ${env} "${prefix}/bin/tosk-cli" render "${prefix}/share/tosk/data/examples/demo.sig"
                        -o "${work}/installed.png"
                RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE errors)
if(failed OR NOT out MATCHES "installed.png: [0-9]+ x [0-9]+")
  message(FATAL_ERROR "installed tosk-cli render failed (${failed}): ${out} ${errors}")
endif()
execute_process(COMMAND ${env} "${BUILD_DIR}/bin/tosk-cli" render --db "${BUILD_DIR}/bin/data/sigdbase.sbf"
                        "${BUILD_DIR}/bin/data/examples/demo.sig" -o "${work}/built.png"
                RESULT_VARIABLE failed ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "tosk-cli render of the build failed: ${errors}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${work}/installed.png" "${work}/built.png"
                RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "the installed tosk-cli drew the demo patch differently from the build's")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "installed into ${prefix}; tosk-cli found ${path}")
