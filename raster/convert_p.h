// Private to the rasterisers: helpers shared by the shape families. Every float-to-integer step
// of the rasterisers goes through truncToInt32, because NaN or huge values reach them from float
// frames (HDR or NaN alpha) and from degenerate geometry, where a plain cast is undefined.
#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>

namespace morvane {

// (int32_t)v where that is defined; NaN gives 0 and values beyond the range saturate.
inline int32_t truncToInt32(double v) {
  if (v != v) return 0;
  if (v >= 2147483648.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483649.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Narrows a 64-bit coordinate computed from 32-bit inputs; out-of-range values lie far outside
// any buffer, where saturating them changes nothing.
inline int32_t saturateToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Working rows of this thread for span and row tables: at least count entries, contents
// unspecified. The storage grows to the largest request and is reused, so a warmed-up render
// thread draws shapes without allocating. Valid until the thread's next call.
int32_t* rowScratch(std::size_t count);

}  // namespace morvane
