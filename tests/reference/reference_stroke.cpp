// Reference copy of the stroke rasteriser as it was before any speed work: every pixel of the
// row band is evaluated one at a time. Test-only; the differential tests compare raster/ with it.
// Must not: touch pixels outside the clipped bounding box, read row-table rows it has not reset,
// or let any product or offset overflow 32 bits (coordinates may be anywhere in the int32 range).
#include "tests/reference/reference_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "tests/reference/reference_blend.h"
#include "raster/coverage_p.h"
#include "raster/row_scratch_p.h"
#include "support/numeric.h"

namespace morvane::reference {
namespace {

// A row without a traced position: the whole clipped box width is scanned. Tracing only lowers
// entries, and no segment column reaches this one (columns lie between the ends' int32 values).
constexpr int32_t kNoRowEntry = std::numeric_limits<int32_t>::max();

// Per-pixel coverage of one segment, with everything that depends only on the segment hoisted.
class SegmentCoverage {
 public:
  SegmentCoverage(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float reach)
      : ox_(static_cast<float>(x0)),
        oy_(static_cast<float>(y0)),
        dx_(static_cast<float>(int64_t{x1} - x0)),
        dy_(static_cast<float>(int64_t{y1} - y0)),
        len2_(dy_ * dy_ + dx_ * dx_),
        reach_(reach) {}

  float Dx() const { return dx_; }
  float Dy() const { return dy_; }

  // lineWidth − distance, unclamped: > 1 inside the core, ≤ 0 outside the stroke.
  float Raw(int32_t x, int32_t y) const {
    const float rx = static_cast<float>(x) - ox_;
    const float ry = static_cast<float>(y) - oy_;
    float t = (rx * dx_ + ry * dy_) / len2_;
    // fminf/fmaxf written as comparisons, which compile to single instructions: a NaN t (a
    // zero-length segment) becomes 1, as fminf(NaN, 1) gives.
    t = t < 1.0f ? t : 1.0f;
    t = t > 0.0f ? t : 0.0f;
    const float ex = rx - t * dx_;
    const float ey = ry - t * dy_;
    const double distance = std::sqrt(static_cast<double>(ex * ex + ey * ey));
    return 0.5f - static_cast<float>(distance - static_cast<double>(reach_));
  }

  // Raw() limited to [0, 1]; NaN passes.
  float Clamped(int32_t x, int32_t y) const {
    const float c = Raw(x, y);
    if (c <= 0.0f) return 0.0f;
    if (c >= 1.0f) return 1.0f;
    return c;
  }

