// Test images for the rasterisers: a pixel buffer whose rows are longer than their pixels and
// which sits between guard areas, all filled with a sentinel, so that a test can tell whether a
// rasteriser wrote anything but pixels.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "raster/pixel_traits.h"

namespace morvane::test {

template <class P>
class TestImage {
 public:
  using Ch = typename P::Channel;
  static constexpr int32_t kGuard = 64;          // channels before and after the rows
  static constexpr unsigned char kSentinel = 0xA5;

  TestImage(int32_t width, int32_t height, int32_t padChannels = 12)
      : width_(width),
        height_(height),
        stride_(4 * width + padChannels),
        storage_(static_cast<std::size_t>(2 * kGuard) +
                 static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height)) {
    std::memset(storage_.data(), kSentinel, storage_.size() * sizeof(Ch));
    Fill(0, 0, 0, 0);
  }

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t stride() const { return stride_; }
  Ch* base() { return storage_.data() + kGuard; }
  Ch* at(int32_t x, int32_t y) { return base() + static_cast<std::ptrdiff_t>(y) * stride_ + 4 * x; }
  const Ch* at(int32_t x, int32_t y) const {
    return storage_.data() + kGuard + static_cast<std::ptrdiff_t>(y) * stride_ + 4 * x;
  }

  // Every pixel to (alpha, red, green, blue); padding and guards keep the sentinel.
  void Fill(Ch a, Ch r, Ch g, Ch b) {
    for (int32_t y = 0; y < height_; ++y) {
      for (int32_t x = 0; x < width_; ++x) {
        Ch* px = at(x, y);
        px[0] = a;
        px[1] = r;
        px[2] = g;
        px[3] = b;
      }
    }
  }

  // True when no byte outside the pixels (row padding, guards) has changed.
  bool OutsideIntact() const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(storage_.data());
    auto intact = [&](std::size_t from, std::size_t to) {  // channel range [from, to)
      for (std::size_t i = from * sizeof(Ch); i < to * sizeof(Ch); ++i) {
        if (bytes[i] != kSentinel) return false;
      }
      return true;
    };
    if (!intact(0, kGuard)) return false;
    for (int32_t y = 0; y < height_; ++y) {
      const std::size_t row = kGuard + static_cast<std::size_t>(y) * stride_;
      if (!intact(row + 4 * static_cast<std::size_t>(width_), row + stride_)) return false;
    }
    return intact(storage_.size() - kGuard, storage_.size());
  }

  // Pixel bytes of rows [y0, y0 + rows) and columns [x0, x0 + cols), for comparisons.
  std::vector<unsigned char> window(int32_t x0, int32_t y0, int32_t cols, int32_t rows) const {
    std::vector<unsigned char> out;
    for (int32_t y = y0; y < y0 + rows; ++y) {
      const auto* p = reinterpret_cast<const unsigned char*>(at(x0, y));
      out.insert(out.end(), p, p + 4 * cols * sizeof(Ch));
    }
    return out;
  }
  std::vector<unsigned char> pixels() const { return window(0, 0, width_, height_); }

 private:
  int32_t width_, height_, stride_;
  std::vector<Ch> storage_;
};

template <class P>
ShapeColour<P> shapeColour(typename P::Channel blue, typename P::Channel green,
                         typename P::Channel red) {
  return ShapeColour<P>{{blue, green, red, typename P::Channel{}}};
}

// A mid-grey-ish shape colour and half and full opacities in each depth's scale.
template <class P>
struct Depth;
template <>
struct Depth<Pixel8> {
  static ShapeColour<Pixel8> colour() { return shapeColour<Pixel8>(200, 120, 40); }
  static uint8_t full() { return 255; }
  static uint8_t part() { return 150; }
};
template <>
struct Depth<Pixel16> {
  static ShapeColour<Pixel16> colour() { return shapeColour<Pixel16>(25000, 15000, 5000); }
  static uint16_t full() { return 32768; }
  static uint16_t part() { return 19000; }
};
template <>
struct Depth<PixelFloat> {
  static ShapeColour<PixelFloat> colour() { return shapeColour<PixelFloat>(0.8f, 0.45f, 0.15f); }
  static float full() { return 1.0f; }
  static float part() { return 0.6f; }
};

using AllDepths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;

}  // namespace morvane::test
