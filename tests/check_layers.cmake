# Checks that each layer includes only what it may: the effect core and the panel
# know no plug-in format (nothing of the VST binding, no format's headers); the
# toolkit knows the interface records and itself; each format's adapter builds on
# the core, the panel and the toolkit.
# Usage: cmake -DSOURCE=<tree> -P check_layers.cmake
set(rules
  "effect" "^effect/"
  "editor" "^(editor/|effect/|vstgui/)"
  "vstgui" "^(vstgui/|host/vst_interface\\.h$)"
  "host" "^(host/|effect/|editor/|vstgui/)"
  "lv2" "^(lv2/|effect/|editor/|vstgui/)"
  "clap" "^(clap/|effect/|editor/|vstgui/)")
set(faults "")
while(rules)
  list(POP_FRONT rules layer allowed)
  file(GLOB_RECURSE sources ${SOURCE}/${layer}/*.h ${SOURCE}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+[\"<]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]+)[\">].*" "\\1" header "${line}")
      # A format's own headers are its adapter's business alone.
      if(line MATCHES "<" AND NOT header MATCHES "^lv2/")
        continue()
      endif()
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
