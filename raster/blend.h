// Coverage blend: lays a shape's colour over one pixel with a coverage that already holds the
// shape's opacity and the pixel's anti-aliasing weight. Every rasteriser changes pixels only
// through this blend (or, for full-opacity polygon spans, a direct write of the same result), so
// this arithmetic decides every value of the picture.
// Must not: allocate, keep state, clamp float values (HDR and negative values pass through), or
// read or write anything but the one pixel.
#pragma once
#include <cstdint>
#include <type_traits>

#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

// Blends into the pixel whose alpha channel is px[0]. The colour is stored blue, green, red, the
// reverse of the pixel's alpha, red, green, blue, so colour channel i lands in pixel channel 3 − i.
template <class P>
inline void BlendPixelAt(typename P::Channel* px, const ShapeColour<P>& colour,
                         typename P::Coverage coverage) {
  if constexpr (std::is_same_v<P, Pixel8>) {
    // a' ≥ c, so w ≤ 255 and every value stays a byte; "/ 255" is exact truncating division.
    const uint32_t a = px[0];
    const uint32_t c = coverage;
    const uint32_t na = a + (255 - a) * c / 255;
    const uint32_t w = na == 0 ? 255 : c * 255 / na;
    px[0] = static_cast<uint8_t>(na);
    for (int i = 0; i < 3; ++i) {
      const uint32_t old = px[3 - i];
      px[3 - i] = static_cast<uint8_t>((old * (255 - w) + colour.channel[i] * w) / 255);
    }
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    // Products in 64 bits: a channel or coverage above 32768 (malformed buffers, alpha above
    // white) overflows 32 bits. Results keep their low 16 bits, as a 16-bit store would.
    const int64_t a = px[0];
    const int64_t c = coverage;
    const uint16_t na = static_cast<uint16_t>(a + (32768 - a) * c / 32768);
    const int64_t w = na == 0 ? 32768 : static_cast<uint16_t>(c * 32768 / na);
    px[0] = na;
    for (int i = 0; i < 3; ++i) {
      const int64_t old = px[3 - i];
      px[3 - i] = static_cast<uint16_t>((colour.channel[i] * w + old * (32768 - w)) / 32768);
    }
  } else {
    static_assert(std::is_same_v<P, PixelFloat>);
    const float a = px[0];
    const float na = (1.0f - a) * coverage + a;
    const float w = na == 0.0f ? 1.0f : coverage / na;  // a NaN a' takes the division
    px[0] = na;
    for (int i = 0; i < 3; ++i) {
      px[3 - i] = (1.0f - w) * px[3 - i] + w * colour.channel[i];
    }
  }
}

// Pixels outside the surface are ignored; coordinates may lie anywhere in 64 bits.
template <class P>
inline void BlendPixel(const Surface<P>& surface, int64_t x, int64_t y,
                       const ShapeColour<P>& colour, typename P::Coverage coverage) {
  if (!surface.Contains(x, y)) return;
  BlendPixelAt<P>(surface.PixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y)), colour,
                  coverage);
}

}  // namespace morvane
