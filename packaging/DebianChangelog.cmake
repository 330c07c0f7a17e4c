# Writes CHANGELOG.md in Debian's changelog form, compressed as Debian wants
# it (gzip -9, no name or time stored, so that builds are reproducible).
#   cmake -DCHANGELOG=... -DPACKAGE=... -DMAINTAINER=... -DGZIP=... -DOUTPUT=changelog.gz -P DebianChangelog.cmake

include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)

tosk_debian_changelog("${CHANGELOG}" "${PACKAGE}" "${MAINTAINER}" text)
string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
file(WRITE "${plain}" "${text}")
execute_process(COMMAND "${GZIP}" -9 -n -c "${plain}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${GZIP} failed on ${plain}")
endif()
