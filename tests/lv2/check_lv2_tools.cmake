# The bundle as LV2's own tools read it: lv2_validate finds no error in its
# Turtle, and lv2info, with LV2_PATH naming a folder that holds only the bundle,
# lists the plug-in with its 23 ports and 16 presets.
# Usage: cmake -DBUNDLE=<dir>/Quelt.lv2 -DSCRATCH=<dir> -P check_lv2_tools.cmake
file(GLOB turtle ${BUNDLE}/*.ttl)
execute_process(COMMAND lv2_validate ${turtle} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lv2_validate: ${out}${err}")
endif()
message(STATUS "lv2_validate: no errors")

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
file(CREATE_LINK ${BUNDLE} ${SCRATCH}/Quelt.lv2 SYMBOLIC)
execute_process(COMMAND ${CMAKE_COMMAND} -E env LV2_PATH=${SCRATCH} lv2info urn:quelt:gate
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX MATCHALL "\n\tPort [0-9]+:" ports "${out}")
string(REGEX MATCHALL "\n[\t ]+Program [0-9][0-9]" presets "${out}")
list(LENGTH ports portCount)
list(LENGTH presets presetCount)
if(NOT rc EQUAL 0 OR NOT portCount EQUAL 23 OR NOT presetCount EQUAL 16 OR NOT out MATCHES "Symbol: +control")
  message(FATAL_ERROR "lv2info lists ${portCount} ports and ${presetCount} presets:\n${out}${err}")
endif()
message(STATUS "lv2info: urn:quelt:gate with ${portCount} ports and ${presetCount} presets")
