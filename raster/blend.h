// Coverage blend: lays a shape's colour over one pixel with a coverage that already holds the
// shape's opacity and the pixel's anti-aliasing weight. Every rasteriser changes pixels only
// through this blend (or, for full-opacity polygon spans, a direct write of the same result), so
// this arithmetic decides every value of the picture.
// Must not: allocate, keep state, clamp float values (HDR and negative values pass through), or
// read or write anything but the one pixel.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include "raster/eight_lanes.h"
#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

#if defined(__SSE2__)
// x / 255 in each 16-bit lane, exactly for every x < 2^16 that a product of two bytes (or their
// sum, as a blend forms it) can be: (x + 1 + (x >> 8)) >> 8.
inline __m128i DivideLanesBy255(__m128i x) {
  const __m128i one = _mm_set1_epi16(1);
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
}
#endif

#if defined(__SSE2__)
// The shape's colour in the 16-bit lanes of two pixels (alpha, red, green, blue each): 0 in the
// alpha lanes, the colour in the others, as the four-pixel blends of 8- and 16-bit pixels take it.
template <class P>
inline __m128i ColourLanes(const ShapeColour<P>& colour) {
  const auto lane = [&colour](int i) { return static_cast<int16_t>(colour.channel[i]); };
  return _mm_set_epi16(lane(0), lane(1), lane(2), 0, lane(0), lane(1), lane(2), 0);
}

// Four 16-bit pixels blended at once, for pixels, colours and coverages at most 32768 (white),
// which frames and settings in range never leave. Every product is then below 2^31 and not
// negative, so the one-pixel blend's 64-bit products and truncating divisions by 32768 are 32-bit
// products and shifts, and its quotient c × 32768 / a' is a double quotient truncated (exact:
// c × 32768 < 2^31 and a' ≤ 32768, so a quotient below an integer stays below it after rounding).
struct FourPixels16 {
  // Every 16-bit lane of v is at most 32768.
  static bool InRange(__m128i v) {
    const __m128i over = _mm_subs_epu16(v, _mm_set1_epi16(static_cast<int16_t>(0x8000)));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(over, _mm_setzero_si128())) == 0xFFFF;
  }

  // Blends pixels 0–1 (in `low`) and 2–3 (in `high`) with coverage lane k for pixel k;
  // `colour` holds the shape's colour in the colour lanes of two pixels (0, red, green, blue).
  [[gnu::always_inline]] static void Blend(__m128i& low, __m128i& high, __m128i coverage,
                                           __m128i colour) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i white = _mm_set1_epi32(32768);
    // The four alphas as 32-bit lanes.
    const __m128i alphaMask = _mm_set_epi32(0, 0xFFFF, 0, 0xFFFF);
    const __m128i a01 = _mm_shuffle_epi32(_mm_and_si128(low, alphaMask), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i a23 = _mm_shuffle_epi32(_mm_and_si128(high, alphaMask), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i a = _mm_unpacklo_epi64(a01, a23);
    // 32-bit products of lanes below 2^16 (SSE2 multiplies lanes 0 and 2 only).
    const auto multiply = [](__m128i x, __m128i y) {
      const __m128i even = _mm_mul_epu32(x, y);
      const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), _mm_srli_epi64(y, 32));
      return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    };
    const __m128i na = _mm_add_epi32(a, _mm_srli_epi32(multiply(_mm_sub_epi32(white, a), coverage), 15));
    // w = c × 32768 / a', and 32768 where a' = 0 (alpha and coverage 0); the divisor is made 1
    // there so that nothing divides by zero.
    const __m128i isZero = _mm_cmpeq_epi32(na, zero);
    const __m128i divisor = _mm_or_si128(na, _mm_srli_epi32(isZero, 31));
    const __m128i n = _mm_slli_epi32(coverage, 15);
    const __m128d q01 = _mm_div_pd(_mm_cvtepi32_pd(n), _mm_cvtepi32_pd(divisor));
    const __m128d q23 = _mm_div_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(n, _MM_SHUFFLE(3, 2, 3, 2))),
                                   _mm_cvtepi32_pd(_mm_shuffle_epi32(divisor, _MM_SHUFFLE(3, 2, 3, 2))));
    __m128i w = _mm_unpacklo_epi64(_mm_cvttpd_epi32(q01), _mm_cvttpd_epi32(q23));
    w = _mm_or_si128(_mm_andnot_si128(isZero, w), _mm_and_si128(isZero, white));
    const __m128i alphaLanes = _mm_set_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    const __m128i whiteLanes = _mm_set1_epi16(static_cast<int16_t>(0x8000));
    // Pixels 2k and 2k + 1: the weights spread over their lanes, (colour × w + old × (32768 − w))
    // >> 15 in 32-bit lanes, packed back (values up to 32768, shifted to fit the signed pack), and
    // a' in the alpha lanes.
    const auto mixPair = [&](__m128i old, int pair) {
      const __m128i wPair = pair == 0 ? _mm_shuffle_epi32(w, _MM_SHUFFLE(1, 1, 0, 0))
                                      : _mm_shuffle_epi32(w, _MM_SHUFFLE(3, 3, 2, 2));
      const __m128i naPair = pair == 0 ? _mm_shuffle_epi32(na, _MM_SHUFFLE(1, 1, 0, 0))
                                       : _mm_shuffle_epi32(na, _MM_SHUFFLE(3, 3, 2, 2));
      const __m128i w16 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(wPair, 0), 0);
      const __m128i keep16 = _mm_sub_epi16(whiteLanes, w16);
      const __m128i oldLow = _mm_mullo_epi16(old, keep16), oldHigh = _mm_mulhi_epu16(old, keep16);
      const __m128i newLow = _mm_mullo_epi16(colour, w16), newHigh = _mm_mulhi_epu16(colour, w16);
      const __m128i first = _mm_srli_epi32(_mm_add_epi32(_mm_unpacklo_epi16(oldLow, oldHigh),
                                                         _mm_unpacklo_epi16(newLow, newHigh)), 15);
      const __m128i second = _mm_srli_epi32(_mm_add_epi32(_mm_unpackhi_epi16(oldLow, oldHigh),
                                                          _mm_unpackhi_epi16(newLow, newHigh)), 15);
      const __m128i mixed = _mm_add_epi16(_mm_packs_epi32(_mm_sub_epi32(first, white),
                                                          _mm_sub_epi32(second, white)), whiteLanes);
      return _mm_or_si128(_mm_andnot_si128(alphaLanes, mixed), _mm_and_si128(alphaLanes, naPair));
    };
    low = mixPair(low, 0);
    high = mixPair(high, 1);
  }
};
#endif

