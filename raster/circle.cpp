// Circle outline and filled disc.
// Must not: form a pixel coordinate in 32 bits (centre ± radius may pass the int32 range), or
// paint a span row that no octant step recorded.
#include "raster/circle.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/blend.h"
#include "raster/coverage_p.h"
#include "raster/row_scratch_p.h"
#include "support/maths.h"
#include "support/numeric.h"

namespace morvane {
namespace {

// A row no boundary step recorded: its minimum lies above its maximum. Recorded rows always have
// minimum ≤ maximum (each step records x − v and x + v on the same row), so no column can be
// mistaken for the mark.
constexpr int32_t kNoSpanMin = std::numeric_limits<int32_t>::max();
constexpr int32_t kNoSpanMax = std::numeric_limits<int32_t>::min();

// Discs up to this far from their centre (in rows) have their rows asked for before drawing.
constexpr int64_t kPrefetchedReach = 24;

// Last step k of the octant walk. The shortened π/4 and the double product are part of the
// picture: they decide how far the two mirrored octants overlap.
int32_t OctantLimit(float r) { return TruncToInt32(Sin(0.78539815) * r) + 1; }

// The boundary at offset k from the axis: whole part v and fraction f of sqrt(r² − k²).
struct BoundaryStep {
  bool drawn;  // false when r² − k² < 0 (radius 0 at k = 1)
  int64_t v;
  double f;
};

BoundaryStep BoundaryAt(float r, int32_t k) {
  const float fk = static_cast<float>(k);
  const double d = static_cast<double>(r * r) - static_cast<double>(fk * fk);
  if (d < 0.0) return {false, 0, 0.0};
  const double s = std::sqrt(d);
  const int32_t v = TruncToInt32(s);
  return {true, v, s - static_cast<double>(static_cast<float>(v))};
}

// max(m, v(0)): the rows of a circle lie within this and one more of its centre.
int64_t RowReach(float r, int32_t m) { return std::max<int64_t>(m, BoundaryAt(r, 0).v); }

// Whether a circle about (x, y) whose rows reach rowReach leaves every pixel of `area` untouched.
// Both circle rasterisers write only rows y ± k (k ≤ m, the octant limit) and y ± v, y ± (v + 1),
// where v never exceeds v(0), and the same columns about x, so a band further than
// max(m, v(0)) + 1 from the centre receives nothing. When a frame is drawn in bands, a shape that
// crosses into a band reaches it with a few of its circles; the others return here instead of
// walking their octants for no pixel.
bool Misses(const WriteArea& area, int64_t x, int64_t y, int64_t rowReach) {
  return area.Misses(x - rowReach - 1, y - rowReach - 1, x + rowReach + 1, y + rowReach + 1);
}

}  // namespace

template <class P>
void DrawCircleOutline(const Surface<P>& surface, int32_t cx, int32_t cy, int32_t radius, const ShapeColour<P>& colour,
                       typename P::Coverage opacity) {
  if (surface.width <= 0 || surface.height <= 0) return;
  const float r = static_cast<float>(radius);
  const int32_t m = OctantLimit(r);
  const int64_t x = cx, y = cy;
  const WriteArea area = surface.Writes();
  if (Misses(area, x, y, RowReach(r, m))) return;
  auto blend = [&](int64_t px, int64_t py, typename P::Coverage c) {
    BlendPixel<P>(surface, area, px, py, colour, c);
  };
  for (int32_t k = 0; k <= m; ++k) {
    const BoundaryStep b = BoundaryAt(r, k);
    if (!b.drawn) continue;
    const auto inner = CircleCoverage<P>(opacity, 1.0 - b.f);
    const auto outer = CircleCoverage<P>(opacity, b.f);
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
void FillCircle(const Surface<P>& surface, int32_t cx, int32_t cy, int32_t radius, const ShapeColour<P>& colour,
                typename P::Coverage opacity) {
  if (surface.width <= 0 || surface.height <= 0) return;
  const float r = static_cast<float>(radius);
  const int32_t m = OctantLimit(r);
  if (m < 0) return;
  const int64_t x = cx, y = cy;

  // Rows recorded are cy ± k (k ≤ m) and cy ± v, and v is largest at k = 0 (r² − k² only
  // falls), so only the buffer rows within max(m, v(0)) of the centre need table entries.
  const int64_t rowReach = RowReach(r, m);
  const WriteArea area = surface.Writes();
  if (Misses(area, x, y, rowReach)) return;
  const int64_t firstRow = std::max<int64_t>(y - rowReach, 0);
  const int64_t lastRow = std::min<int64_t>(y + rowReach, surface.height - 1);
  const int64_t rows = std::max<int64_t>(lastRow - firstRow + 1, 0);
  const ShapeRows<512> store(static_cast<std::size_t>(2 * rows));
  int32_t* spanMin = store.Get();
  int32_t* spanMax = spanMin + rows;
  std::fill(spanMin, spanMin + rows, kNoSpanMin);
  std::fill(spanMax, spanMax + rows, kNoSpanMax);

  // A small disc's rows, at their ends and middle. Larger discs measured slower with it (their
  // rows span more lines than three, and the caches' own prefetching follows their spans).
  if (rowReach <= kPrefetchedReach) {
    const int32_t columns[3] = {static_cast<int32_t>(std::clamp<int64_t>(x - rowReach - 1, 0, surface.width - 1)),
                                static_cast<int32_t>(std::clamp<int64_t>(x, 0, surface.width - 1)),
                                static_cast<int32_t>(std::clamp<int64_t>(x + rowReach + 1, 0, surface.width - 1))};
    const int64_t last = std::min<int64_t>(lastRow + 1, surface.WriteBottom() - 1);
    for (int64_t row = std::max<int64_t>(firstRow - 1, surface.WriteTop()); row <= last; ++row) {
      for (const int32_t column : columns) surface.Prefetch(column, static_cast<int32_t>(row));
    }
  }

  auto recordMin = [&](int64_t row, int64_t col) {
    if (row < firstRow || row > lastRow) return;
    int32_t& e = spanMin[row - firstRow];
    e = std::min(e, SaturateToInt32(col));
  };
  auto recordMax = [&](int64_t row, int64_t col) {
    if (row < firstRow || row > lastRow) return;
    int32_t& e = spanMax[row - firstRow];
    e = std::max(e, SaturateToInt32(col));
  };
  auto blend = [&](int64_t px, int64_t py, typename P::Coverage c) {
    BlendPixel<P>(surface, area, px, py, colour, c);
  };

  for (int32_t k = 0; k <= m; ++k) {
    const BoundaryStep b = BoundaryAt(r, k);
    if (!b.drawn) continue;
    const auto fringe = CircleCoverage<P>(opacity, b.f);
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
  FixedCoverageBlend<P> spans(colour, opacity);
  for (int64_t i = 0; i < rows; ++i) {
    const int64_t row = firstRow + i;
    int32_t lo = spanMin[i];
    int32_t hi = spanMax[i];
    if (lo > hi || area.Misses(lo, row, hi, row)) continue;  // lo > hi: a row no step recorded
    lo = std::max(lo, surface.WriteLeft());
    hi = std::min(hi, surface.WriteRight() - 1);
    spans.Run(surface.PixelAt(lo, static_cast<int32_t>(row)), hi - lo + 1);
  }
}

#define MORVANE_INSTANTIATE(P)                                                             \
  template void DrawCircleOutline<P>(const Surface<P>&, int32_t, int32_t, int32_t,          \
                                     const ShapeColour<P>&, P::Coverage);                   \
  template void FillCircle<P>(const Surface<P>&, int32_t, int32_t, int32_t,                 \
                              const ShapeColour<P>&, P::Coverage);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
