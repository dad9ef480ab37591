# Checks that each layer includes only what it may: the toolkit knows the interface
# records and itself, the effect never reaches the toolkit or the editor (it only
# declares the link the build fills in), the editor knows the effect only through
# that link, and the host binding knows only itself.
# Usage: cmake -DSOURCE=<tree> -P check_layers.cmake
set(rules
  "vstgui" "^(vstgui/|host/vst_interface\\.h$)"
  "effect" "^(effect/|host/)"
  "editor" "^(editor/|host/|vstgui/|effect/editor_link\\.h$)"
  "host" "^host/")
set(faults "")
while(rules)
  list(POP_FRONT rules layer allowed)
  file(GLOB_RECURSE sources ${SOURCE}/${layer}/*.h ${SOURCE}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" header "${line}")
      if(NOT header MATCHES "${allowed}")
        file(RELATIVE_PATH name ${SOURCE} ${source})
        list(APPEND faults "${name} includes ${header}")
      endif()
    endforeach()
  endforeach()
endwhile()
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "layering broken:\n  ${text}")
endif()
message(STATUS "the layers include only what they may")
