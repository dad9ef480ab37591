# Checks a built plug-in DLL without running it: the PE format and machine, the
# two exported entry points and nothing else, and imports from system DLLs only.
# Usage: cmake -DDLL=... -DOBJDUMP=... -DMACHINE=x86|x86_64 -P check_pe_image.cmake
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "no such file: ${DLL}")
endif()
execute_process(COMMAND ${OBJDUMP} -p "${DLL}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${DLL}")
endif()

if(MACHINE STREQUAL "x86")
  set(format "pei-i386")
  set(magic "010b")
else()
  set(format "pei-x86-64")
  set(magic "020b")
endif()
if(NOT dump MATCHES "file format ${format}")
  message(FATAL_ERROR "not a ${format} image")
endif()
if(NOT dump MATCHES "Magic[ \t]+${magic}")
  message(FATAL_ERROR "optional header magic is not ${magic}")
endif()
if(NOT dump MATCHES "Characteristics[^\n]*\n([^\n]*\n)*[ \t]+DLL")
  message(FATAL_ERROR "the image is not marked as a DLL")
endif()

# Exported names: lines like "	[   0] VSTPluginMain" in the name pointer table.
include(${CMAKE_CURRENT_LIST_DIR}/expect_exports.cmake)
expect_plugin_exports("${dump}" "\n[ \t]+\\[[ 0-9]+\\] [A-Za-z_][A-Za-z0-9_@]*" ".*\\] ")

# Imports: only DLLs that every Windows installation has.
set(system_dlls kernel32.dll user32.dll gdi32.dll msvcrt.dll ole32.dll shell32.dll advapi32.dll
                msimg32.dll comdlg32.dll oleaut32.dll uuid.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${dump}")
if(NOT import_lines)
  message(FATAL_ERROR "no import table found")
endif()
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  list(FIND system_dlls "${lower}" found)
  if(found EQUAL -1 AND NOT lower MATCHES "^api-ms-win-")
    message(FATAL_ERROR "imports ${dll}, which is not a Windows system DLL")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
message(STATUS "${DLL}: ${format}, exports VSTPluginMain and main")

# The gate's arithmetic must be SSE on 32-bit x86 too: x87 excess precision would move
# ramps by a sample and let the step index reach 16. Returning a double from a
# library call still passes through st(0), so loads and stores are allowed.
if(MACHINE STREQUAL "x86")
  foreach(function __ZN10GateEngine7processEPK11VstTimeInfoPK11SharedFloatPPfS7_i
                   __ZNK10GateEngine12prepareBlockEddPK11SharedFloat)
    execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn --disassemble=${function} "${DLL}"
                    OUTPUT_VARIABLE code RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT code MATCHES "<${function}>:")
      message(FATAL_ERROR "cannot disassemble ${function}")
    endif()
    if(NOT code MATCHES "[ \t](mul|add|sub|div)s[sd][ \t]")
      message(FATAL_ERROR "${function} has no SSE arithmetic")
    endif()
    if(code MATCHES "[ \t](f(add|sub|subr|mul|div|divr|sqrt|prem|prem1|com|comp|ucom|ucomi|comi)p?|fi(add|sub|mul|div)[lsq]?)[ \t\n]")
      message(FATAL_ERROR "${function} uses x87 arithmetic (${CMAKE_MATCH_1})")
    endif()
  endforeach()
  message(STATUS "gate arithmetic is SSE")
endif()
