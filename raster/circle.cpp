// Circle outline and filled disc.
// Must not: form a pixel coordinate in 32 bits (centre ± radius may pass the int32 range), or
// paint a span row that no octant step recorded.
#include "raster/circle.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/blend.h"
#include "raster/convert_p.h"
#include "raster/coverage_p.h"
#include "raster/maths.h"

namespace morvane {
namespace {

constexpr int32_t kSpanStartMin = 77777;
constexpr int32_t kSpanStartMax = -77777;

// Last step k of the octant walk. The shortened π/4 and the double product are part of the
// picture: they decide how far the two mirrored octants overlap.
int32_t octantLimit(float r) { return truncToInt32(Sin(0.78539815) * r) + 1; }

// The boundary at offset k from the axis: whole part v and fraction f of sqrt(r² − k²).
struct BoundaryStep {
  bool drawn;  // false when r² − k² < 0 (radius 0 at k = 1)
  int64_t v;
  double f;
};

BoundaryStep boundaryAt(float r, int32_t k) {
  const float fk = static_cast<float>(k);
  const double d = static_cast<double>(r * r) - static_cast<double>(fk * fk);
  if (d < 0.0) return {false, 0, 0.0};
  const double s = std::sqrt(d);
  const int32_t v = truncToInt32(s);
  return {true, v, s - static_cast<double>(static_cast<float>(v))};
}

// blendPixel at coordinates that may lie beyond the int32 range (and hence beyond any buffer).
template <class P>
void blendAt(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride, int64_t x,
             int64_t y, const ShapeColor<P>& color, typename P::Coverage coverage) {
  if (x < 0 || x >= width || y < 0 || y >= height) return;
  blendPixelUnchecked<P>(base, width, height, rowStride, static_cast<int32_t>(x),
                         static_cast<int32_t>(y), color, coverage);
}

}  // namespace

template <class P>
void drawCircleOutline(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                       int32_t cx, int32_t cy, int32_t radius, const ShapeColor<P>& color,
                       typename P::Coverage opacity) {
  if (width <= 0 || height <= 0) return;
  const float r = static_cast<float>(radius);
  const int32_t m = octantLimit(r);
  const int64_t x = cx, y = cy;
  auto blend = [&](int64_t px, int64_t py, typename P::Coverage c) {
    blendAt<P>(base, width, height, rowStride, px, py, color, c);
  };
  for (int32_t k = 0; k <= m; ++k) {
    const BoundaryStep b = boundaryAt(r, k);
    if (!b.drawn) continue;
    const auto inner = circleCoverage<P>(opacity, 1.0 - b.f);
    const auto outer = circleCoverage<P>(opacity, b.f);
    const int64_t v = b.v;
    // The blend order matters where mirrored pixels coincide (axes, the 45-degree overlap).
    blend(x + v, y + k, inner);
    blend(x + v + 1, y + k, outer);
    blend(x - v, y + k, inner);
    blend(x - v - 1, y + k, outer);
    blend(x - v, y - k, inner);
    blend(x - v - 1, y - k, outer);
    blend(x + v, y - k, inner);
    blend(x + v + 1, y - k, outer);
    blend(x + k, y + v, inner);
    blend(x + k, y + v + 1, outer);
    blend(x - k, y + v, inner);
    blend(x - k, y + v + 1, outer);
    blend(x - k, y - v, inner);
    blend(x - k, y - v - 1, outer);
    blend(x + k, y - v, inner);
    blend(x + k, y - v - 1, outer);
  }
}

template <class P>
void fillCircle(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                int32_t cx, int32_t cy, int32_t radius, const ShapeColor<P>& color,
                typename P::Coverage opacity) {
  if (width <= 0 || height <= 0) return;
  const float r = static_cast<float>(radius);
  const int32_t m = octantLimit(r);
  if (m < 0) return;
  const int64_t x = cx, y = cy;

  // Rows recorded are cy ± k (k ≤ m) and cy ± v, and v is largest at k = 0 (r² − k² only
  // falls), so only the buffer rows within max(m, v(0)) of the centre need table entries.
  const int64_t rowReach = std::max<int64_t>(m, boundaryAt(r, 0).v);
  const int64_t firstRow = std::max<int64_t>(y - rowReach, 0);
  const int64_t lastRow = std::min<int64_t>(y + rowReach, height - 1);
  const int64_t rows = std::max<int64_t>(lastRow - firstRow + 1, 0);
  int32_t* spanMin = rowScratch(static_cast<std::size_t>(2 * rows));
  int32_t* spanMax = spanMin + rows;
  std::fill(spanMin, spanMin + rows, kSpanStartMin);
  std::fill(spanMax, spanMax + rows, kSpanStartMax);

  auto recordMin = [&](int64_t row, int64_t col) {
    if (row < firstRow || row > lastRow) return;
    int32_t& e = spanMin[row - firstRow];
    e = std::min(e, saturateToInt32(col));
  };
  auto recordMax = [&](int64_t row, int64_t col) {
    if (row < firstRow || row > lastRow) return;
    int32_t& e = spanMax[row - firstRow];
    e = std::max(e, saturateToInt32(col));
  };
  auto blend = [&](int64_t px, int64_t py, typename P::Coverage c) {
    blendAt<P>(base, width, height, rowStride, px, py, color, c);
  };

  for (int32_t k = 0; k <= m; ++k) {
    const BoundaryStep b = boundaryAt(r, k);
    if (!b.drawn) continue;
    const auto fringe = circleCoverage<P>(opacity, b.f);
    const int64_t v = b.v;
    recordMax(y + k, x + v);
    blend(x + v + 1, y + k, fringe);
    recordMin(y + k, x - v);
    blend(x - v - 1, y + k, fringe);
    recordMin(y - k, x - v);
    blend(x - v - 1, y - k, fringe);
    recordMax(y - k, x + v);
    blend(x + v + 1, y - k, fringe);
    if (radius > 2) {
      recordMax(y + v, x + k);
      blend(x + k, y + v + 1, fringe);
      recordMin(y + v, x - k);
      blend(x - k, y + v + 1, fringe);
      recordMin(y - v, x - k);
      blend(x - k, y - v - 1, fringe);
      recordMax(y - v, x + k);
      blend(x + k, y - v - 1, fringe);
    }
  }

  // Spans after all fringes: a fringe pixel that a span covers is blended again at full opacity.
  for (int64_t i = 0; i < rows; ++i) {
    if (spanMin[i] == kSpanStartMin || spanMax[i] == kSpanStartMax) continue;
    int32_t lo = std::min(spanMin[i], spanMax[i]);
    int32_t hi = std::max(spanMin[i], spanMax[i]);
    if (hi < 0 || lo >= width) continue;
    lo = std::max(lo, 0);
    hi = std::min(hi, width - 1);
    typename P::Channel* px =
        base + pixelOffset(lo, static_cast<int32_t>(firstRow + i), rowStride);
    for (int32_t col = lo; col <= hi; ++col, px += 4) blendPixelAt<P>(px, color, opacity);
  }
}

#define MORVANE_CIRCLE_AT_DEPTH(P)                                                             \
  template void drawCircleOutline<P>(P::Channel*, int32_t, int32_t, int32_t, int32_t, int32_t, \
                                     int32_t, const ShapeColor<P>&, P::Coverage);              \
  template void fillCircle<P>(P::Channel*, int32_t, int32_t, int32_t, int32_t, int32_t,        \
                              int32_t, const ShapeColor<P>&, P::Coverage);
MORVANE_CIRCLE_AT_DEPTH(Pixel8)
MORVANE_CIRCLE_AT_DEPTH(Pixel16)
MORVANE_CIRCLE_AT_DEPTH(PixelFloat)
#undef MORVANE_CIRCLE_AT_DEPTH

}  // namespace morvane
