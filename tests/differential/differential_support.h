// Shared pieces of the differential tests: a seeded random source, buffers with padded rows and
// guard bytes, and fills that reach the corners of each depth (alpha ramps, float values below 0
// and above 1, 16-bit values above white).
#pragma once
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane::differential {

class Rng {
 public:
  explicit Rng(uint64_t seed) : engine_(seed) {}
  int32_t Int(int32_t lo, int32_t hi) {  // inclusive
    return std::uniform_int_distribution<int32_t>(lo, hi)(engine_);
  }
  float Real(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(engine_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  template <class T, size_t N>
  T Pick(const T (&values)[N]) {
    return values[Int(0, static_cast<int32_t>(N) - 1)];
  }

 private:
  std::mt19937_64 engine_;
};

// A frame of depth P whose rows carry `pad` channels of padding, between guard channels; every
// byte outside the pixels holds a sentinel, so a comparison of whole storage also sees writes
// outside the pixels.
template <class P>
struct Frame {
  using Ch = typename P::Channel;
  static constexpr int32_t kGuard = 16;
  int32_t width, height, stride;
  std::vector<Ch> storage;

  Frame(int32_t w, int32_t h, int32_t pad)
      : width(w), height(h), stride(4 * w + pad),
        storage(static_cast<size_t>(stride) * h + 2 * kGuard) {
    std::memset(storage.data(), 0xA5, storage.size() * sizeof(Ch));
  }
  Ch* Base() { return storage.data() + kGuard; }
  Ch* At(int32_t x, int32_t y) { return Base() + static_cast<ptrdiff_t>(y) * stride + 4 * x; }
  Surface<P> View() { return {Base(), width, height, stride}; }
  bool SameBytes(const Frame& other) const {
    return storage.size() == other.storage.size() &&
           std::memcmp(storage.data(), other.storage.data(), storage.size() * sizeof(Ch)) == 0;
  }
};

// A channel value of depth P from a fraction of white; float passes values outside 0..1 through.
template <class P>
typename P::Channel Level(float fraction) {
  if constexpr (std::is_same_v<P, PixelFloat>) {
    return fraction;
  } else {
    const float v = fraction * static_cast<float>(P::kFull);
    const float max = std::is_same_v<P, Pixel8> ? 255.0f : 65535.0f;
    return static_cast<typename P::Channel>(v < 0.0f ? 0.0f : (v > max ? max : v));
  }
}

// Pixels for the rasterisers to blend over: an alpha ramp across the frame, colours in blotches
// (so chains find matches), a share of noise; at float depth some values below 0 and above 1,
// at 16-bit some above white.
template <class P>
void FillPicture(Frame<P>& f, Rng& rng, bool extremes) {
  const int32_t blotch = rng.Int(3, 24);
  for (int32_t y = 0; y < f.height; ++y) {
    for (int32_t x = 0; x < f.width; ++x) {
      auto* px = f.At(x, y);
      const int32_t cell = (x / blotch) * 7 + (y / blotch) * 13;
      const bool noise = rng.Chance(10);
      float a = f.width > 1 ? static_cast<float>(x) / static_cast<float>(f.width - 1) : 1.0f;
      float r = noise ? rng.Real(0, 1) : static_cast<float>(cell % 5) / 4.0f;
      float g = noise ? rng.Real(0, 1) : static_cast<float>(cell % 3) / 2.0f;
      float b = noise ? rng.Real(0, 1) : static_cast<float>(cell % 7) / 6.0f;
      if (extremes && rng.Chance(5)) {
        a = rng.Real(-0.5f, 1.5f);
        r = rng.Real(-0.5f, 2.0f);
        b = rng.Real(-1.0f, 1.5f);
      }
      // Float frames can carry NaN and infinities; the integer depths saturate them.
      if (extremes && std::is_same_v<P, PixelFloat> && rng.Chance(3)) {
        const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity()};
        (rng.Chance(50) ? r : g) = rng.Pick(odd);
      }
      px[0] = Level<P>(a);
      px[1] = Level<P>(r);
      px[2] = Level<P>(g);
      px[3] = Level<P>(b);
    }
  }
}

}  // namespace morvane::differential
