# expect_plugin_exports(dump line_regex prefix_regex [names...]): collects the names
# from the lines of a symbol dump that match line_regex, with prefix_regex stripped,
# and fails unless they are exactly the given entry points (by default the VST
# plug-in's two, VSTPluginMain and main).
function(expect_plugin_exports dump line_regex prefix_regex)
  set(expected ${ARGN})
  if(NOT expected)
    set(expected VSTPluginMain main)
  endif()
  list(SORT expected)
  string(REGEX MATCHALL "${line_regex}" lines "${dump}")
  set(exports "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "${prefix_regex}" "" name "${line}")
    list(APPEND exports "${name}")
  endforeach()
  list(SORT exports)
  if(NOT exports STREQUAL expected)
    message(FATAL_ERROR "exports are [${exports}], expected exactly [${expected}]")
  endif()
endfunction()
