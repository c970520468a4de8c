// The blends eight pixels at a time (see eight_lanes.h). AVX2's 256-bit integer operations work
// on each 128-bit half as the SSE2 ones on a whole register, so each half does exactly what
// BlendFourPixels8 or FourPixels16 does for its four pixels; the float blend is
// BlendFourPixelsFloat lane by lane.
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

// ColourLanes in both halves.
template <class P>
MORVANE_AVX2 [[gnu::always_inline]] inline __m256i ShadeOf(const ShapeColour<P>& colour) {
  const __m128i shade = ColourLanes(colour);
  return _mm256_set_m128i(shade, shade);
}

// The in-lane transpose of four rows of two pixels each (as _MM_TRANSPOSE4_PS on each half): from
// pixels (0, 1), (2, 3), (4, 5), (6, 7) to one channel each, lanes in the pixel order 0 2 4 6 |
// 1 3 5 7; done twice it gives the pixels back.
MORVANE_AVX2 [[gnu::always_inline]] inline void Transpose(__m256& r0, __m256& r1, __m256& r2, __m256& r3) {
  const __m256 t0 = _mm256_unpacklo_ps(r0, r1), t1 = _mm256_unpacklo_ps(r2, r3);
  const __m256 t2 = _mm256_unpackhi_ps(r0, r1), t3 = _mm256_unpackhi_ps(r2, r3);
  r0 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
  r1 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
  r2 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
  r3 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
}

// Values in pixel order 0..7 put in Transpose's lane order.
MORVANE_AVX2 [[gnu::always_inline]] inline __m256 InChannelOrder(__m256 v) {
  return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
}

// BlendFourPixelsFloat on eight pixels; cov and active in Transpose's lane order. False, with
// nothing written, when an active lane's a' or mixed colour is NaN.
MORVANE_AVX2 [[gnu::always_inline]] inline bool BlendEightPixelsFloat(float* p, __m256 cov, __m256 active,
                                                                      __m256 blue, __m256 green, __m256 red) {
  const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
  __m256 a = _mm256_loadu_ps(p), r = _mm256_loadu_ps(p + 8), g = _mm256_loadu_ps(p + 16),
         b = _mm256_loadu_ps(p + 24);
  Transpose(a, r, g, b);
  const __m256 na = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(one, a), cov), a);
  if (_mm256_movemask_ps(_mm256_and_ps(active, _mm256_cmp_ps(na, na, _CMP_UNORD_Q))) != 0) return false;
  const __m256 transparent = _mm256_cmp_ps(na, zero, _CMP_EQ_OQ);
  const __m256 w = _mm256_or_ps(_mm256_and_ps(transparent, one), _mm256_andnot_ps(transparent, _mm256_div_ps(cov, na)));
  const __m256 keep = _mm256_sub_ps(one, w);
  const __m256 nb = _mm256_add_ps(_mm256_mul_ps(keep, b), _mm256_mul_ps(w, blue));
  const __m256 ng = _mm256_add_ps(_mm256_mul_ps(keep, g), _mm256_mul_ps(w, green));
  const __m256 nr = _mm256_add_ps(_mm256_mul_ps(keep, r), _mm256_mul_ps(w, red));
  const __m256 sum = _mm256_add_ps(_mm256_add_ps(nb, ng), nr);
  if (_mm256_movemask_ps(_mm256_and_ps(active, _mm256_cmp_ps(sum, sum, _CMP_UNORD_Q))) != 0) return false;
  a = _mm256_blendv_ps(a, na, active);
  r = _mm256_blendv_ps(r, nr, active);
  g = _mm256_blendv_ps(g, ng, active);
  b = _mm256_blendv_ps(b, nb, active);
  Transpose(a, r, g, b);
  _mm256_storeu_ps(p, a);
  _mm256_storeu_ps(p + 8, r);
  _mm256_storeu_ps(p + 16, g);
  _mm256_storeu_ps(p + 24, b);
  return true;
}

// FourPixels16 on eight pixels: `low` holds pixels 0-1 and 4-5, `high` 2-3 and 6-7 (each half
// the four pixels FourPixels16 takes), coverage lane k for pixel k.
struct EightPixels16 {
  MORVANE_AVX2 [[gnu::always_inline]] static bool InRange(__m256i v) {
    const __m256i over = _mm256_subs_epu16(v, _mm256_set1_epi16(static_cast<int16_t>(0x8000)));
    return _mm256_movemask_epi8(_mm256_cmpeq_epi16(over, _mm256_setzero_si256())) == -1;
  }

  // Pixels 0-3 and 4-7 as loaded into the halves `low` and `high` take, and back.
  MORVANE_AVX2 [[gnu::always_inline]] static void Split(__m256i first, __m256i second, __m256i& low, __m256i& high) {
    low = _mm256_permute2x128_si256(first, second, 0x20);
    high = _mm256_permute2x128_si256(first, second, 0x31);
  }