#if defined(__SSE2__)
// Four 8-bit pixels blended at once with the coverages in 32-bit lanes (each at most 255), the
// one-pixel arithmetic lane by lane: in 16-bit lanes a' = a + (255 − a) × c / 255 and the mix,
// each division by 255 exact (DivideLanesBy255); w = c × 255 / a' as a float quotient
// truncated, exact because c × 255 < 2^16 and a' ≤ 255 (a quotient 1/255 or more below an
// integer stays below it after rounding). `shade` holds the colour in the colour lanes of two
// pixels (0, red, green, blue). Returns the four blended pixels.
[[gnu::always_inline]] inline __m128i BlendFourPixels8(__m128i v, __m128i cov32, __m128i shade) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255);
  const __m128i colourLanes = _mm_set_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
  // The 16-bit lanes of two pixels each from four values in 16-bit lanes 0..3.
  const auto spread = [](__m128i v16, __m128i& low, __m128i& high) {
    const __m128i doubled = _mm_unpacklo_epi16(v16, v16);  // v0 v0 v1 v1 v2 v2 v3 v3
    low = _mm_unpacklo_epi32(doubled, doubled);
    high = _mm_unpackhi_epi32(doubled, doubled);
  };
  const __m128i alpha32 = _mm_srli_epi32(_mm_slli_epi32(v, 24), 24);
  const __m128i cov16 = _mm_packs_epi32(cov32, cov32);
  const __m128i alpha16 = _mm_packs_epi32(alpha32, alpha32);
  const __m128i na16 = _mm_add_epi16(alpha16, DivideLanesBy255(_mm_mullo_epi16(_mm_sub_epi16(full, alpha16), cov16)));
  const __m128i na32 = _mm_unpacklo_epi16(na16, zero);
  const __m128 quotient = _mm_div_ps(_mm_cvtepi32_ps(_mm_mullo_epi16(cov32, _mm_set1_epi32(255))),
                                     _mm_cvtepi32_ps(na32));
  // a' = 0 only when a and c are 0, where the weight is 255; the quotient is NaN there.
  const __m128i isZero = _mm_cmpeq_epi32(na32, zero);
  const __m128i w32 = _mm_or_si128(_mm_andnot_si128(isZero, _mm_cvttps_epi32(quotient)),
                                   _mm_and_si128(isZero, _mm_set1_epi32(255)));
  const __m128i w16 = _mm_packs_epi32(w32, w32);
  __m128i wLow, wHigh, naLow, naHigh;
  spread(w16, wLow, wHigh);
  spread(na16, naLow, naHigh);
  const auto mix = [&](__m128i old, __m128i w, __m128i na) {
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(old, _mm_sub_epi16(full, w)), _mm_mullo_epi16(shade, w));
    return _mm_or_si128(_mm_and_si128(DivideLanesBy255(x), colourLanes), _mm_andnot_si128(colourLanes, na));
  };
  return _mm_packus_epi16(mix(_mm_unpacklo_epi8(v, zero), wLow, naLow),
                          mix(_mm_unpackhi_epi8(v, zero), wHigh, naHigh));
}

