# expect_plugin_exports(dump line_regex prefix_regex): collects the names from the
# lines of a symbol dump that match line_regex, with prefix_regex stripped, and fails
# unless they are exactly the plug-in's two entry points.
function(expect_plugin_exports dump line_regex prefix_regex)
  string(REGEX MATCHALL "${line_regex}" lines "${dump}")
  set(exports "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "${prefix_regex}" "" name "${line}")
    list(APPEND exports "${name}")
  endforeach()
  list(SORT exports)
  if(NOT exports STREQUAL "VSTPluginMain;main")
    message(FATAL_ERROR "exports are [${exports}], expected exactly VSTPluginMain and main")
  endif()
endfunction()