  MORVANE_AVX2 [[gnu::always_inline]] static void Blend(__m256i& low, __m256i& high, __m256i coverage,
                                                        __m256i colour) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i white = _mm256_set1_epi32(32768);
    const __m256i alphaMask = _mm256_set_epi32(0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF);
    const __m256i a01 = _mm256_shuffle_epi32(_mm256_and_si256(low, alphaMask), _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i a23 = _mm256_shuffle_epi32(_mm256_and_si256(high, alphaMask), _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i a = _mm256_unpacklo_epi64(a01, a23);
    const __m256i even = _mm256_mul_epu32(_mm256_sub_epi32(white, a), coverage);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(_mm256_sub_epi32(white, a), 32), _mm256_srli_epi64(coverage, 32));
    const __m256i product = _mm256_unpacklo_epi32(_mm256_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                                  _mm256_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    const __m256i na = _mm256_add_epi32(a, _mm256_srli_epi32(product, 15));
    const __m256i isZero = _mm256_cmpeq_epi32(na, zero);
    const __m256i divisor = _mm256_or_si256(na, _mm256_srli_epi32(isZero, 31));
    const __m256i n = _mm256_slli_epi32(coverage, 15);
    const __m256d q0 = _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(n)),
                                     _mm256_cvtepi32_pd(_mm256_castsi256_si128(divisor)));
    const __m256d q1 = _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(n, 1)),
                                     _mm256_cvtepi32_pd(_mm256_extracti128_si256(divisor, 1)));
    __m256i w = _mm256_set_m128i(_mm256_cvttpd_epi32(q1), _mm256_cvttpd_epi32(q0));
    w = _mm256_or_si256(_mm256_andnot_si256(isZero, w), _mm256_and_si256(isZero, white));
    low = MixPair(low, _mm256_shuffle_epi32(w, _MM_SHUFFLE(1, 1, 0, 0)), _mm256_shuffle_epi32(na, _MM_SHUFFLE(1, 1, 0, 0)), colour);
    high = MixPair(high, _mm256_shuffle_epi32(w, _MM_SHUFFLE(3, 3, 2, 2)), _mm256_shuffle_epi32(na, _MM_SHUFFLE(3, 3, 2, 2)), colour);
  }

  // Two pixels per half: (colour × w + old × (32768 − w)) >> 15, and a' in the alpha lanes.
  MORVANE_AVX2 [[gnu::always_inline]] static __m256i MixPair(__m256i old, __m256i wPair, __m256i naPair,
                                                             __m256i colour) {
    const __m256i white = _mm256_set1_epi32(32768);
    const __m256i alphaLanes = _mm256_set_epi16(0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1);
    const __m256i whiteLanes = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
    const __m256i w16 = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(wPair, 0), 0);
    const __m256i keep16 = _mm256_sub_epi16(whiteLanes, w16);
    const __m256i oldLow = _mm256_mullo_epi16(old, keep16), oldHigh = _mm256_mulhi_epu16(old, keep16);
    const __m256i newLow = _mm256_mullo_epi16(colour, w16), newHigh = _mm256_mulhi_epu16(colour, w16);
    const __m256i first = _mm256_srli_epi32(_mm256_add_epi32(_mm256_unpacklo_epi16(oldLow, oldHigh),
                                                             _mm256_unpacklo_epi16(newLow, newHigh)), 15);
    const __m256i second = _mm256_srli_epi32(_mm256_add_epi32(_mm256_unpackhi_epi16(oldLow, oldHigh),
                                                              _mm256_unpackhi_epi16(newLow, newHigh)), 15);
    const __m256i mixed = _mm256_add_epi16(_mm256_packs_epi32(_mm256_sub_epi32(first, white),
                                                              _mm256_sub_epi32(second, white)), whiteLanes);
    return _mm256_or_si256(_mm256_andnot_si256(alphaLanes, mixed), _mm256_and_si256(alphaLanes, naPair));
  }
};

// The strokes' row loop, eight coverages at a time: stops at a group with a NaN (the four-pixel
// code takes it), skips a group with none above 0, and otherwise calls blend(i, c, positive), which
// returns false to stop. Returns the pixels done.
template <class Blend>
MORVANE_AVX2 [[gnu::always_inline]] inline int32_t CoverageGroups(const float* coverage, int32_t count,
                                                                  Blend& blend) {
  const __m256 zero = _mm256_setzero_ps();
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256 c = _mm256_loadu_ps(coverage + i);
    if (_mm256_movemask_ps(_mm256_cmp_ps(c, c, _CMP_UNORD_Q)) != 0) break;
    const __m256 positive = _mm256_cmp_ps(c, zero, _CMP_GT_OS);
    if (_mm256_movemask_ps(positive) == 0) continue;
    if (!blend(i, c, positive)) break;
  }
  return i;
}

}  // namespace

