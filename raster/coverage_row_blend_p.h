// Private to the stroke rasteriser: blends a row of pixels, each by its own coverage (a float of
// at most 1, as the stroke coverage gives it) times the shape's opacity.
// Must not: blend a pixel whose coverage is not above 0, or differ from the one-pixel blend
// (BlendPixelAt with StrokeCoverage) in any bit, whichever lanes it takes.
#pragma once
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include "raster/blend.h"
#include "raster/coverage_p.h"
#include "raster/eight_lanes.h"
#include "raster/pixel_traits.h"

namespace morvane {

// Blends pixel i of the row from px on with coverage[i] × opacity where coverage[i] > 0 (at
// most 1); the others are left alone.
template <class P>
void BlendRowByCoverage(typename P::Channel* px, const ShapeColour<P>& colour,
                        typename P::Coverage opacity, const float* coverage, int32_t count,
                        bool eightLanes = kEightLanes) {
  int32_t i = 0;
#if defined(MORVANE_EIGHT_LANES)
  // Eight pixels at a time first, the four-pixel groups taking over where they stop.
  if constexpr (std::is_same_v<P, Pixel8>) {
    if (eightLanes) i = BlendRowByCoverageEight8(px, colour, opacity, coverage, count);
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    if (eightLanes) i = BlendRowByCoverageEight16(px, colour, opacity, coverage, count);
  } else if constexpr (std::is_same_v<P, PixelFloat>) {
    if (eightLanes) i = BlendRowByCoverageEightFloat(px, colour, opacity, coverage, count);
  }
#endif
  static_cast<void>(eightLanes);
#if defined(__SSE2__)
  // Four pixels at a time: blend(p, c, positive) blends the group at p whose coverages are c
  // (positive: the lanes above 0, at least one) and returns false when the rest must go one pixel
  // at a time. Groups with no coverage are skipped, and a NaN coverage, which the one-pixel code
  // turns into coverage 0, ends the groups. The integer depths form the coverage as
  // StrokeCoverage does: float opacity × c, truncated (c ≤ 1 keeps it within the opacity).
  const __m128 zero = _mm_setzero_ps();
  const __m128 scale = _mm_set1_ps(static_cast<float>(opacity));
  const auto groups = [&](auto&& blend) {
    for (; i + 4 <= count; i += 4) {
      const __m128 c = _mm_loadu_ps(coverage + i);
      // A NaN ends the groups even in a group with no coverage above 0: the one-pixel code
      // blends its pixel (with the coverage it truncates to).
      if (_mm_movemask_ps(_mm_cmpunord_ps(c, c)) != 0) return;
      const __m128 positive = _mm_cmpgt_ps(c, zero);
      if (_mm_movemask_ps(positive) == 0) continue;
      if (!blend(px + 4 * i, c, positive)) return;
    }
  };
  if constexpr (std::is_same_v<P, Pixel8>) {
    const __m128i shade = ColourLanes(colour);
    groups([&](uint8_t* p, __m128 c, __m128 positive) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i blended = BlendFourPixels8(v, _mm_cvttps_epi32(_mm_mul_ps(scale, c)), shade);
      // Pixels whose coverage is not above 0 keep their bytes.
      const __m128i keep = _mm_castps_si128(positive);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                       _mm_or_si128(_mm_and_si128(keep, blended), _mm_andnot_si128(keep, v)));
      return true;
    });
  }
  if constexpr (std::is_same_v<P, Pixel16>) {
    // Where pixels, colour and opacity lie within white (FourPixels16); a group with a value
    // above it one pixel at a time.
    const __m128i shade = ColourLanes(colour);
    if (opacity <= 32768 && FourPixels16::InRange(shade)) {
      groups([&](uint16_t* p, __m128 c, __m128 positive) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
        if (!FourPixels16::InRange(low) || !FourPixels16::InRange(high)) {
          for (int32_t k = 0; k < 4; ++k) {
            const float ck = coverage[i + k];
            if (ck > 0.0f) BlendPixelAt<P>(p + 4 * k, colour, StrokeCoverage<P>(opacity, ck));
          }
          return true;
        }
        const __m128i active = _mm_castps_si128(positive);
        const __m128i cov = _mm_and_si128(_mm_cvttps_epi32(_mm_mul_ps(scale, c)), active);
        __m128i newLow = low, newHigh = high;
        FourPixels16::Blend(newLow, newHigh, cov, shade);
        // Pixels whose coverage is not above 0 keep their values.
        const __m128i keepLow = _mm_shuffle_epi32(active, _MM_SHUFFLE(1, 1, 0, 0));
        const __m128i keepHigh = _mm_shuffle_epi32(active, _MM_SHUFFLE(3, 3, 2, 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                         _mm_or_si128(_mm_and_si128(keepLow, newLow), _mm_andnot_si128(keepLow, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 8),
                         _mm_or_si128(_mm_and_si128(keepHigh, newHigh), _mm_andnot_si128(keepHigh, high)));
        return true;
      });
    }
  }
  if constexpr (std::is_same_v<P, PixelFloat>) {
    // A group with a NaN a' or mixed colour (frames with infinities, which the one-pixel code
    // repairs) and the rest go one pixel at a time.
    const __m128 blue = _mm_set1_ps(colour.channel[0]), green = _mm_set1_ps(colour.channel[1]);
    const __m128 red = _mm_set1_ps(colour.channel[2]);
    groups([&](float* p, __m128 c, __m128 positive) {
      return BlendFourPixelsFloat(p, _mm_mul_ps(scale, c), positive, blue, green, red);
    });
  }
#endif
  for (; i < count; ++i) {
    const float c = coverage[i];
    if (c <= 0.0f) continue;
    BlendPixelAt<P>(px + 4 * i, colour, StrokeCoverage<P>(opacity, c));
  }
}

}  // namespace morvane