#if defined(MORVANE_EIGHT_LANES)
// The 8-bit blends eight pixels at a time (blend_eight.cpp; only where kEightLanes holds), each
// BlendFourPixels8 on two groups of four. Each returns the pixels it did, a multiple of eight,
// and leaves the rest to the four-pixel code.
// FixedCoverageBlend's run: `count` pixels from px with one coverage.
int64_t BlendRunEight8(uint8_t* px, const ShapeColour<Pixel8>& colour, uint8_t coverage, int64_t count);
// The strokes' row (BlendRowByCoverage): stops at a group with a NaN coverage.
int32_t BlendRowByCoverageEight8(uint8_t* px, const ShapeColour<Pixel8>& colour, uint8_t opacity,
                                 const float* coverage, int32_t count);
// The 16-bit forms (FourPixels16 on eight pixels): nothing unless the colour and coverage lie
// within white, and each stops at a group with a value above it.
int64_t BlendRunEight16(uint16_t* px, const ShapeColour<Pixel16>& colour, uint16_t coverage, int64_t count);
int32_t BlendRowByCoverageEight16(uint16_t* px, const ShapeColour<Pixel16>& colour, uint16_t opacity,
                                  const float* coverage, int32_t count);
// The float forms (BlendFourPixelsFloat on eight pixels): each also stops at a group with a NaN
// a' or mixed colour, which the four-pixel code then takes one pixel at a time.
int64_t BlendRunEightFloat(float* px, const ShapeColour<PixelFloat>& colour, float coverage, int64_t count);
int32_t BlendRowByCoverageEightFloat(float* px, const ShapeColour<PixelFloat>& colour, float opacity,
                                     const float* coverage, int32_t count);
#endif

