// Where each shape starts: the grid layout, the per-shape reseed, the luminosity gate and the
// three starting-position strategies. A shape's starting point depends only on the input, the
// settings, the shape index and the random state handed in.
#pragma once
#include <cstdint>
#include <cstdlib>

#include "generator/build_chain.h"
#include "generator/generator_settings.h"
#include "generator/random.h"
#include "support/numeric.h"
#include "raster/pixel_traits.h"

namespace morvane {

struct GridLayout {
  int32_t columns = 0;
  int32_t rows = 0;
  float cellWidth = 0.0f;
  float cellHeight = 0.0f;
  int32_t jitterX = 0;
  int32_t jitterY = 0;
  int64_t cells = 0;  // columns * rows; 0 when the grid has no cell
};

// The grid of shapeCount cells over a width x height frame. A grid without columns or rows
// (a count too small for the frame's shape) has no cells, and then neither the cell size nor
// the jitter is computed: both would divide by zero.
GridLayout MakeGridLayout(int32_t shapeCount, int32_t width, int32_t height,
                          int32_t gridRandomization);

// The seed of shape i for "Stable Random" and "Grid": seed + i * (seed + i), wrapping mod 2^32.
inline uint32_t ShapeSeed(int32_t seed, int32_t i) {
  const uint32_t s = static_cast<uint32_t>(seed);
  const uint32_t n = static_cast<uint32_t>(i);
  return s + n * (s + n);
}

// Channels compared one by one, no weighted luminance: a pixel fails when all three colour
// channels lie below the minimum, or all three above the maximum, or (with the alpha test) when
// it is fully transparent. `pixel` points at its alpha channel.
template <class P>
inline bool PassesLuminosityGate(const typename P::Channel* pixel,
                                 const GeneratorSettings<P>& settings, bool alphaTest) {
  const auto r = pixel[1], g = pixel[2], b = pixel[3];
  const SettingLevel<P> lo = settings.minLuminosity, hi = settings.maxLuminosity;
  if (r < lo && g < lo && b < lo) return false;
  if (r > hi && g > hi && b > hi) return false;
  if (alphaTest && pixel[0] == 0) return false;
  return true;
}

// Chooses the starting point of shape i by the strategy; false when the shape is skipped.
// For "Stable Random" and "Grid" the caller has reseeded `random` for this shape already.
// input.width and input.height must be at least 1; for "Grid", grid.cells must exceed i.
template <class P>
bool ChooseStartingPoint(const InputSurface<P>& input, const GeneratorSettings<P>& settings,
                         const GridLayout& grid, int32_t i, RandomSource& random, int32_t& x,
                         int32_t& y) {
  const int32_t width = input.width;
  const int32_t height = input.height;

  if (settings.startStrategy == kStartRandom || settings.startStrategy == kStartStableRandom) {
    for (int candidate = 0; candidate < 1024; ++candidate) {
      const int32_t cx = random.Next() % width;
      const int32_t cy = random.Next() % height;
      if (PassesLuminosityGate<P>(input.PixelAt(cx, cy), settings, true)) {
        x = cx;
        y = cy;
        return true;
      }
    }
    return false;
  }
  if (settings.startStrategy != kStartGrid) return false;

  // The cursor advances once per shape, row by row, so shape i sits in cell i.
  const int32_t column = static_cast<int32_t>(i % grid.columns);
  const int32_t row = static_cast<int32_t>(i / grid.columns);
  const float centreX = static_cast<float>(column) * grid.cellWidth + grid.cellWidth * 0.5f;
  const float centreY = static_cast<float>(row) * grid.cellHeight + grid.cellHeight * 0.5f;

  // By the grid's arithmetic every candidate below lies inside the frame; the tests before the
  // pixel reads only guard against rounding at extreme sizes.
  if (settings.gridRandomization <= 0) {
    const int32_t cx = TruncToInt32(centreX);
    const int32_t cy = TruncToInt32(centreY);
    if (cx < 0 || cx >= width || cy < 0 || cy >= height) return false;
    if (!PassesLuminosityGate<P>(input.PixelAt(cx, cy), settings, false)) return false;
    x = cx;
    y = cy;
    return true;
  }

  const int32_t jitterX = grid.jitterX;
  const int32_t jitterY = grid.jitterY;
  for (int candidate = 0; candidate < 64; ++candidate) {
    const int32_t dx = jitterX != 0 ? random.Next() % jitterX - (jitterX >> 1) : 0;
    const int32_t dy = jitterY != 0 ? random.Next() % jitterY - (jitterY >> 1) : 0;
    int64_t cx = std::llabs(TruncToInt32(static_cast<float>(dx) + centreX));
    int64_t cy = std::llabs(TruncToInt32(static_cast<float>(dy) + centreY));
    if (cx >= width) cx = 2 * static_cast<int64_t>(width) - cx - 1;
    if (cy >= height) cy = 2 * static_cast<int64_t>(height) - cy - 1;
    if (cx < 0 || cy < 0) continue;
    if (PassesLuminosityGate<P>(input.PixelAt(static_cast<int32_t>(cx), static_cast<int32_t>(cy)),
                                settings, true)) {
      x = static_cast<int32_t>(cx);
      y = static_cast<int32_t>(cy);
      return true;
    }
  }
  return false;
}

}  // namespace morvane
