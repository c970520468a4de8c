# Options every target of the project shares. Pictures must be bit-exact across builds, so
# floating-point contraction is off and no fast-math flag is ever used.
add_library(morvane_options INTERFACE)
target_compile_features(morvane_options INTERFACE cxx_std_20)
target_compile_options(morvane_options INTERFACE
  -ffp-contract=off -fno-fast-math
  -Wall -Wextra -Wpedantic -Wshadow)
if(MORVANE_SANITIZE)
  target_compile_options(morvane_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(morvane_options INTERFACE -fsanitize=address,undefined)
endif()
if(MORVANE_THREAD_SANITIZE)
  target_compile_options(morvane_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(morvane_options INTERFACE -fsanitize=thread)
endif()
if(MORVANE_FUZZ)
  # Everything is built for libFuzzer's coverage and under the sanitizers; only the fuzz targets
  # link libFuzzer's main.
  target_compile_options(morvane_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(morvane_options INTERFACE -fsanitize=address,undefined)
endif()
