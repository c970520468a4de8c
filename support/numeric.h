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

// TruncToInt32(std::floor(v)) and TruncToInt32(std::ceil(v)) without a library call: the
// baseline x64 instruction set has no rounding instruction, and the strokes work out a few of
// these for every segment and row. A float of magnitude 2^23 or more is already whole, so the
// truncation is its value and the correction below is 0.
inline int32_t FloorToInt32(float v) {
  if (v != v) return 0;
  if (v >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  if (v < -2147483648.0f) return std::numeric_limits<int32_t>::min();
  const int32_t t = static_cast<int32_t>(v);
  return static_cast<float>(t) > v ? t - 1 : t;
}
inline int32_t CeilToInt32(float v) {
  if (v != v) return 0;
  if (v >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  if (v < -2147483648.0f) return std::numeric_limits<int32_t>::min();
  const int32_t t = static_cast<int32_t>(v);
  return static_cast<float>(t) < v ? t + 1 : t;
}

// (int64_t)std::floor(v) and (int64_t)std::ceil(v) for |v| < 2^62, without a library call.
inline int64_t FloorToInt64(double v) {
  const int64_t t = static_cast<int64_t>(v);
  return static_cast<double>(t) > v ? t - 1 : t;
}
inline int64_t CeilToInt64(double v) {
  const int64_t t = static_cast<int64_t>(v);
  return static_cast<double>(t) < v ? t + 1 : t;
}

// Narrows a 64-bit value computed from 32-bit inputs; out-of-range values saturate.
inline int32_t SaturateToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace morvane
