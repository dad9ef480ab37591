# Checks that the audio code of a 32-bit x86 build computes in SSE registers:
# the x87 unit would round intermediate results to its own precision and make
# the 32-bit plug-in's output differ from the 64-bit ones. Loads, stores and
# sign changes on the x87 stack are exact and allowed (the 32-bit calling
# convention returns floating-point values there).
# Usage: cmake -DLIB=libquelt_effect.a -DOBJDUMP=... -P check_sse_arithmetic.cmake
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn "${LIB}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT dump MATCHES "cvttss2si|mulss|mulps")
  message(FATAL_ERROR "${OBJDUMP} could not disassemble ${LIB}, or it holds no SSE code")
endif()
string(REGEX MATCHALL "\t(fi?(add|sub|subr|mul|div|divr)[slp]?p?|fsqrt|fprem1?|frndint|fscale|fi?st(p|tp)?[lsq]?|fi?ld[lsq]?|fsin|fcos|fsincos|fptan|fpatan|f2xm1|fyl2xp?1?)[ \t\n][^\n]*" found "${dump}")
set(rounding "")
foreach(line IN LISTS found)
  # fld and fst/fstp of single and double values move them exactly.
  if(line MATCHES "^\t(fld[sl]?|fstp?[sl]?)[ \t]")
    continue()
  endif()
  list(APPEND rounding "${line}")
endforeach()
if(rounding)
  message(FATAL_ERROR "x87 arithmetic in ${LIB}:${rounding}")
endif()
message(STATUS "${LIB}: SSE arithmetic only")
