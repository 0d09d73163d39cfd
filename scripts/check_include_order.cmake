# Fails when a lower folder reaches up: each folder includes headers, and
# links libraries, only of the folders below it and of itself
#
#   base <- platform <- archive, scan <- cli, ui
#
# (libkzf/, the C library, sits beside cli/ and ui/ and reads archives
# only; fuzz/ sits beside them and reads archives, also through libkzf/),
# and only
# platform/ includes the system-specific headers of platform/posix/ and
# platform/win32/, so that the rest builds unchanged on every system; the
# Windows dialog (ui/win32/), built for Windows alone, shares the
# converters and handles of platform/win32/.
# Includes are spelt from the project's root ("archive/archive_reader.h").
#
#   cmake -DSOURCE_DIR=<the project's root> -P scripts/check_include_order.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR
          "usage: cmake -DSOURCE_DIR=<root> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

# The folders each folder may use, itself among them.
set(uses_base base)
set(uses_platform base platform)
set(uses_archive base platform archive)
set(uses_scan base platform scan)
set(uses_cli base platform archive scan cli)
set(uses_ui base platform archive scan ui)
set(uses_libkzf base platform archive libkzf)
set(uses_fuzz base platform archive libkzf fuzz)
set(folders base platform archive scan libkzf cli ui fuzz)
# The libraries that the folders build, and the folder of each.
set(library_folders base platform archive scan kzf_shared=libkzf
    kzf_static=libkzf cli ui fuzz_checks=fuzz)

set(faults)
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp
       ${SOURCE_DIR}/${folder}/*.h.in)
  foreach(file IN LISTS files)
    file(STRINGS ${SOURCE_DIR}/${file} includes
         REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
      string(REGEX MATCH "^[^/]*" top "${header}")
      if(NOT top IN_LIST uses_${folder})
        list(APPEND faults
             "${file} includes ${header}, which ${folder}/ may not use")
      elseif(header MATCHES "^platform/(posix|win32)/" AND
             NOT folder STREQUAL "platform" AND
             NOT (file MATCHES "^ui/win32/" AND
                  header MATCHES "^platform/win32/"))
        list(APPEND faults
             "${file} includes ${header}, which only platform/ may use")
      endif()
    endforeach()
  endforeach()

  file(READ ${SOURCE_DIR}/${folder}/CMakeLists.txt build)
  string(REGEX MATCHALL "target_link_libraries\\([^)]*\\)" links "${build}")
  foreach(link IN LISTS links)
    string(REGEX MATCHALL "[A-Za-z0-9_:]+" words "${link}")
    foreach(library IN LISTS library_folders)
      string(REPLACE "=" ";" pair "${library}")
      list(GET pair 0 name)
      list(GET pair -1 owner)
      list(FIND words ${name} at)
      # The first word names the target that links.
      if(at GREATER 1 AND NOT owner IN_LIST uses_${folder})
        list(APPEND faults
             "${folder}/CMakeLists.txt links ${name}, which ${folder}/ may not use")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes or links that reach up:\n  ${text}")
endif()
