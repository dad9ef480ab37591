# Checks that a Linux shared object that hosts load exports exactly its entry
# points (the VST plug-in's VSTPluginMain and main unless EXPORTS names others)
# and, unless it was built with sanitizers, needs nothing beyond the C library
# (with its loader and maths library) and the X library, or only the C library
# where NO_X11 is set: hosts bring a C++ runtime of their own, and the X library
# is loaded only when a panel opens.
# Usage: cmake -DLIB=... -DNM=nm -DREADELF=readelf [-DEXPORTS=a;b] [-DNO_X11=ON]
#              [-DSANITIZED=ON] -P check_elf_exports.cmake
cmake_policy(SET CMP0057 NEW)
execute_process(COMMAND ${NM} -D --defined-only "${LIB}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${LIB}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/expect_exports.cmake)
expect_plugin_exports("${dump}" "[0-9a-fA-F]+ [TtWwDdBbRrVviu] [^\n]+" "^[0-9a-fA-F]+ . " ${EXPORTS})
message(STATUS "${LIB} exports only its entry points")

if(SANITIZED)
  return()
endif()
execute_process(COMMAND ${READELF} -d "${LIB}" OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${READELF} could not read ${LIB}")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" lines "${dynamic}")
set(allowed libc.so.6 libm.so.6 ld-linux-x86-64.so.2)
if(NOT NO_X11)
  list(APPEND allowed libX11.so.6)
endif()
set(needed "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE ".*\\[([^]]+)\\]" "\\1" name "${line}")
  list(APPEND needed ${name})
  if(NOT name IN_LIST allowed)
    message(FATAL_ERROR "${LIB} needs ${name}; allowed are ${allowed}")
  endif()
endforeach()
if(NOT "libc.so.6" IN_LIST needed)
  message(FATAL_ERROR "no NEEDED entries read from ${LIB}: [${needed}]")
endif()
message(STATUS "${LIB} needs ${needed}")
