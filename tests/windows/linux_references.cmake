# Runs the Linux build's picture test, which writes the reference renders that the Wine run is
# compared with. Usage: cmake -DHOST_TESTS=<linux build>/tests/host_tests -P linux_references.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS "${HOST_TESTS}")
  message(FATAL_ERROR "${HOST_TESTS} is missing: build the linux preset first "
                      "(cmake --preset linux && cmake --build --preset linux)")
endif()
execute_process(COMMAND ${HOST_TESTS} --gtest_filter=CrossPlatformPictures.* RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Linux picture test failed (${rc})")
endif()
