# Checks that the Linux plug-in exports exactly VSTPluginMain and main.
# Usage: cmake -DLIB=... -DNM=nm -P check_elf_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only "${LIB}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${LIB}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/expect_exports.cmake)
expect_plugin_exports("${dump}" "[0-9a-fA-F]+ [TtWwDdBbRrVviu] [^\n]+" "^[0-9a-fA-F]+ . ")
message(STATUS "${LIB} exports VSTPluginMain and main")
