// Coverage blend: lays a shape's colour over one pixel with a coverage that already holds the
// shape's opacity and the pixel's anti-aliasing weight. Every rasteriser changes pixels only
// through this blend (or, for full-opacity polygon spans, a direct write of the same result), so
// this arithmetic decides every value of the picture.
// Must not: allocate, keep state, clamp float values (HDR and negative values pass through), or
// read or write anything but the one pixel.
#pragma once
#include <bit>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

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

// BlendPixelAt with one coverage for many pixels (spans, the solid core of a stroke). The alpha
// arithmetic, with its division by the new alpha at 8 and 16 bits, depends only on the pixel's
// alpha then, and a shape meets few distinct alphas, so its results are kept in a small
// direct-mapped table keyed by the alpha's bits.
template <class P>
class FixedCoverageBlend {
 public:
  FixedCoverageBlend(const ShapeColour<P>& colour, typename P::Coverage coverage)
      : colour_(colour), coverage_(coverage) {
    for (bool& v : valid_) v = false;
  }

  void operator()(typename P::Channel* px) {
    const uint32_t bits = AlphaBits(px[0]);
    const uint32_t slot = (bits ^ (bits >> 6) ^ (bits >> 12) ^ (bits >> 23)) & (kSlots - 1);
    if (!valid_[slot] || keys_[slot] != bits) {
      valid_[slot] = true;
      keys_[slot] = bits;
      weights_[slot] = BlendWeights<P>::Of(px[0], coverage_);
    }
    px[0] = weights_[slot].na;
    MixColour<P>(px, colour_, weights_[slot]);
  }

 private:
  static constexpr uint32_t kSlots = 64;
  static uint32_t AlphaBits(typename P::Channel a) {
    if constexpr (std::is_same_v<P, PixelFloat>) {
      return std::bit_cast<uint32_t>(a);
    } else {
      return a;
    }
  }

  ShapeColour<P> colour_;
  typename P::Coverage coverage_;
  bool valid_[kSlots];
  uint32_t keys_[kSlots];
  BlendWeights<P> weights_[kSlots];
};

// Pixels outside the surface or its clip are ignored; coordinates may lie anywhere in 64 bits.
template <class P>
inline void BlendPixel(const Surface<P>& surface, int64_t x, int64_t y,
                       const ShapeColour<P>& colour, typename P::Coverage coverage) {
  if (!surface.Writable(x, y)) return;
  BlendPixelAt<P>(surface.PixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y)), colour,
                  coverage);
}

}  // namespace morvane
