// Thick segments, joined segments, their row tracing and Bezier sampling.
// Must not: touch pixels outside the clipped bounding box, read row-table rows it has not reset,
// or let any product or offset overflow 32 bits (coordinates may be anywhere in the int32 range).
#include "raster/stroke.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "raster/blend.h"
#include "raster/convert_p.h"
#include "raster/coverage_p.h"

namespace morvane {
namespace {

// A row without a traced position: the whole clipped box width is scanned.
constexpr int32_t kNoRowEntry = 777777;

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

  float dx() const { return dx_; }
  float dy() const { return dy_; }

  // lineWidth − distance, unclamped: > 1 inside the core, ≤ 0 outside the stroke.
  float raw(int32_t x, int32_t y) const {
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

  // raw() limited to [0, 1]; NaN passes.
  float clamped(int32_t x, int32_t y) const {
    const float c = raw(x, y);
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
void scanSegment(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                 int32_t x0, int32_t y0, int32_t x1, int32_t y1, float reach,
                 const SegmentCoverage& seg, const ShapeColor<P>& color,
                 typename P::Coverage opacity, const CoverageAt& coverageAt) {
  if (width <= 0 || height <= 0) return;
  const float fx0 = static_cast<float>(x0), fx1 = static_cast<float>(x1);
  const float fy0 = static_cast<float>(y0), fy1 = static_cast<float>(y1);
  const int32_t left = truncToInt32(std::floor(std::fmin(fx0, fx1) - reach));
  const int32_t right = truncToInt32(std::ceil(std::fmax(fx0, fx1) + reach));
  const int32_t top = truncToInt32(std::floor(std::fmin(fy0, fy1) - reach));
  const int32_t bottom = truncToInt32(std::ceil(std::fmax(fy0, fy1) + reach));
  const int32_t xs = std::max(left, 0), xe = std::min(right, width - 1);
  const int32_t ys = std::max(top, 0), ye = std::min(bottom, height - 1);
  if (ys > ye || xs > xe) return;

  // The band half-width around each traced row position; −1 (horizontal) and 0 trace nothing.
  int32_t spread;
  const float dx = seg.dx(), dy = seg.dy();
  if (dx == 0.0f) {
    spread = truncToInt32(reach + 1.0f);
  } else if (dy == 0.0f) {
    spread = -1;
  } else {
    const double r15 = static_cast<double>(reach) * 1.5;
    const double s = std::fabs(dy) > std::fabs(dx) ? dy * r15 / dx : dx * r15 / dy;
    spread = truncToInt32(std::fabs(s));  // == abs((int)s)
  }

  // Only rows ys..ye are read, so only they are reset. Tracing may write other rows of the
  // buffer too (for a width below 0.5), which nothing reads.
  int32_t* rows = rowScratch(static_cast<std::size_t>(height));
  std::fill(rows + ys, rows + ye + 1, kNoRowEntry);
  if (spread > 0) traceSegmentRows(x0, y0, x1, y1, rows, width, height);

  for (int32_t y = ys; y <= ye; ++y) {
    int64_t lo = xs, hi = xe;
    if (rows[y] != kNoRowEntry) {
      lo = std::max<int64_t>(int64_t{rows[y]} - spread, xs);
      hi = std::min<int64_t>(int64_t{rows[y]} + spread, xe);
    }
    if (lo > hi) continue;
    typename P::Channel* px = base + pixelOffset(static_cast<int32_t>(lo), y, rowStride);
    for (int32_t x = static_cast<int32_t>(lo); x <= hi; ++x, px += 4) {
      const float c = coverageAt(x, y);
      if (c <= 0.0f) continue;
      blendPixelAt<P>(px, color, strokeCoverage<P>(opacity, c));
    }
  }
}

float reachOf(float lineWidth) { return static_cast<float>(static_cast<double>(lineWidth) - 0.5); }

}  // namespace

template <class P>
void drawThickLine(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                   int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth,
                   const ShapeColor<P>& color, typename P::Coverage opacity) {
  const float reach = reachOf(lineWidth);
  const SegmentCoverage seg(x0, y0, x1, y1, reach);
  scanSegment<P>(base, width, height, rowStride, x0, y0, x1, y1, reach, seg, color, opacity,
                 [&seg](int32_t x, int32_t y) {
                   const float c = seg.raw(x, y);
                   return c >= 1.0f ? 1.0f : c;
                 });
}

template <class P>
void drawJoinedSegment(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                       int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth, int32_t x2,
                       int32_t y2, const ShapeColor<P>& color, typename P::Coverage opacity) {
  const float reach = reachOf(lineWidth);
  const SegmentCoverage seg(x0, y0, x1, y1, reach);
  const SegmentCoverage next(x1, y1, x2, y2, reach);
  scanSegment<P>(base, width, height, rowStride, x0, y0, x1, y1, reach, seg, color, opacity,
                 [&seg, &next](int32_t x, int32_t y) {
                   // Outside this segment k = −c2 ≤ 0 whatever the next segment gives (c2 is
                   // never NaN when c1 is not), so the second distance is not needed.
                   const float c1 = seg.clamped(x, y);
                   if (c1 <= 0.0f) return 0.0f;
                   const float k = c1 - next.clamped(x, y);
                   return k < 1.0f ? k : 1.0f;  // fminf(k, 1): NaN gives 1
                 });
}

void traceSegmentRows(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t* rowTable,
                      int32_t /*width*/, int32_t height) {
  // 64-bit positions: y × 65536 and the step numerators overflow 32 bits from |y| = 32768 on.
  // The shift floors, exactly as the 32-bit arithmetic does where it does not overflow.
  const int64_t adx = std::llabs(int64_t{x0} - x1);
  const int64_t ady = std::llabs(int64_t{y0} - y1);
  if (adx > ady) {
    int64_t fy = int64_t{y0} * 65536 + 32768;  // y0 plus one half
    int64_t step = ady * 65536 / adx;
    if (y0 > y1) step = -step;
    const int64_t dir = x0 < x1 ? 1 : -1;
    int64_t x = x0;
    for (int64_t i = 0; i <= adx; ++i, fy += step, x += dir) {
      const int64_t row = fy >> 16;
      if (row >= 0 && row < height && x < rowTable[row]) rowTable[row] = static_cast<int32_t>(x);
    }
  } else {
    int64_t fx = int64_t{x0} * 65536 + 32768;
    int64_t step = ady == 0 ? 0 : adx * 65536 / ady;
    if (x0 > x1) step = -step;
    const int64_t dir = y0 < y1 ? 1 : -1;
    int64_t row = y0;
    for (int64_t i = 0; i <= ady; ++i, fx += step, row += dir) {
      // fx >> 16 stays between x0 and x1, so it fits the table's 32-bit entries.
      if (row >= 0 && row < height && (fx >> 16) < rowTable[row]) {
        rowTable[row] = static_cast<int32_t>(fx >> 16);
      }
    }
  }
}

float quadraticBezier(float p0, float p1, float p2, float t) {
  const float u = 1.0f - t;
  const double uu = static_cast<double>(u) * u;
  const double tt = static_cast<double>(t) * t;
  const float middle = (u + u) * t * p1;
  return static_cast<float>(uu * p0 + static_cast<double>(middle) + tt * p2);
}

#define MORVANE_STROKE_AT_DEPTH(P)                                                               \
  template void drawThickLine<P>(P::Channel*, int32_t, int32_t, int32_t, int32_t, int32_t,       \
                                 int32_t, int32_t, float, const ShapeColor<P>&, P::Coverage);    \
  template void drawJoinedSegment<P>(P::Channel*, int32_t, int32_t, int32_t, int32_t, int32_t,   \
                                     int32_t, int32_t, float, int32_t, int32_t,                  \
                                     const ShapeColor<P>&, P::Coverage);
MORVANE_STROKE_AT_DEPTH(Pixel8)
MORVANE_STROKE_AT_DEPTH(Pixel16)
MORVANE_STROKE_AT_DEPTH(PixelFloat)
#undef MORVANE_STROKE_AT_DEPTH

}  // namespace morvane