 private:
  float ox_, oy_, dx_, dy_, len2_, reach_;
};

// Scans the pixels of segment P0 → P1 that its bounding box and row band allow, and blends each
// with coverageAt(x, y) × opacity; a coverage ≤ 0 leaves the pixel alone.
template <class P, class CoverageAt>
void ScanSegment(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                 float reach, const SegmentCoverage& seg, const ShapeColour<P>& colour,
                 typename P::Coverage opacity, const CoverageAt& coverageAt) {
  const int32_t width = surface.width, height = surface.height;
  if (width <= 0 || height <= 0) return;
  const float fx0 = static_cast<float>(x0), fx1 = static_cast<float>(x1);
  const float fy0 = static_cast<float>(y0), fy1 = static_cast<float>(y1);
  const int32_t left = TruncToInt32(std::floor(std::fmin(fx0, fx1) - reach));
  const int32_t right = TruncToInt32(std::ceil(std::fmax(fx0, fx1) + reach));
  const int32_t top = TruncToInt32(std::floor(std::fmin(fy0, fy1) - reach));
  const int32_t bottom = TruncToInt32(std::ceil(std::fmax(fy0, fy1) + reach));
  const int32_t xs = std::max(left, 0), xe = std::min(right, width - 1);
  const int32_t ys = std::max(top, 0), ye = std::min(bottom, height - 1);
  if (ys > ye || xs > xe) return;

  // The band half-width around each traced row position; −1 (horizontal) and 0 trace nothing.
  int32_t spread;
  const float dx = seg.Dx(), dy = seg.Dy();
  if (dx == 0.0f) {
    spread = TruncToInt32(reach + 1.0f);
  } else if (dy == 0.0f) {
    spread = -1;
  } else {
    const double r15 = static_cast<double>(reach) * 1.5;
    const double s = std::fabs(dy) > std::fabs(dx) ? dy * r15 / dx : dx * r15 / dy;
    spread = TruncToInt32(std::fabs(s));  // == abs((int)s)
  }

  // Only rows ys..ye are read, so only they are reset. Tracing may write other rows of the
  // buffer too (for a width below 0.5), which nothing reads.
  int32_t* rows = RowScratch(static_cast<std::size_t>(height));
  std::fill(rows + ys, rows + ye + 1, kNoRowEntry);
  if (spread > 0) TraceSegmentRows(x0, y0, x1, y1, rows, height);

  for (int32_t y = ys; y <= ye; ++y) {
    int64_t lo = xs, hi = xe;
    if (rows[y] != kNoRowEntry) {
      lo = std::max<int64_t>(int64_t{rows[y]} - spread, xs);
      hi = std::min<int64_t>(int64_t{rows[y]} + spread, xe);
    }
    if (lo > hi) continue;
    typename P::Channel* px = surface.PixelAt(static_cast<int32_t>(lo), y);
    for (int32_t x = static_cast<int32_t>(lo); x <= hi; ++x, px += 4) {
      const float c = coverageAt(x, y);
      if (c <= 0.0f) continue;
      reference::BlendPixelAt<P>(px, colour, StrokeCoverage<P>(opacity, c));
    }
  }
}

float ReachOf(float lineWidth) { return static_cast<float>(static_cast<double>(lineWidth) - 0.5); }

}  // namespace

template <class P>
void DrawThickLine(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth,
                   const ShapeColour<P>& colour, typename P::Coverage opacity) {
  const float reach = ReachOf(lineWidth);
  const SegmentCoverage seg(x0, y0, x1, y1, reach);
  ScanSegment<P>(surface, x0, y0, x1, y1, reach, seg, colour, opacity,
                 [&seg](int32_t x, int32_t y) {
                   const float c = seg.Raw(x, y);
                   return c >= 1.0f ? 1.0f : c;
                 });
}

template <class P>
void DrawJoinedSegment(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth, int32_t x2,
                       int32_t y2, const ShapeColour<P>& colour, typename P::Coverage opacity) {
  const float reach = ReachOf(lineWidth);
  const SegmentCoverage seg(x0, y0, x1, y1, reach);
  const SegmentCoverage next(x1, y1, x2, y2, reach);
  ScanSegment<P>(surface, x0, y0, x1, y1, reach, seg, colour, opacity,
                 [&seg, &next](int32_t x, int32_t y) {
                   // Outside this segment k = −c2 ≤ 0 whatever the next segment gives (c2 is
                   // never NaN when c1 is not), so the second distance is not needed.
                   const float c1 = seg.Clamped(x, y);
                   if (c1 <= 0.0f) return 0.0f;
                   const float k = c1 - next.Clamped(x, y);
                   return k < 1.0f ? k : 1.0f;  // fminf(k, 1): NaN gives 1
                 });
}

void TraceSegmentRows(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t* rowTable,
                      int32_t height) {
  StepSegment(x0, y0, x1, y1, [rowTable, height](int64_t col, int64_t row) {
    if (row >= 0 && row < height && col < rowTable[row]) rowTable[row] = static_cast<int32_t>(col);
  });
}

#define MORVANE_INSTANTIATE(P)                                                                 \
  template void DrawThickLine<P>(const Surface<P>&, int32_t, int32_t, int32_t, int32_t, float,  \
                                 const ShapeColour<P>&, P::Coverage);                           \
  template void DrawJoinedSegment<P>(const Surface<P>&, int32_t, int32_t, int32_t, int32_t,     \
                                     float, int32_t, int32_t, const ShapeColour<P>&, P::Coverage);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane::reference
