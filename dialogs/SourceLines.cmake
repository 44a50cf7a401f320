# SPDX-License-Identifier: MIT
# Counts the lines of the program's sources for the about box, at build time:
#   cmake -DSOURCE_DIR=<source tree> -DFOLDERS=archive,window,... -DOUTPUT=<header>
#         -P SourceLines.cmake
# Every line counts, blank or not, and so does a last line without a line
# break. The header is rewritten only when the count changes, so that an edit
# which keeps the count rebuilds nothing.

string(REPLACE "," ";" Folders "${FOLDERS}")
set(SourceLines 0)
foreach(Folder IN LISTS Folders)
  file(GLOB_RECURSE Files "${SOURCE_DIR}/${Folder}/*.cpp" "${SOURCE_DIR}/${Folder}/*.h")
  foreach(File IN LISTS Files)
    file(READ "${File}" Text)
    string(LENGTH "${Text}" Bytes)
    string(REPLACE "\n" "" Unbroken "${Text}")
    string(LENGTH "${Unbroken}" UnbrokenBytes)
    math(EXPR SourceLines "${SourceLines} + ${Bytes} - ${UnbrokenBytes}")
    if(Bytes GREATER 0)
      math(EXPR LastByte "${Bytes} - 1")
      string(SUBSTRING "${Text}" ${LastByte} 1 Last)
      if(NOT Last STREQUAL "\n")
        math(EXPR SourceLines "${SourceLines} + 1")
      endif()
    endif()
  endforeach()
endforeach()

file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "#pragma once
// Written by the build: the lines of the program's sources.
#define LARKSPUR_SOURCE_LINES ${SourceLines}
" @ONLY)
