// Rasteriser throughput at the three depths for typical shape sizes, in pixels covered per
// second (a pixel counts once per shape however many blends it takes). The buffer is 512 × 2160,
// a 4K frame's height, so any cost that grows with the buffer's rows shows.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <vector>

#include "raster/circle.h"
#include "raster/pixel_traits.h"
#include "raster/polygon.h"
#include "raster/rect.h"
#include "raster/stroke.h"

namespace morvane {
namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 2160;

template <class P>
struct Style;
template <>
struct Style<Pixel8> {
  static ShapeColour<Pixel8> colour() { return {{200, 120, 40, 0}}; }
  static uint8_t opacity() { return 180; }
};
template <>
struct Style<Pixel16> {
  static ShapeColour<Pixel16> colour() { return {{25000, 15000, 5000, 0}}; }
  static uint16_t opacity() { return 23000; }
};
template <>
struct Style<PixelFloat> {
  static ShapeColour<PixelFloat> colour() { return {{0.8f, 0.45f, 0.15f, 0}}; }
  static float opacity() { return 0.7f; }
};

template <class P>
using Draw = std::function<void(typename P::Channel*, int32_t rowStride)>;

// Pixels one draw changes on a transparent buffer.
template <class P>
int64_t coveredPixels(const Draw<P>& draw) {
  std::vector<typename P::Channel> pixels(std::size_t(4) * kWidth * kHeight);
  const auto before = pixels;
  draw(pixels.data(), 4 * kWidth);
  int64_t n = 0;
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    n += std::memcmp(&pixels[i], &before[i], 4 * sizeof(pixels[i])) != 0;
  }
  return n;
}

template <class P>
void run(benchmark::State& state, const Draw<P>& draw) {
  std::vector<typename P::Channel> pixels(std::size_t(4) * kWidth * kHeight);
  for (auto _ : state) {
    draw(pixels.data(), 4 * kWidth);
    benchmark::ClobberMemory();
  }
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(coveredPixels<P>(draw)),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

template <class P>
void BM_ThickLine(benchmark::State& state) {  // 40 px long, width 1.8
  run<P>(state, [](auto* b, int32_t s) {
    DrawThickLine<P>(Surface<P>{b, kWidth, kHeight, s}, 200, 1000, 232, 1024, 1.8f, Style<P>::colour(),
                     Style<P>::opacity());
  });
}

template <class P>
void BM_JoinedSegment(benchmark::State& state) {
  run<P>(state, [](auto* b, int32_t s) {
    DrawJoinedSegment<P>(Surface<P>{b, kWidth, kHeight, s}, 200, 1000, 232, 1024, 1.8f, 260, 1000,
                         Style<P>::colour(), Style<P>::opacity());
  });
}

template <class P>
void BM_CircleOutline(benchmark::State& state) {  // radius 20
  run<P>(state, [](auto* b, int32_t s) {
    DrawCircleOutline<P>(Surface<P>{b, kWidth, kHeight, s}, 250, 1000, 20, Style<P>::colour(),
                         Style<P>::opacity());
  });
}

template <class P>
void BM_FillCircle(benchmark::State& state) {
  run<P>(state, [](auto* b, int32_t s) {
    FillCircle<P>(Surface<P>{b, kWidth, kHeight, s}, 250, 1000, 20, Style<P>::colour(), Style<P>::opacity());
  });
}

template <class P>
void BM_FillTriangle(benchmark::State& state) {  // about 30 px across
  run<P>(state, [](auto* b, int32_t s) {
    FillTriangle<P>(Surface<P>{b, kWidth, kHeight, s}, {200, 1000}, {230, 1005}, {210, 1028}, Style<P>::colour(),
                    Style<P>::opacity());
  });
}

template <class P>
void BM_FillQuad(benchmark::State& state) {  // a square of side about 21, turned 45 degrees
  run<P>(state, [](auto* b, int32_t s) {
    FillQuad<P>(Surface<P>{b, kWidth, kHeight, s}, {200, 1015}, {215, 1000}, {230, 1015}, {215, 1030}, Style<P>::colour(), Style<P>::opacity());
  });
}

template <class P>
void BM_FillRect(benchmark::State& state) {  // 40 × 40
  run<P>(state, [](auto* b, int32_t s) {
    FillRect<P>(Surface<P>{b, kWidth, kHeight, s}, 200, 1000, 239, 1039, Style<P>::colour(),
                Style<P>::opacity());
  });
}

#define MORVANE_BENCH_DEPTHS(name)     \
  BENCHMARK_TEMPLATE(name, Pixel8);    \
  BENCHMARK_TEMPLATE(name, Pixel16);   \
  BENCHMARK_TEMPLATE(name, PixelFloat)
MORVANE_BENCH_DEPTHS(BM_ThickLine);
MORVANE_BENCH_DEPTHS(BM_JoinedSegment);
MORVANE_BENCH_DEPTHS(BM_CircleOutline);
MORVANE_BENCH_DEPTHS(BM_FillCircle);
MORVANE_BENCH_DEPTHS(BM_FillTriangle);
MORVANE_BENCH_DEPTHS(BM_FillQuad);
MORVANE_BENCH_DEPTHS(BM_FillRect);

}  // namespace
}  // namespace morvane
