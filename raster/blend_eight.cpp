// The 8-bit blends eight pixels at a time (see eight_lanes.h). AVX2's 256-bit integer operations
// work on each 128-bit half as the SSE2 ones on a whole register, so each half does exactly what
// BlendFourPixels8 does for its four pixels.
// Must not: be called where kEightLanes is false.
#include "raster/blend.h"

#if defined(MORVANE_EIGHT_LANES)
#include <immintrin.h>

namespace morvane {
namespace {

// x / 255 in each 16-bit lane (DivideLanesBy255).
MORVANE_AVX2 [[gnu::always_inline]] inline __m256i DivideBy255(__m256i x) {
  const __m256i one = _mm256_set1_epi16(1);
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(x, one), _mm256_srli_epi16(x, 8)), 8);
}

// The four values in 16-bit lanes 0..3 of each half spread over the lanes of two pixels each.
MORVANE_AVX2 [[gnu::always_inline]] inline void Spread(__m256i v16, __m256i& low, __m256i& high) {
  const __m256i doubled = _mm256_unpacklo_epi16(v16, v16);
  low = _mm256_unpacklo_epi32(doubled, doubled);
  high = _mm256_unpackhi_epi32(doubled, doubled);
}

// Two pixels' channels (16-bit lanes, in each half) mixed with the shade by their weights w, and
// their new alphas na in the alpha lanes.
MORVANE_AVX2 [[gnu::always_inline]] inline __m256i Mix(__m256i old, __m256i w, __m256i na, __m256i shade) {
  const __m256i full = _mm256_set1_epi16(255);
  const __m256i colourLanes = _mm256_set_epi16(-1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1, 0);
  const __m256i x = _mm256_add_epi16(_mm256_mullo_epi16(old, _mm256_sub_epi16(full, w)),
                                     _mm256_mullo_epi16(shade, w));
  return _mm256_or_si256(_mm256_and_si256(DivideBy255(x), colourLanes), _mm256_andnot_si256(colourLanes, na));
}

// BlendFourPixels8 on pixels 0-3 (low half) and 4-7 (high half) of v, coverage lane k for
// pixel k; `shade` holds the colour lanes of two pixels in each half.
MORVANE_AVX2 [[gnu::always_inline]] inline __m256i BlendEightPixels8(__m256i v, __m256i cov32, __m256i shade) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i full = _mm256_set1_epi16(255);
  const __m256i alpha32 = _mm256_srli_epi32(_mm256_slli_epi32(v, 24), 24);
  const __m256i cov16 = _mm256_packs_epi32(cov32, cov32);
  const __m256i alpha16 = _mm256_packs_epi32(alpha32, alpha32);
  const __m256i na16 =
      _mm256_add_epi16(alpha16, DivideBy255(_mm256_mullo_epi16(_mm256_sub_epi16(full, alpha16), cov16)));
  const __m256i na32 = _mm256_unpacklo_epi16(na16, zero);
  const __m256 quotient = _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_mullo_epi16(cov32, _mm256_set1_epi32(255))),
                                        _mm256_cvtepi32_ps(na32));
  const __m256i isZero = _mm256_cmpeq_epi32(na32, zero);
  const __m256i w32 = _mm256_or_si256(_mm256_andnot_si256(isZero, _mm256_cvttps_epi32(quotient)),
                                      _mm256_and_si256(isZero, _mm256_set1_epi32(255)));
  const __m256i w16 = _mm256_packs_epi32(w32, w32);
  __m256i wLow, wHigh, naLow, naHigh;
  Spread(w16, wLow, wHigh);
  Spread(na16, naLow, naHigh);
  return _mm256_packus_epi16(Mix(_mm256_unpacklo_epi8(v, zero), wLow, naLow, shade),
                             Mix(_mm256_unpackhi_epi8(v, zero), wHigh, naHigh, shade));
}

MORVANE_AVX2 [[gnu::always_inline]] inline __m256i ShadeOf(const ShapeColour<Pixel8>& colour) {
  const __m128i shade = ColourLanes(colour);
  return _mm256_set_m128i(shade, shade);
}

}  // namespace

MORVANE_AVX2 int64_t BlendRunEight8(uint8_t* px, const ShapeColour<Pixel8>& colour, uint8_t coverage,
                                    int64_t count) {
  const __m256i shade = ShadeOf(colour);
  const __m256i cov = _mm256_set1_epi32(coverage);
  int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint8_t* p = px + 4 * i;
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), BlendEightPixels8(v, cov, shade));
  }
  return i;
}

MORVANE_AVX2 int32_t BlendRowByCoverageEight8(uint8_t* px, const ShapeColour<Pixel8>& colour, uint8_t opacity,
                                              const float* coverage, int32_t count) {
  const __m256i shade = ShadeOf(colour);
  const __m256 zero = _mm256_setzero_ps();
  const __m256 scale = _mm256_set1_ps(static_cast<float>(opacity));
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256 c = _mm256_loadu_ps(coverage + i);
    if (_mm256_movemask_ps(_mm256_cmp_ps(c, c, _CMP_UNORD_Q)) != 0) break;
    const __m256 positive = _mm256_cmp_ps(c, zero, _CMP_GT_OS);
    if (_mm256_movemask_ps(positive) == 0) continue;
    uint8_t* p = px + 4 * i;
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i blended = BlendEightPixels8(v, _mm256_cvttps_epi32(_mm256_mul_ps(scale, c)), shade);
    // Pixels whose coverage is not above 0 keep their bytes.
    const __m256i keep = _mm256_castps_si256(positive);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p),
                        _mm256_or_si256(_mm256_and_si256(keep, blended), _mm256_andnot_si256(keep, v)));
  }
  return i;
}

}  // namespace morvane
#endif
