# Disassembles the module and checks that no aligned 256-bit move touches the stack. GCC for
# mingw-w64 spills ymm registers with aligned moves to slots it takes for 32-byte aligned while
# Windows aligns the stack to 16 bytes only; such code crashes in about half the runs on Windows
# and never under Wine, whose stack happens to be aligned. The build writes every aligned vector
# move in its unaligned form (-Wa,-muse-unaligned-vector-move), which this guards. It also checks
# that the module holds 256-bit code at all, so that the check is not vacuous.
# Usage: cmake -DOBJDUMP=... -DMODULE=.../Morvane.aex -P check_stack_vector_moves.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${MODULE}
  OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -d ${MODULE} failed (${rc}): ${dump_error}")
endif()
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(aligned "")
set(wide 0)
foreach(line IN LISTS lines)
  if(line MATCHES "%ymm")
    math(EXPR wide "${wide} + 1")
  endif()
  if(line MATCHES "vmov(aps|apd|dqa)[ \t]+(%ymm[0-9]+,[^,]*\\(%r[sb]p\\)|[^,]*\\(%r[sb]p\\),%ymm)")
    list(APPEND aligned "${line}")
  endif()
endforeach()
if(wide EQUAL 0)
  message(FATAL_ERROR "no 256-bit instruction in ${MODULE}: the eight-lane code is missing")
endif()
if(aligned)
  list(JOIN aligned "\n" listing)
  message(FATAL_ERROR "aligned 256-bit moves on the stack, which crash on Windows:\n${listing}")
endif()
message(STATUS "${MODULE}: ${wide} instructions on 256-bit registers, none an aligned move on the stack")