MORVANE_AVX2 int64_t BlendRunEight16(uint16_t* px, const ShapeColour<Pixel16>& colour, uint16_t coverage,
                                     int64_t count) {
  const __m256i shade = ShadeOf(colour);
  if (coverage > 32768 || !EightPixels16::InRange(shade)) return 0;
  const __m256i cov = _mm256_set1_epi32(coverage);
  int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint16_t* p = px + 4 * i;
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16));
    if (!EightPixels16::InRange(first) || !EightPixels16::InRange(second)) break;
    __m256i low, high;
    EightPixels16::Split(first, second, low, high);
    EightPixels16::Blend(low, high, cov, shade);
    EightPixels16::Split(low, high, low, high);  // back to pixels 0-3 and 4-7
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), low);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 16), high);
  }
  return i;
}

namespace {

// The groups of BlendRowByCoverageEight16 (within white, see BlendRunEight16).
struct CoverageGroup16 {
  uint16_t* px;
  __m256i shade;
  __m256 scale;
  MORVANE_AVX2 [[gnu::always_inline]] bool operator()(int32_t i, __m256 c, __m256 positive) {
    uint16_t* p = px + 4 * i;
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16));
    if (!EightPixels16::InRange(first) || !EightPixels16::InRange(second)) return false;
    const __m256i active = _mm256_castps_si256(positive);
    const __m256i cov = _mm256_and_si256(_mm256_cvttps_epi32(_mm256_mul_ps(scale, c)), active);
    __m256i low, high;
    EightPixels16::Split(first, second, low, high);
    const __m256i oldLow = low, oldHigh = high;
    EightPixels16::Blend(low, high, cov, shade);
    // Pixels whose coverage is not above 0 keep their values.
    const __m256i keepLow = _mm256_shuffle_epi32(active, _MM_SHUFFLE(1, 1, 0, 0));
    const __m256i keepHigh = _mm256_shuffle_epi32(active, _MM_SHUFFLE(3, 3, 2, 2));
    low = _mm256_or_si256(_mm256_and_si256(keepLow, low), _mm256_andnot_si256(keepLow, oldLow));
    high = _mm256_or_si256(_mm256_and_si256(keepHigh, high), _mm256_andnot_si256(keepHigh, oldHigh));
    EightPixels16::Split(low, high, low, high);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), low);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 16), high);
    return true;
  }
};

// The groups of BlendRowByCoverageEightFloat.
struct CoverageGroupFloat {
  float* px;
  __m256 scale, blue, green, red;
  MORVANE_AVX2 [[gnu::always_inline]] bool operator()(int32_t i, __m256 c, __m256 positive) {
    return BlendEightPixelsFloat(px + 4 * i, InChannelOrder(_mm256_mul_ps(scale, c)), InChannelOrder(positive),
                                 blue, green, red);
  }
};

// The groups of BlendRowByCoverageEight8.
struct CoverageGroup8 {
  uint8_t* px;
  __m256i shade;
  __m256 scale;
  MORVANE_AVX2 [[gnu::always_inline]] bool operator()(int32_t i, __m256 c, __m256 positive) {
    uint8_t* p = px + 4 * i;
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i blended = BlendEightPixels8(v, _mm256_cvttps_epi32(_mm256_mul_ps(scale, c)), shade);
    // Pixels whose coverage is not above 0 keep their bytes.
    const __m256i keep = _mm256_castps_si256(positive);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p),
                        _mm256_or_si256(_mm256_and_si256(keep, blended), _mm256_andnot_si256(keep, v)));
    return true;
  }
};

}  // namespace

MORVANE_AVX2 int32_t BlendRowByCoverageEight16(uint16_t* px, const ShapeColour<Pixel16>& colour, uint16_t opacity,
                                               const float* coverage, int32_t count) {
  CoverageGroup16 blend{px, ShadeOf(colour), _mm256_set1_ps(static_cast<float>(opacity))};
  if (opacity > 32768 || !EightPixels16::InRange(blend.shade)) return 0;
  return CoverageGroups(coverage, count, blend);
}

MORVANE_AVX2 int64_t BlendRunEightFloat(float* px, const ShapeColour<PixelFloat>& colour, float coverage,
                                        int64_t count) {
  const __m256 blue = _mm256_set1_ps(colour.channel[0]), green = _mm256_set1_ps(colour.channel[1]);
  const __m256 red = _mm256_set1_ps(colour.channel[2]);
  const __m256 cov = _mm256_set1_ps(coverage);
  const __m256 all = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
  int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    if (!BlendEightPixelsFloat(px + 4 * i, cov, all, blue, green, red)) break;
  }
  return i;
}

MORVANE_AVX2 int32_t BlendRowByCoverageEightFloat(float* px, const ShapeColour<PixelFloat>& colour, float opacity,
                                                  const float* coverage, int32_t count) {
  CoverageGroupFloat blend{px, _mm256_set1_ps(opacity), _mm256_set1_ps(colour.channel[0]),
                           _mm256_set1_ps(colour.channel[1]), _mm256_set1_ps(colour.channel[2])};
  return CoverageGroups(coverage, count, blend);
}

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
  CoverageGroup8 blend{px, ShadeOf(colour), _mm256_set1_ps(static_cast<float>(opacity))};
  return CoverageGroups(coverage, count, blend);
}

}  // namespace morvane
#endif
