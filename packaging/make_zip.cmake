# Puts FILES into a folder STAGE and zips it as ZIP, the folder's name as the
# root of every member, with fixed times so the same files make the same zip.
# Usage: cmake -DZIP=... -DSTAGE=... -DFILES=a|b|c -P make_zip.cmake
string(REPLACE "|" ";" FILES "${FILES}")
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
foreach(f IN LISTS FILES)
  file(COPY ${f} DESTINATION ${STAGE})
endforeach()
get_filename_component(parent ${STAGE} DIRECTORY)
get_filename_component(root ${STAGE} NAME)
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip "--mtime=2026-01-01 00:00:00 UTC" ${root}
                WORKING_DIRECTORY ${parent} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not write ${ZIP}")
endif()