// Four float pixels from p blended at once where `active` is set (the others keep their
// values), lane k with coverage lane k: the four pixels turned into one vector per channel, each
// lane doing the one-pixel blend's operations in its order. False, with nothing written, when an
// active lane's a' or mixed colour is NaN (frames with infinities, which the one-pixel blend
// repairs).
[[gnu::always_inline]] inline bool BlendFourPixelsFloat(float* p, __m128 cov, __m128 active,
                                                        __m128 blue, __m128 green, __m128 red) {
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  __m128 a = _mm_loadu_ps(p), r = _mm_loadu_ps(p + 4), g = _mm_loadu_ps(p + 8), b = _mm_loadu_ps(p + 12);
  _MM_TRANSPOSE4_PS(a, r, g, b);  // now one channel of the four pixels each
  const __m128 na = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(one, a), cov), a);
  if (_mm_movemask_ps(_mm_and_ps(active, _mm_cmpunord_ps(na, na))) != 0) return false;
  const __m128 transparent = _mm_cmpeq_ps(na, zero);
  const __m128 w = _mm_or_ps(_mm_and_ps(transparent, one), _mm_andnot_ps(transparent, _mm_div_ps(cov, na)));
  const __m128 keep = _mm_sub_ps(one, w);
  const __m128 nb = _mm_add_ps(_mm_mul_ps(keep, b), _mm_mul_ps(w, blue));
  const __m128 ng = _mm_add_ps(_mm_mul_ps(keep, g), _mm_mul_ps(w, green));
  const __m128 nr = _mm_add_ps(_mm_mul_ps(keep, r), _mm_mul_ps(w, red));
  const __m128 sum = _mm_add_ps(_mm_add_ps(nb, ng), nr);
  if (_mm_movemask_ps(_mm_and_ps(active, _mm_cmpunord_ps(sum, sum))) != 0) return false;
  const auto pick = [&active](__m128 blended, __m128 old) {
    return _mm_or_ps(_mm_and_ps(active, blended), _mm_andnot_ps(active, old));
  };
  a = pick(na, a);
  r = pick(nr, r);
  g = pick(ng, g);
  b = pick(nb, b);
  _MM_TRANSPOSE4_PS(a, r, g, b);  // back to pixels
  _mm_storeu_ps(p, a);
  _mm_storeu_ps(p + 4, r);
  _mm_storeu_ps(p + 8, g);
  _mm_storeu_ps(p + 12, b);
  return true;
}
#endif

// The alpha arithmetic of a blend: the new alpha a' and the weight w of the colour. It depends
// only on the pixel's alpha and the coverage.
template <class P>
struct BlendWeights;

// ceil(2^32 / d) for d = 1..255 (entry 0 unused). For n < 2^16, (n × entry) >> 32 is n / d
// exactly: the entry exceeds 2^32 / d by less than 1, which moves n / d by less than
// 2^16 / 2^32, far below the 1 / d between a quotient and the next integer.
inline constexpr struct ByteReciprocals {
  uint64_t of[256];
  constexpr ByteReciprocals() : of{} {
    for (uint64_t d = 1; d < 256; ++d) of[d] = ((uint64_t{1} << 32) + d - 1) / d;
  }
} kByteReciprocals;

template <>
struct BlendWeights<Pixel8> {
  uint32_t na, w;
  // a' ≥ c, so w ≤ 255 and every value stays a byte; "/ 255" is exact truncating division, and
  // the division by a' a product with its reciprocal (a' ≤ 255, c × 255 < 2^16).
  static BlendWeights Of(uint8_t alpha, uint8_t coverage) {
    const uint32_t a = alpha, c = coverage;
    const uint32_t na = a + (255 - a) * c / 255;
    const uint32_t w = static_cast<uint32_t>((uint64_t{c * 255} * kByteReciprocals.of[na]) >> 32);
    return {na, na == 0 ? 255 : w};
  }
};

template <>
struct BlendWeights<Pixel16> {
  uint16_t na;
  int64_t w;
  // Products in 64 bits: a channel or coverage above 32768 (malformed buffers, alpha above
  // white) overflows 32 bits. Results keep their low 16 bits, as a 16-bit store would. The
  // weight's quotient fits 32 bits (c × 32768 < 2^31), where division is several times quicker.
  static BlendWeights Of(uint16_t alpha, uint16_t coverage) {
    const int64_t a = alpha, c = coverage;
    const uint16_t na = static_cast<uint16_t>(a + (32768 - a) * c / 32768);
    return {na, na == 0 ? 32768 : static_cast<uint16_t>(uint32_t{coverage} * 32768u / na)};
  }
};

