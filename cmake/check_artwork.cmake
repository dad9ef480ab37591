# Regenerates the bitmaps into a scratch directory and compares them with
# the committed files. Arguments: PYTHON, SOURCE (the resources directory), SCRATCH.
include(${SOURCE}/bitmaps.cmake)
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${PYTHON} ${SOURCE}/make_artwork.py --out ${SCRATCH} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_artwork.py failed: ${result}")
endif()
foreach(item IN LISTS QUELT_BITMAPS)
  if(item MATCHES "\\.bmp$")
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/${item} ${SOURCE}/${item}
                    RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${item} differs from what make_artwork.py draws")
    endif()
  endif()
endforeach()
message(STATUS "all bitmaps match their generator")
