# Qtractor's plug-in scanner, as Qtractor runs it headless on every plug-in it
# finds: it loads the CLAP plug-in (and the VST one beside it) and lists each
# with its stereo pair, MIDI input, 17 parameters and panel.
# Usage: cmake -DCLAP=... -DVST=... -DSCRATCH=dir -P check_qtractor_scan.cmake
find_program(SCAN qtractor_plugin_scan PATHS /usr/lib/x86_64-linux-gnu/qtractor NO_DEFAULT_PATH)
if(NOT SCAN)
  message("QUELT-SKIPPED: Qtractor's plug-in scanner is not installed")
  return()
endif()
file(MAKE_DIRECTORY ${SCRATCH})
file(WRITE ${SCRATCH}/plugins "CLAP:${CLAP}\nVST:${VST}\n")
execute_process(COMMAND ${SCAN} INPUT_FILE ${SCRATCH}/plugins OUTPUT_VARIABLE listed RESULT_VARIABLE rc TIMEOUT 60)
message(STATUS "qtractor_plugin_scan:\n${listed}")
foreach(expected "CLAP\\|Quelt\\|2:2\\|1:0\\|17:0\\|GUI,EXT,RT\\|${CLAP}\\|0\\|"
                 "VST\\|Quelt\\|2:2\\|1:0\\|17:0\\|GUI,RT\\|${VST}\\|0\\|")
  if(NOT rc EQUAL 0 OR NOT listed MATCHES "(^|\n)${expected}")
    message(FATAL_ERROR "Qtractor's scanner did not list '${expected}' (exit ${rc})")
  endif()
endforeach()