// Float frames may carry ±Inf (and alphas far outside 0..1), where the formula meets Inf × 0 or
// Inf − Inf. A NaN that the input did not hold is never written: when the formula's result is NaN
// and no operand was, the result is its limit instead. Any result that is not NaN is the formula's
// own, so a finite picture is unchanged.
struct NonFiniteBlend {
  // a' = a·(1 − c) + c as a → ±Inf: ±Inf scaled by (1 − c), or 1 when the coverage is full. Out of
  // line with RepairPixel: only frames that hold infinities come here.
  [[gnu::cold, gnu::noinline]] static float Alpha(float a, float coverage) {
    if (std::isnan(a) || std::isnan(coverage)) return a + coverage;  // the input's NaN
    const float keep = 1.0f - coverage;
    if (keep == 0.0f) return 1.0f;
    return keep > 0.0f ? a : -a;
  }
  // (1 − w)·old + w·colour: a term whose weight is zero (or whose value is zero) contributes
  // nothing; +Inf against −Inf goes to the side with the larger weight.
  static float Mix(float old, float colour, float w) {
    if (std::isnan(old) || std::isnan(colour) || std::isnan(w)) return old + colour + w;
    float kept = (1.0f - w) * old;
    float laid = w * colour;
    if (std::isnan(kept)) kept = 0.0f;
    if (std::isnan(laid)) laid = 0.0f;
    const float sum = kept + laid;
    if (!std::isnan(sum)) return sum;
    return w >= 0.5f ? colour : old;
  }
  // The colour channels of pixel px mixed with Mix's limit wherever the formula gives NaN. Kept out
  // of line: the blend loops stay small, and only frames that hold infinities ever come here.
  [[gnu::cold, gnu::noinline]] static void RepairPixel(float* px, const float* colour, float w) {
    for (int i = 0; i < 3; ++i) {
      const float mixed = (1.0f - w) * px[3 - i] + w * colour[i];
      px[3 - i] = std::isnan(mixed) ? Mix(px[3 - i], colour[i], w) : mixed;
    }
  }
};

template <>
struct BlendWeights<PixelFloat> {
  float na, w;
  static BlendWeights Of(float a, float coverage) {
    float na = (1.0f - a) * coverage + a;
    if (na != na) [[unlikely]] na = NonFiniteBlend::Alpha(a, coverage);
    return {na, na == 0.0f ? 1.0f : coverage / na};  // a NaN a' (the input's) takes the division
  }
};

// The colour mixed into the pixel's colour channels with the weight w. The colour is stored blue,
// green, red, the reverse of the pixel's alpha, red, green, blue, so colour channel i lands in
// pixel channel 3 − i.
template <class P>
inline void MixColour(typename P::Channel* px, const ShapeColour<P>& colour,
                      const BlendWeights<P>& b) {
  if constexpr (std::is_same_v<P, PixelFloat>) {
    const float blue = (1.0f - b.w) * px[3] + b.w * colour.channel[0];
    const float green = (1.0f - b.w) * px[2] + b.w * colour.channel[1];
    const float red = (1.0f - b.w) * px[1] + b.w * colour.channel[2];
    // One test for the three channels: a NaN channel makes the sum NaN (so may +Inf beside −Inf,
    // which the repair leaves as they are).
    const float sum = blue + green + red;
    if (sum != sum) [[unlikely]] {
      NonFiniteBlend::RepairPixel(px, colour.channel, b.w);
      return;
    }
    px[3] = blue;
    px[2] = green;
    px[1] = red;
  } else {
    for (int i = 0; i < 3; ++i) {
      if constexpr (std::is_same_v<P, Pixel8>) {
        const uint32_t old = px[3 - i];
        px[3 - i] = static_cast<uint8_t>((old * (255 - b.w) + colour.channel[i] * b.w) / 255);
      } else {
        const int64_t old = px[3 - i];
        px[3 - i] = static_cast<uint16_t>((colour.channel[i] * b.w + old * (32768 - b.w)) / 32768);
      }
    }
  }
}

// Blends into the pixel whose alpha channel is px[0].
template <class P>
inline void BlendPixelAt(typename P::Channel* px, const ShapeColour<P>& colour,
                         typename P::Coverage coverage) {
  const BlendWeights<P> b = BlendWeights<P>::Of(px[0], coverage);
  px[0] = b.na;
  MixColour<P>(px, colour, b);
}

