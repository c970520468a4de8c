# Makes the throw-away Wine prefix once (wineboot -i), then leaves it for the later runs.
# Usage: cmake -DWINE=... -DWINESERVER=... -DPREFIX=... -P wine_prefix.cmake, with WINEPREFIX etc.
# in the environment.
cmake_minimum_required(VERSION 3.25)
if(EXISTS "${PREFIX}/system.reg")
  message(STATUS "Wine prefix ${PREFIX} is ready")
  return()
endif()
execute_process(COMMAND ${WINE} wineboot -i RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
# wineboot returns before the server has written the registry; wait for it to finish.
execute_process(COMMAND ${WINESERVER} -w)
if(NOT rc EQUAL 0 OR NOT EXISTS "${PREFIX}/system.reg")
  message(FATAL_ERROR "wineboot -i failed (${rc}) for ${PREFIX}:\n${out}")
endif()
message(STATUS "made the Wine prefix ${PREFIX}")
