# The Windows module's "PIPL" resource, generated at build time from PiplBytes() (host/pipl.cpp):
# a small program built with the build machine's own compiler writes the resource script, which
# the cross toolchain's resource compiler links into the module. No second copy of the bytes.
enable_language(RC)
find_program(MORVANE_BUILD_MACHINE_CXX NAMES c++ g++ clang++ REQUIRED)

function(morvane_pipl_resource target)
  set(writer ${CMAKE_CURRENT_BINARY_DIR}/pipl_rc_writer)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/pipl.rc)
  # The list is built from the effect's constants (host/effect_info.h, effect/identity.h) and the
  # API declarations (host_api/ae_types.h).
  set(inputs ${PROJECT_SOURCE_DIR}/host/effect_info.h ${PROJECT_SOURCE_DIR}/host/pipl.h
             ${PROJECT_SOURCE_DIR}/effect/identity.h ${PROJECT_SOURCE_DIR}/host_api/ae_types.h)
  add_custom_command(
    OUTPUT ${script}
    COMMAND ${MORVANE_BUILD_MACHINE_CXX} -std=c++20 -O1 -I${PROJECT_SOURCE_DIR}
            ${PROJECT_SOURCE_DIR}/host/resource/pipl_rc_writer.cpp ${PROJECT_SOURCE_DIR}/host/pipl.cpp
            -o ${writer}
    COMMAND ${writer} ${script}
    DEPENDS ${PROJECT_SOURCE_DIR}/host/resource/pipl_rc_writer.cpp ${PROJECT_SOURCE_DIR}/host/pipl.cpp
            ${inputs}
    COMMENT "Writing the PIPL resource script from PiplBytes()"
    VERBATIM)
  target_sources(${target} PRIVATE ${script})
endfunction()
