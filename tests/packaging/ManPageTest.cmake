# Each program's manual page, as `man -l` shows it, against the program's
# --help: the same synopsis, the same options (every word that begins with
# "-") and, for tosk-cli, every command.
#   cmake -DBUILD_DIR=... -DPROGRAMS="tosk;tosk-cli;tosk-unit" -P ManPageTest.cmake

find_program(MAN man)
if(NOT MAN)
  message("SKIPPED: man is not installed (package man-db)")
  return()
endif()
if(NOT EXISTS "${BUILD_DIR}/man")
  message("SKIPPED: the build made no manual pages (help2man is not installed)")
  return()
endif()

# The words that begin with "-" or "--" and a letter, where an option can
# stand (not inside "tosk-cli" or "read-only").
function(options_in text out)
  # Brackets would upset CMake's lists: every separator becomes a space.
  string(REGEX REPLACE "[][|(),\t\n]" " " text " ${text}")
  string(REGEX MATCHALL " --?[A-Za-z][A-Za-z0-9-]*" found "${text}")
  set(words)
  foreach(match IN LISTS found)
    string(STRIP "${match}" match)
    list(APPEND words "${match}")
  endforeach()
  list(REMOVE_DUPLICATES words)
  list(SORT words)
  set(${out} "${words}" PARENT_SCOPE)
endfunction()

foreach(program IN LISTS PROGRAMS)
  set(page "${BUILD_DIR}/man/${program}.1.gz")
  if(NOT EXISTS "${page}")
    message(FATAL_ERROR "no manual page ${page}")
  endif()
  execute_process(COMMAND "${BUILD_DIR}/bin/${program}" --help RESULT_VARIABLE failed OUTPUT_VARIABLE help
                  ERROR_VARIABLE errors)
  if(failed)
    message(FATAL_ERROR "${program} --help failed (${failed}): ${errors}")
  endif()
  # Wide and unhyphenated, so that no option is broken over two lines; the
  # C locale, so that hyphens stay hyphens.
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C MANWIDTH=1000 MAN_DISABLE_SECCOMP=1
                          "${MAN}" --no-hyphenation --no-justification -l "${page}"
                  RESULT_VARIABLE failed OUTPUT_VARIABLE shown ERROR_VARIABLE errors)
  if(failed OR errors)
    message(FATAL_ERROR "man -l ${page} (${failed}): ${errors}")
  endif()

  if(NOT help MATCHES "^Usage: ([^\n]+)\n")
    message(FATAL_ERROR "${program} --help begins with no usage line:\n${help}")
  endif()
  set(synopsis "${CMAKE_MATCH_1}")
  if(NOT shown MATCHES "\nSYNOPSIS\n +([^\n]+)\n")
    message(FATAL_ERROR "the page of ${program} has no synopsis:\n${shown}")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL synopsis)
    message(FATAL_ERROR "the page of ${program} gives the synopsis \"${CMAKE_MATCH_1}\", --help \"${synopsis}\"")
  endif()

  options_in("${help}" wanted)
  options_in("${shown}" found)
  if(NOT wanted STREQUAL found)
    message(FATAL_ERROR "the options of ${program}'s page differ from its --help:\n"
                        "--help: ${wanted}\npage:   ${found}")
  endif()
  list(LENGTH wanted count)
  if(count LESS 3)
    message(FATAL_ERROR "${program} --help names only ${count} options: ${wanted}")
  endif()
  set(summary "${count} options")

  # tosk-cli's commands: the first word of each line under "Commands:".
  if(help MATCHES "\nCommands:\n(([ ][^\n]*\n)+)")
    string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" lines "\n${CMAKE_MATCH_1}")
    set(commands)
    foreach(command IN LISTS lines)
      string(STRIP "${command}" command)
      if(NOT shown MATCHES "\n +${command} ")
        message(FATAL_ERROR "the page of ${program} lacks the command ${command}:\n${shown}")
      endif()
      list(APPEND commands ${command})
    endforeach()
    list(JOIN commands ", " commands)
    set(summary "${summary} and the commands ${commands}")
  endif()
  message(STATUS "${program}: the synopsis, ${summary} as --help gives them")
endforeach()
