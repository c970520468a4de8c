// Helpers for the generator's tests and benchmarks: depth conversions of 8-bit test values and
// test images at every depth, with conversions from and to the 8-bit test pictures.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "generator/generator_settings.h"
#include "raster/pixel_traits.h"
#include "raster/surface.h"
#include "tests/fake_host/ppm.h"

namespace morvane::test {

// An 8-bit channel value at depth P: 16-bit v * 32768 / 255 (truncated), float v / 255.
template <class P>
typename P::Channel ChannelFromByte(int32_t v) {
  if constexpr (std::is_same_v<P, Pixel8>) {
    return static_cast<uint8_t>(v);
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    return static_cast<uint16_t>(v * 32768 / 255);
  } else {
    return static_cast<float>(v) / 255.0f;
  }
}

// A colour-scale setting (0..255) at depth P, as the effect converts it.
template <class P>
SettingLevel<P> LevelFromByte(int32_t v) {
  if constexpr (std::is_same_v<P, Pixel8>) {
    return v;
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    return v * 32768 / 255;
  } else {
    return static_cast<float>(v) / 255.0f;
  }
}

// The 16-bit conversion, which the fade level takes at float depth too.
template <class P>
int32_t FadeLevelFromByte(int32_t v) {
  return std::is_same_v<P, Pixel8> ? v : v * 32768 / 255;
}

// One image of depth P; rows may carry padding past their pixels, as host buffers do.
template <class P>
struct TestImage {
  using Ch = typename P::Channel;
  int32_t width = 0;
  int32_t height = 0;
  int32_t strideChannels = 0;
  std::vector<Ch> data;

  TestImage() = default;
  TestImage(int32_t w, int32_t h, int32_t paddingPixels = 0)
      : width(w),
        height(h),
        strideChannels((w + paddingPixels) * 4),
        data(static_cast<size_t>(strideChannels) * (h > 0 ? h : 0)) {}

  Ch* at(int32_t x, int32_t y) {
    return data.data() + static_cast<size_t>(y) * strideChannels + 4 * x;
  }
  const Ch* at(int32_t x, int32_t y) const {
    return data.data() + static_cast<size_t>(y) * strideChannels + 4 * x;
  }
  void Set(int32_t x, int32_t y, Ch a, Ch r, Ch g, Ch b) {
    Ch* p = at(x, y);
    p[0] = a, p[1] = r, p[2] = g, p[3] = b;
  }
  void Fill(Ch a, Ch r, Ch g, Ch b) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) Set(x, y, a, r, g, b);
  }
  Surface<P> surface() { return Surface<P>{data.data(), width, height, strideChannels}; }
  InputSurface<P> view() const {
    return InputSurface<P>{data.data(), width, height, strideChannels};
  }
  // The bytes as a host frame holds them.
  void* bytes() { return data.data(); }
  int32_t rowBytes() const { return static_cast<int32_t>(strideChannels * sizeof(Ch)); }
};

// 8-bit ARGB pixels, row after row without padding, as the test pictures are read.
using Argb8Image = testing::ArgbImage;

template <class P>
TestImage<P> FromArgb8(const Argb8Image& image) {
  TestImage<P> out(image.width, image.height);
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) {
      const uint8_t* s = &image.argb[(static_cast<size_t>(y) * image.width + x) * 4];
      out.Set(x, y, ChannelFromByte<P>(s[0]), ChannelFromByte<P>(s[1]), ChannelFromByte<P>(s[2]),
              ChannelFromByte<P>(s[3]));
    }
  return out;
}

// Back to 8 bits for viewing (clamped, rounded).
template <class P>
Argb8Image ToArgb8(const TestImage<P>& image) {
  Argb8Image out{image.width, image.height,
                 std::vector<uint8_t>(static_cast<size_t>(image.width) * image.height * 4)};
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x)
      for (int c = 0; c < 4; ++c) {
        double v = static_cast<double>(image.at(x, y)[c]) * 255.0 / P::kFull;
        v = v != v ? 0.0 : (v < 0 ? 0 : (v > 255 ? 255 : v));
        out.argb[(static_cast<size_t>(y) * image.width + x) * 4 + c] =
            static_cast<uint8_t>(v + 0.5);
      }
  return out;
}

}  // namespace morvane::test
