# Turns the host API layout table (record, field, offset, size; tab-separated, one header line)
# into CHECK_SIZEOF / CHECK_ALIGNOF / CHECK_FIELD lines that a test #includes, so the table stays
# the only place those numbers are written.
#
# Two uses of this file:
#   include(cmake/LayoutChecks.cmake) then morvane_layout_checks(<target> <tsv>): adds the build
#     step that regenerates <binary dir>/layout/ae_api_layout_checks.inc whenever the table or this
#     script changes, and puts it on the target's include path.
#   cmake -DTSV=<table> -DOUT=<file.inc> -P cmake/LayoutChecks.cmake: the step itself.
#
# A row that does not parse stops the build: a check that silently drops rows would pass for the
# wrong reason.

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT DEFINED TSV OR NOT DEFINED OUT)
    message(FATAL_ERROR "LayoutChecks.cmake: pass -DTSV=<layout table> -DOUT=<output .inc>")
  endif()
  file(STRINGS "${TSV}" lines ENCODING UTF-8)
  set(identifier "[A-Za-z_][A-Za-z0-9_]*")
  set(body "")
  set(line_number 0)
  foreach(line IN LISTS lines)
    math(EXPR line_number "${line_number} + 1")
    string(REGEX REPLACE "\r$" "" line "${line}")
    if(line_number EQUAL 1)
      if(NOT line STREQUAL "record\tfield\toffset\tsize")
        message(FATAL_ERROR "${TSV}:1: expected the header 'record<TAB>field<TAB>offset<TAB>size'")
      endif()
      continue()
    endif()
    if(line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "^(${identifier})\t([^\t]+)\t([0-9]+)\t([0-9]+)$")
      message(FATAL_ERROR "${TSV}:${line_number}: not 'record<TAB>field<TAB>offset<TAB>size': ${line}")
    endif()
    set(record "${CMAKE_MATCH_1}")
    set(field "${CMAKE_MATCH_2}")
    set(offset "${CMAKE_MATCH_3}")
    set(size "${CMAKE_MATCH_4}")
    if(field STREQUAL "(sizeof)")
      string(APPEND body "CHECK_SIZEOF(${record}, ${size})\n")
    elseif(field STREQUAL "(alignof)")
      string(APPEND body "CHECK_ALIGNOF(${record}, ${size})\n")
    elseif(field MATCHES "^${identifier}(\\.${identifier})*$")
      string(APPEND body "CHECK_FIELD(${record}, ${field}, ${offset}, ${size})\n")
    else()
      message(FATAL_ERROR "${TSV}:${line_number}: field '${field}' is not a member designator")
    endif()
  endforeach()
  set(content "// Generated from ${TSV} by cmake/LayoutChecks.cmake; do not edit.\n")
  string(APPEND content "${body}")
  file(WRITE "${OUT}" "${content}")
  return()
endif()

function(morvane_layout_checks target tsv)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/layout")
  set(inc "${dir}/ae_api_layout_checks.inc")
  add_custom_command(
    OUTPUT "${inc}"
    COMMAND "${CMAKE_COMMAND}" "-DTSV=${tsv}" "-DOUT=${inc}" -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    DEPENDS "${tsv}" "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    COMMENT "Generating layout checks from ${tsv}"
    VERBATIM)
  target_sources(${target} PRIVATE "${inc}")
  target_include_directories(${target} PRIVATE "${dir}")
  target_compile_definitions(${target} PRIVATE "MORVANE_LAYOUT_TSV=\"${tsv}\"")
endfunction()