// Writes the shape's colour with full alpha into the `count` pixels from px on, in one row.
template <class P>
inline void WriteOpaqueRun(typename P::Channel* px, const ShapeColour<P>& colour, int64_t count) {
  using Channel = typename P::Channel;
  const Channel pixel[4] = {static_cast<Channel>(P::kFull), colour.channel[2], colour.channel[1],
                            colour.channel[0]};
  int64_t i = 0;
#if defined(__SSE2__)
  // As many whole pixels as one 16-byte store holds (4, 2 or 1).
  constexpr int64_t kPerStore = 16 / sizeof(pixel);
  Channel lanes[4 * kPerStore];
  for (int64_t k = 0; k < kPerStore; ++k) std::memcpy(lanes + 4 * k, pixel, sizeof(pixel));
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes));
  for (; i + kPerStore <= count; i += kPerStore) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(px + 4 * i), v);
  }
#endif
  for (; i < count; ++i) std::memcpy(px + 4 * i, pixel, sizeof(pixel));
}

// BlendPixelAt with one coverage for many pixels (spans, the solid core of a stroke). Run()
// blends a row of pixels four at a time, with the one-pixel arithmetic lane by lane; the last one
// to three pixels, and groups the lanes do not take, go one at a time. The alpha arithmetic of
// those depends only on the pixel's alpha, and at 8 bits a shape meets few distinct alphas, so
// their results are kept per alpha (small polygons' spans are mostly such pixels: dropping the
// table made Creased Aquarel 5-10 % slower).
template <class P>
class FixedCoverageBlend {
 public:
  using Channel = typename P::Channel;

  FixedCoverageBlend(const ShapeColour<P>& colour, typename P::Coverage coverage)
      : colour_(colour),
        coverage_(coverage),
        opaque_(!std::is_floating_point_v<Channel> && coverage == static_cast<typename P::Coverage>(P::kFull)) {
    for (uint64_t& v : known_) v = 0;
  }

  void operator()(Channel* px) {
    const BlendWeights<P> b = WeightsOf(px[0]);
    px[0] = b.na;
    MixColour<P>(px, colour_, b);
  }

  // Blends the `count` pixels from px on, in one row (eight at a time where the processor can;
  // tests choose).
  [[gnu::always_inline]] void Run(Channel* px, int64_t count, bool eightLanes = kEightLanes) {
    if (opaque_) {
      WriteOpaqueRun<P>(px, colour_, count);
      return;
    }
    int64_t i = 0;
    static_cast<void>(eightLanes);
#if defined(__SSE2__)
    if constexpr (std::is_same_v<P, Pixel8>) {
#if defined(MORVANE_EIGHT_LANES)
      if (eightLanes) i = BlendRunEight8(px, colour_, coverage_, count);
#endif
      i += RunBytes(px + 4 * i, count - i);
    } else if constexpr (std::is_same_v<P, Pixel16>) {
#if defined(MORVANE_EIGHT_LANES)
      if (eightLanes) i = BlendRunEight16(px, colour_, coverage_, count);
#endif
      i += RunShorts(px + 4 * i, count - i);
    } else if constexpr (std::is_same_v<P, PixelFloat>) {
#if defined(MORVANE_EIGHT_LANES)
      if (eightLanes) i = BlendRunEightFloat(px, colour_, coverage_, count);
#endif
      i += RunFloats(px + 4 * i, count - i);
    }
#endif
    for (; i < count; ++i) (*this)(px + 4 * i);
  }

 private:
  static constexpr uint32_t kSlots = std::is_same_v<P, Pixel8> ? 256 : 1;

