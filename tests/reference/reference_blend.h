// Test-only reference of the coverage blend: one pixel at a time, every quotient a plain integer
// or float division, as it was before any speed work. The reference rasterisers blend through it,
// so the differential tests compare the shipped blend (its reciprocal table, its fixed-coverage
// cache and its vector runs) with the plain arithmetic.
#pragma once
#include <cstdint>
#include <type_traits>

#include "raster/blend.h"
#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane::reference {

template <class P>
inline void BlendPixelAt(typename P::Channel* px, const ShapeColour<P>& colour,
                         typename P::Coverage coverage) {
  if constexpr (std::is_same_v<P, Pixel8>) {
    const uint32_t a = px[0], c = coverage;
    const uint32_t na = a + (255 - a) * c / 255;
    const uint32_t w = na == 0 ? 255 : c * 255 / na;
    px[0] = static_cast<uint8_t>(na);
    for (int i = 0; i < 3; ++i) {
      const uint32_t old = px[3 - i];
      px[3 - i] = static_cast<uint8_t>((old * (255 - w) + colour.channel[i] * w) / 255);
    }
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    const int64_t a = px[0], c = coverage;
    const uint16_t na = static_cast<uint16_t>(a + (32768 - a) * c / 32768);
    const int64_t w = na == 0 ? 32768 : static_cast<uint16_t>(c * 32768 / na);
    px[0] = na;
    for (int i = 0; i < 3; ++i) {
      const int64_t old = px[3 - i];
      px[3 - i] = static_cast<uint16_t>((colour.channel[i] * w + old * (32768 - w)) / 32768);
    }
  } else {
    const float a = px[0];
    float na = (1.0f - a) * coverage + a;
    if (na != na) na = NonFiniteBlend::Alpha(a, coverage);
    const float w = na == 0.0f ? 1.0f : coverage / na;
    px[0] = na;
    float mixed[3];
    for (int i = 0; i < 3; ++i) mixed[i] = (1.0f - w) * px[3 - i] + w * colour.channel[i];
    if (mixed[0] + mixed[1] + mixed[2] != mixed[0] + mixed[1] + mixed[2]) {
      NonFiniteBlend::RepairPixel(px, colour.channel, w);
      return;
    }
    for (int i = 0; i < 3; ++i) px[3 - i] = mixed[i];
  }
}

template <class P>
inline void BlendPixel(const Surface<P>& surface, int64_t x, int64_t y,
                       const ShapeColour<P>& colour, typename P::Coverage coverage) {
  if (!surface.Writable(x, y)) return;
  reference::BlendPixelAt<P>(surface.PixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y)),
                             colour, coverage);
}

}  // namespace morvane::reference
