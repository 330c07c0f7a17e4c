# The desktop entry and the AppStream data (as the build writes it) pass the
# desktop's own checkers.
#   cmake -DSOURCE_DIR=... -DMETAINFO=.../org.tosk.Tosk.metainfo.xml -P DesktopFilesTest.cmake

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI)
  message("SKIPPED: desktop-file-validate or appstreamcli is not installed (packages desktop-file-utils, appstream)")
  return()
endif()

set(linux "${SOURCE_DIR}/packaging/linux")
execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${linux}/org.tosk.Tosk.desktop"
                RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE errors)
# Hints (three main categories, as asked for) are no errors.
if(failed OR out MATCHES "error:|warning:")
  message(FATAL_ERROR "desktop-file-validate: ${out} ${errors}")
endif()
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net "${METAINFO}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "appstreamcli validate: ${out} ${errors}")
endif()
message(STATUS "desktop entry and metainfo valid")
