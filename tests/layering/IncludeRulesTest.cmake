# Every folder of src/ includes only the folders below it in the layering, so
# that each library links only the libraries under it and the core builds and
# runs without Qt or a device.
#   cmake -DSOURCE_DIR=... -P IncludeRulesTest.cmake
#
# One row per folder: folder | folders it may include | Qt | device code.
# A folder may always include itself. The table matches the link lines in
# src/CMakeLists.txt and the library table in docs/architecture.md.
cmake_minimum_required(VERSION 3.25)

set(core "base,database,Toskfile")
set(rules
  "base|base|no|no"
  "database|base,database|no|no"
  "Toskfile|${core}|no|no"
  "comms|${core}|no|yes"
  "library|${core}|yes|no"
  "canvas|${core}|yes|no"
  "browsers|${core},comms,library,canvas|yes|no"
  "editors|${core},comms,library,canvas,browsers|yes|no"
  "app|${core},comms,library,canvas,browsers,editors|yes|no")
# Headers that reach a serial line or the sound system (comms only).
set(device_regex "^(termios\\.h|pty\\.h|sys/ioctl\\.h|asm/.*|alsa/.*)$")
# The model asks no window: its folders do not reach the window services
# (they collect Problems and take settings as values).
set(model_folders "database;Toskfile")
set(window_service_regex "^base/(Alerts|FileChooser|PreferenceController)\\.h$")
# Qt's class headers (<QWidget>), module paths (<QtCore/...>) and <qfoo.h>.
set(qt_regex "^(Q[A-Za-z0-9_]*|Qt[A-Za-z]*/.*|q[a-z0-9_]+\\.h)$")

if(NOT IS_DIRECTORY "${SOURCE_DIR}/src")
  message(FATAL_ERROR "no src/ folder in \"${SOURCE_DIR}\"")
endif()

set(folders)
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" fields "${rule}")
  list(GET fields 0 folder)
  list(APPEND folders "${folder}")
endforeach()

# A new folder gets a row before anything in it is checked against nothing.
file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*")
set(broken)
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${SOURCE_DIR}/src/${entry}" AND NOT entry IN_LIST folders)
    list(APPEND broken "src/${entry} has no row in the include rules")
  endif()
endforeach()

set(count 0)
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" fields "${rule}")
  list(GET fields 0 folder)
  list(GET fields 1 allowed)
  list(GET fields 2 qt)
  list(GET fields 3 device)
  string(REPLACE "," ";" allowed "${allowed}")
  list(APPEND allowed "${folder}")
  list(REMOVE_DUPLICATES allowed)
  file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/${folder}/*.h"
       "${SOURCE_DIR}/src/${folder}/*.cpp")
  list(SORT files)
  foreach(file IN LISTS files)
    math(EXPR count "${count} + 1")
    file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
        list(APPEND broken "${file}: an include that names no header: ${line}")
        continue()
      endif()
      set(header "${CMAKE_MATCH_1}")
      if(header MATCHES "^\\.\\./" OR header MATCHES "/\\.\\./")
        list(APPEND broken "${file} includes \"${header}\": name the folder, not a path out of it")
      elseif(folder IN_LIST model_folders AND header MATCHES "${window_service_regex}")
        list(APPEND broken "${file} includes \"${header}\" (the model calls no window service)")
      elseif(header MATCHES "^([^/]+)/" AND CMAKE_MATCH_1 IN_LIST folders)
        if(NOT CMAKE_MATCH_1 IN_LIST allowed)
          list(JOIN allowed ", " may)
          list(APPEND broken "${file} includes \"${header}\" (${folder} may include ${may})")
        endif()
      elseif(qt STREQUAL "no" AND header MATCHES "${qt_regex}")
        list(APPEND broken "${file} includes the Qt header <${header}> (${folder} has no Qt)")
      elseif(device STREQUAL "no" AND header MATCHES "${device_regex}")
        list(APPEND broken "${file} includes <${header}> (only comms talks to devices)")
      endif()
    endforeach()
  endforeach()
endforeach()

if(broken)
  list(JOIN broken "\n  " broken)
  message(FATAL_ERROR "includes that break the layering:\n  ${broken}")
endif()
message(STATUS "${count} files in src/ include only what their layer may")
