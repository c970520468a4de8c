// Private to the rasterisers: how each shape family turns a fractional coverage and the shape's
// opacity into the coverage type of the blend, per pixel depth. The families round differently
// on purpose (float products in strokes, double products in circles, 8-bit steps in polygon
// bands); each keeps the arithmetic its pictures were made with.
#pragma once
#include <cstdint>
#include <type_traits>

#include "support/numeric.h"
#include "raster/pixel_traits.h"

namespace morvane {

template <class P>
constexpr bool kIntegerDepth = !std::is_same_v<P, PixelFloat>;

// Strokes: (float)opacity × c in float, truncated to the integer coverage (low 8 or 16 bits).
template <class P>
inline typename P::Coverage StrokeCoverage(typename P::Coverage opacity, float c) {
  if constexpr (kIntegerDepth<P>) {
    return static_cast<typename P::Coverage>(TruncToInt32(static_cast<float>(opacity) * c));
  } else {
    return opacity * c;
  }
}

// Circles: w × opacity in double, truncated (low 8 or 16 bits) or rounded to float.
template <class P>
inline typename P::Coverage CircleCoverage(typename P::Coverage opacity, double w) {
  if constexpr (kIntegerDepth<P>) {
    return static_cast<typename P::Coverage>(TruncToInt32(w * static_cast<double>(opacity)));
  } else {
    return static_cast<float>(w * static_cast<double>(opacity));
  }
}

// Polygon edge bands: coverage from a 16-bit weight, carried at 8-bit resolution at every depth.
//   8-bit:  (w × opacity) >> 16
//   16-bit: o8 = (opacity × 255) >> 15; c8 = (w × o8) >> 16; (c8 × 32768) / 255
//   float:  o8 = trunc(opacity × 255.0); c8 = (w × o8) >> 16; c8 / 255.0
// The float o8 saturates (NaN gives 0) and w × o8 is formed in 64 bits, so HDR or NaN opacities
// stay defined.
template <class P>
class BandCoverage {
 public:
  explicit BandCoverage(typename P::Coverage opacity) {
    if constexpr (std::is_same_v<P, Pixel8>) {
      scale_ = opacity;
    } else if constexpr (std::is_same_v<P, Pixel16>) {
      scale_ = (static_cast<int32_t>(opacity) * 255) >> 15;
    } else {
      scale_ = TruncToInt32(static_cast<double>(opacity) * 255.0);
    }
  }

  typename P::Coverage operator()(int32_t weight) const {
    const int64_t c = (weight * scale_) >> 16;
    if constexpr (std::is_same_v<P, Pixel8>) {
      return static_cast<uint8_t>(c);
    } else if constexpr (std::is_same_v<P, Pixel16>) {
      return static_cast<uint16_t>((c * 32768) / 255);
    } else {
      return static_cast<float>(static_cast<double>(c) / 255.0);
    }
  }

 private:
  int64_t scale_ = 0;  // opacity at 8 bits, o8 at 16 bits and float
};

}  // namespace morvane
