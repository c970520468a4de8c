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

// Blends pixel i of a row from px on with coverage[i] × opacity where coverage[i] > 0 (at most
// 1); the others are left alone. Set up once per shape piece (the colour in the lanes, whether
// the vector arithmetic takes it), as a thin stroke's rows are a few pixels long and many.
template <class P>
class CoverageRowBlend {
 public:
  using Channel = typename P::Channel;

  CoverageRowBlend(const ShapeColour<P>& colour, typename P::Coverage opacity,
                   bool eightLanes = kEightLanes)
      : colour_(colour), opacity_(opacity), eightLanes_(eightLanes) {
#if defined(__SSE2__)
    scale_ = _mm_set1_ps(static_cast<float>(opacity));
    if constexpr (std::is_same_v<P, PixelFloat>) {
      blue_ = _mm_set1_ps(colour.channel[0]);
      green_ = _mm_set1_ps(colour.channel[1]);
      red_ = _mm_set1_ps(colour.channel[2]);
    } else {
      shade_ = ColourLanes(colour);
      // 16-bit groups only where the colour and opacity lie within white (FourPixels16).
      groups_ = !std::is_same_v<P, Pixel16> || (opacity <= 32768 && FourPixels16::InRange(shade_));
    }
#endif
  }

  void operator()(Channel* px, const float* coverage, int32_t count) const {
    int32_t i = 0;
#if defined(MORVANE_EIGHT_LANES)
    // Eight pixels at a time first, the four-pixel groups taking over where they stop.
    if (eightLanes_ && count >= 8) {
      if constexpr (std::is_same_v<P, Pixel8>) {
        i = BlendRowByCoverageEight8(px, colour_, opacity_, coverage, count);
      } else if constexpr (std::is_same_v<P, Pixel16>) {
        i = BlendRowByCoverageEight16(px, colour_, opacity_, coverage, count);
      } else {
        i = BlendRowByCoverageEightFloat(px, colour_, opacity_, coverage, count);
      }
    }
#endif
#if defined(__SSE2__)
    if (count - i >= 4 && groups_) i = Groups(px, coverage, count, i);
#endif
    for (; i < count; ++i) {
      const float c = coverage[i];
      if (c <= 0.0f) continue;
      BlendPixelAt<P>(px + 4 * i, colour_, StrokeCoverage<P>(opacity_, c));
    }
  }

 private:
#if defined(__SSE2__)
  // Four pixels at a time from pixel i on; returns where the one-pixel code takes over. Groups
  // with no coverage are skipped, and a NaN coverage, which the one-pixel code turns into
  // coverage 0, ends the groups. The integer depths form the coverage as StrokeCoverage does:
  // float opacity × c, truncated (c ≤ 1 keeps it within the opacity).
  int32_t Groups(Channel* px, const float* coverage, int32_t count, int32_t i) const {
    const __m128 zero = _mm_setzero_ps();
    for (; i + 4 <= count; i += 4) {
      const __m128 c = _mm_loadu_ps(coverage + i);
      // A NaN ends the groups even in a group with no coverage above 0: the one-pixel code
      // blends its pixel (with the coverage it truncates to).
      if (_mm_movemask_ps(_mm_cmpunord_ps(c, c)) != 0) return i;
      const __m128 positive = _mm_cmpgt_ps(c, zero);
      if (_mm_movemask_ps(positive) == 0) continue;
      if (!Group(px + 4 * i, coverage + i, c, positive)) return i;
    }
    return i;
  }

  // Blends the four pixels at p whose coverages are c (`positive`: the lanes above 0, at least
  // one); false, with nothing written, when they must go one pixel at a time.
  [[gnu::always_inline]] bool Group(Channel* p, const float* coverage, __m128 c, __m128 positive) const {
    if constexpr (std::is_same_v<P, Pixel8>) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i blended = BlendFourPixels8(v, _mm_cvttps_epi32(_mm_mul_ps(scale_, c)), shade_);
      // Pixels whose coverage is not above 0 keep their bytes.
      const __m128i keep = _mm_castps_si128(positive);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                       _mm_or_si128(_mm_and_si128(keep, blended), _mm_andnot_si128(keep, v)));
      return true;
    } else if constexpr (std::is_same_v<P, Pixel16>) {
      const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
      if (!FourPixels16::InRange(low) || !FourPixels16::InRange(high)) {
        // A pixel above white: these four one at a time, then on with the groups.
        for (int32_t k = 0; k < 4; ++k) {
          const float ck = coverage[k];
          if (ck > 0.0f) BlendPixelAt<P>(p + 4 * k, colour_, StrokeCoverage<P>(opacity_, ck));
        }
        return true;
      }
      const __m128i active = _mm_castps_si128(positive);
      const __m128i cov = _mm_and_si128(_mm_cvttps_epi32(_mm_mul_ps(scale_, c)), active);
      __m128i newLow = low, newHigh = high;
      FourPixels16::Blend(newLow, newHigh, cov, shade_);
      // Pixels whose coverage is not above 0 keep their values.
      const __m128i keepLow = _mm_shuffle_epi32(active, _MM_SHUFFLE(1, 1, 0, 0));
      const __m128i keepHigh = _mm_shuffle_epi32(active, _MM_SHUFFLE(3, 3, 2, 2));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                       _mm_or_si128(_mm_and_si128(keepLow, newLow), _mm_andnot_si128(keepLow, low)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 8),
                       _mm_or_si128(_mm_and_si128(keepHigh, newHigh), _mm_andnot_si128(keepHigh, high)));
      return true;
    } else {
      // A group with a NaN a' or mixed colour (frames with infinities, which the one-pixel code
      // repairs) and the rest go one pixel at a time.
      static_cast<void>(coverage);
      return BlendFourPixelsFloat(p, _mm_mul_ps(scale_, c), positive, blue_, green_, red_);
    }
  }

  __m128 scale_;
  __m128i shade_ = _mm_setzero_si128();
  __m128 blue_ = _mm_setzero_ps(), green_ = _mm_setzero_ps(), red_ = _mm_setzero_ps();
  bool groups_ = true;
#endif
  ShapeColour<P> colour_;
  typename P::Coverage opacity_;
  bool eightLanes_;
};

// CoverageRowBlend for one row.
template <class P>
void BlendRowByCoverage(typename P::Channel* px, const ShapeColour<P>& colour,
                        typename P::Coverage opacity, const float* coverage, int32_t count,
                        bool eightLanes = kEightLanes) {
  CoverageRowBlend<P>(colour, opacity, eightLanes)(px, coverage, count);
}

}  // namespace morvane
