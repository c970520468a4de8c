# Options every target of the project shares. Pictures must be bit-exact across builds, so
# floating-point contraction is off and no fast-math flag is ever used.
add_library(morvane_options INTERFACE)
target_compile_features(morvane_options INTERFACE cxx_std_20)
target_compile_options(morvane_options INTERFACE
  -ffp-contract=off -fno-fast-math
  -Wall -Wextra -Wpedantic -Wshadow)
if(WIN32)
  # The AVX2 code chosen at run time: GCC for mingw-w64 spills 256-bit registers with aligned
  # moves to a stack Windows aligns to 16 bytes only (GCC bug 54412); the assembler writes every
  # aligned vector move unaligned, which costs nothing on aligned data. The windows tests check
  # the module for any that remain.
  target_compile_options(morvane_options INTERFACE -Wa,-muse-unaligned-vector-move)
endif()
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