  // The weights of an 8-bit alpha are kept in a table indexed by the alpha. Wider alphas rarely
  // repeat once shapes overlap, and a miss of a table keyed by them costs more than the division
  // it saves (measured: circles' spans at 16 bits and float), so theirs are worked out each time.
  BlendWeights<P> WeightsOf(Channel alpha) {
    if constexpr (!std::is_same_v<P, Pixel8>) {
      return BlendWeights<P>::Of(alpha, coverage_);
    } else {
      const uint64_t bit = uint64_t{1} << (alpha & 63);
      if (!(known_[alpha >> 6] & bit)) {
        known_[alpha >> 6] |= bit;
        const BlendWeights<P> b = BlendWeights<P>::Of(alpha, coverage_);
        na_[alpha] = static_cast<uint8_t>(b.na);
        w_[alpha] = static_cast<uint8_t>(b.w);
      }
      return {na_[alpha], w_[alpha]};
    }
  }

#if defined(__SSE2__)
  // Four pixels at a time (BlendFourPixels8), the weights worked out in the lanes (a table
  // lookup per pixel cost more there). Returns the pixels done.
  int64_t RunBytes(Channel* px, int64_t count) {
    const __m128i shade = ColourLanes(colour_);
    const __m128i coverage = _mm_set1_epi32(coverage_);
    int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
      Channel* p = px + 4 * i;
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), BlendFourPixels8(v, coverage, shade));
    }
    return i;
  }

  // Four pixels at a time where they, the colour and the coverage lie within white
  // (FourPixels16); other groups, and every group when the colour or coverage does not, one
  // pixel at a time. Returns the pixels done.
  int64_t RunShorts(Channel* px, int64_t count) {
    const __m128i colour = ColourLanes(colour_);
    if (coverage_ > 32768 || !FourPixels16::InRange(colour)) return 0;
    const __m128i coverage = _mm_set1_epi32(coverage_);
    int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
      Channel* p = px + 4 * i;
      __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
      if (!FourPixels16::InRange(low) || !FourPixels16::InRange(high)) {
        for (int k = 0; k < 4; ++k) (*this)(p + 4 * k);
        continue;
      }
      FourPixels16::Blend(low, high, coverage, colour);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), low);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 8), high);
    }
    return i;
  }

  // Four pixels at a time (BlendFourPixelsFloat); a group with a NaN a' or mixed colour (frames
  // with infinities) one pixel at a time, where the repair happens. Returns the pixels done.
  int64_t RunFloats(Channel* px, int64_t count) {
    const __m128 blue = _mm_set1_ps(colour_.channel[0]), green = _mm_set1_ps(colour_.channel[1]);
    const __m128 red = _mm_set1_ps(colour_.channel[2]);
    const __m128 coverage = _mm_set1_ps(coverage_);
    const __m128 all = _mm_castsi128_ps(_mm_set1_epi32(-1));
    int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
      Channel* p = px + 4 * i;
      if (!BlendFourPixelsFloat(p, coverage, all, blue, green, red)) {
        for (int k = 0; k < 4; ++k) (*this)(p + 4 * k);
      }
    }
    return i;
  }
#endif

  ShapeColour<P> colour_;
  typename P::Coverage coverage_;
  // At full coverage an 8- or 16-bit blend gives a' = white and w = white whatever the pixel
  // held, so the old value's weight is 0 and the result is the colour with full alpha: runs are
  // plain stores. Not so for float pixels, where (1 − a) + a need not give 1.
  bool opaque_;
  // The 8-bit weights: which alphas are known, one bit each (cheap to clear for every shape), and
  // their a' and w, which are bytes.
  uint64_t known_[(kSlots + 63) / 64];
  uint8_t na_[kSlots];
  uint8_t w_[kSlots];
};

// Pixels outside `area` (the surface's Writes()) are ignored; coordinates may lie anywhere in 64
// bits.
template <class P>
inline void BlendPixel(const Surface<P>& surface, const WriteArea& area, int64_t x, int64_t y,
                       const ShapeColour<P>& colour, typename P::Coverage coverage) {
  if (!area.Holds(x, y)) return;
  BlendPixelAt<P>(surface.PixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y)), colour,
                  coverage);
}
template <class P>
inline void BlendPixel(const Surface<P>& surface, int64_t x, int64_t y,
                       const ShapeColour<P>& colour, typename P::Coverage coverage) {
  BlendPixel<P>(surface, surface.Writes(), x, y, colour, coverage);
}

}  // namespace morvane
