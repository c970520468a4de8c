// Code that works eight lanes at a time (AVX2) where the processor has it, chosen at run time:
// the module must load and run on any x64 processor, whose baseline is SSE2. The AVX2 functions
// live in their own files, each built for AVX2 through function attributes (never the whole
// file: an inline function of a shared header compiled for AVX2 there could be the copy the
// linker keeps for every caller). They do the same operations lane by lane as the four-lane code,
// and never a fused multiply-add.
#pragma once

// x64 builds with GCC or Clang carry the eight-lane code.
#if defined(__x86_64__) && defined(__GNUC__)
#define MORVANE_EIGHT_LANES 1
#endif

namespace morvane {

#if defined(MORVANE_EIGHT_LANES)
// A function built for AVX2; helpers called from one are also marked always_inline.
#define MORVANE_AVX2 [[gnu::target("avx2")]]
#endif

// Whether this processor and its operating system run AVX2 code (worked out once at load).
#if defined(MORVANE_EIGHT_LANES)
extern const bool kEightLanes;
#else
inline constexpr bool kEightLanes = false;
#endif

}  // namespace morvane
