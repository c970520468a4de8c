# Reads the module's PE tables with objdump -p and checks that
#  - it exports exactly EffectMain and PluginDataEntryFunction, undecorated;
#  - it imports only DLLs that every Windows x64 has (no C++ runtime, libgcc or winpthread DLL);
#  - it imports no maths function from any DLL, so the sines, cosines and roots it computes are its
#    own code and the same under Wine as on Windows.
# Usage: cmake -DOBJDUMP=... -DMODULE=.../Morvane.aex -P check_module_imports.cmake
cmake_minimum_required(VERSION 3.25)
set(expected_exports EffectMain PluginDataEntryFunction)
set(system_dlls kernel32.dll msvcrt.dll ntdll.dll advapi32.dll user32.dll)
set(maths_names
  sin cos tan asin acos atan atan2 sinh cosh tanh asinh acosh atanh sincos
  exp exp2 expm1 log log2 log10 log1p logb ilogb pow sqrt cbrt hypot
  floor ceil trunc round lround llround rint lrint llrint nearbyint
  fmod remainder remquo modf frexp ldexp scalbn scalbln fabs fmin fmax fdim fma copysign
  nextafter erf erfc tgamma lgamma)
list(JOIN maths_names "|" maths_alternatives)
# Plain, float and long double variants, the CRT's underscored spellings, and MSVC's _CI intrinsics.
set(maths_regex "^_*(${maths_alternatives})[fl]?$|^_CI")

execute_process(COMMAND ${OBJDUMP} -p ${MODULE}
  OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed (${rc}): ${dump_error}")
endif()
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

set(section "")
set(dll "")
set(dlls "")
set(exports "")
set(maths_imports "")
set(import_count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^The Import Tables")
    set(section imports)
  elseif(line MATCHES "^There is an export table|^The Export Tables|^The Function Table")
    set(section "")
  elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(section exports)
  elseif(section STREQUAL "imports" AND line MATCHES "^\tDLL Name: (.+)$")
    set(dll "${CMAKE_MATCH_1}")
    list(APPEND dlls "${dll}")
  elseif(section STREQUAL "imports" AND line MATCHES "^\t[0-9a-fA-F]+\t +[0-9]+ +(.+)$")
    set(name "${CMAKE_MATCH_1}")
    math(EXPR import_count "${import_count} + 1")
    if(name MATCHES "${maths_regex}")
      list(APPEND maths_imports "${dll}!${name}")
    endif()
  elseif(section STREQUAL "exports" AND line MATCHES "^\t\\[ *[0-9]+\\] (.+)$")
    list(APPEND exports "${CMAKE_MATCH_1}")
  elseif(section STREQUAL "exports" AND line STREQUAL "")
    set(section "")
  endif()
endforeach()

set(failures "")
list(SORT exports)
if(NOT exports STREQUAL "${expected_exports}")
  string(APPEND failures "exports are [${exports}], expected exactly [${expected_exports}]\n")
endif()
if(dlls STREQUAL "")
  string(APPEND failures "no import table found in the objdump output\n")
endif()
foreach(d IN LISTS dlls)
  string(TOLOWER "${d}" lower)
  if(NOT lower IN_LIST system_dlls)
    string(APPEND failures "imports ${d}, which is not a DLL that every Windows has\n")
  endif()
endforeach()
if(maths_imports)
  string(APPEND failures "imports maths functions from a DLL: ${maths_imports}\n")
endif()

list(JOIN dlls ", " dll_list)
list(JOIN exports ", " export_list)
message(STATUS "${MODULE}: exports ${export_list}; imports ${import_count} functions from ${dll_list}")
if(NOT maths_imports)
  message(STATUS "no maths function is imported from any DLL")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
