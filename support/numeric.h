// Conversions shared by every layer that turns floats into integers. NaN or huge values reach
// them from float frames (HDR or NaN alpha), from degenerate geometry and from settings far
// outside their ranges, where a plain cast would be undefined.
#pragma once
#include <cstdint>
#include <limits>

namespace morvane {

// (int32_t)v where that is defined (truncation toward zero); NaN gives 0 and values beyond the
// range saturate.
inline int32_t TruncToInt32(double v) {
  if (v != v) return 0;
  if (v >= 2147483648.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483649.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Narrows a 64-bit value computed from 32-bit inputs; out-of-range values saturate.
inline int32_t SaturateToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace morvane
