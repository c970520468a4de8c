// Thick segments, joined segments, their row tracing and Bezier sampling.
// Must not: touch pixels outside the clipped bounding box, read row-table rows it has not reset,
// or let any product or offset overflow 32 bits (coordinates may be anywhere in the int32 range).
#include "raster/stroke.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include "raster/blend.h"
#include "raster/coverage_p.h"
#include "raster/coverage_row_blend_p.h"
#include "raster/edge_step_p.h"
#include "raster/row_scratch_p.h"
#include "raster/stroke_coverage_p.h"
#include "support/numeric.h"

namespace morvane {
namespace {

// A row without a traced position: the whole clipped box width is scanned. Tracing only lowers
// entries, and no segment column reaches this one (columns lie between the ends' int32 values).
constexpr int32_t kNoRowEntry = std::numeric_limits<int32_t>::max();

// Segments of fewer rows than this trace them into a table on the stack (ShapeRows).
constexpr int64_t kOwnRows = 256;
// Pixels evaluated together: the row's coverage is computed into a buffer of this many values.
constexpr int32_t kChunk = 128;
// Rows are narrowed to the columns a stroke reaches only when that saves more than finding them
// costs (tens of pixels' evaluation): when the row is wider than the stroke by a good margin.
// Measured (8-bit, one thread): a fixed 24 columns held thick strokes back (Bold Strokes 627 ms
// against 466 ms at 96), a fixed 96 thin ones (Rough Scratch 132 against 145).
constexpr int64_t kNarrowFrom = 24;
// The cheaper narrowing to the stroke's band (CapsuleColumns::NarrowToBand) pays from rows of a
// few groups of four pixels; a short segment's rows are shorter.
constexpr int64_t kBandFrom = 8;
// Strokes narrower than this reach (a core under four pixels) have rows much wider than
// themselves, which the band narrowing pays on; thicker ones measured slower with it (Wiggly Felt
// Pen float 10 %).
bool IsThin(float reach) { return reach < 2.0f; }
int64_t NarrowFrom(float reach) {
  return reach < 64.0f ? kNarrowFrom + 4 * static_cast<int64_t>(reach) : kNarrowFrom + 256;
}

// The rows a segment's box spans, top..bottom: its ends' rows widened by the reach.
struct BoxRows {
  int32_t top, bottom;
};
inline BoxRows BoxRowsOf(int32_t y0, int32_t y1, float reach) {
  const float fy0 = static_cast<float>(y0), fy1 = static_cast<float>(y1);
  // The coordinates come from integers, so plain comparisons give fmin and fmax.
  return {FloorToInt32(std::min(fy0, fy1) - reach), CeilToInt32(std::max(fy0, fy1) + reach)};
}


// The rows ys..ye of a thin stroke (see ScanSegment), whose rows are a few pixels long: their
// pixels are gathered over many rows into one list, whose coverage is evaluated with every lane
// of a group holding a pixel, and then blended row by row. A thin stroke has no solid core
// (CapsuleColumns::Solid wants a core of a few pixels). rowWindow(y, lo, hi) gives the columns
// of row y to scan before narrowing, evaluate(lo, hi, y) evaluates and blends one row alone, and
// adjust takes rows of at most kChunk pixels.
template <class P, class RowWindow, class Adjust, class Evaluate>
void ScanThinRows(const Surface<P>& surface, int32_t ys, int32_t ye, const SegmentCoverage& seg,
                  const CoverageRowBlend<P>& blend, const CapsuleColumns& capsule,
                  int64_t narrowFrom, const RowWindow& rowWindow, const Adjust& adjust,
                  const Evaluate& evaluate) {
  constexpr int32_t kListPixels = 256;
  constexpr int32_t kListRows = 64;
  struct ListedRow {
    int32_t x, y, count;
  };
  // Room for a group of four written past the last pixel (see below).
  int32_t listX[kListPixels + 4], listY[kListPixels + 4];
  float coverage[kListPixels];
  ListedRow listed[kListRows];
  int32_t pixels = 0, rows = 0;
  const auto flush = [&] {
    seg.ClampedList(listX, listY, pixels, coverage);
    float* c = coverage;
    for (int32_t r = 0; r < rows; ++r) {
      const ListedRow& row = listed[r];
      adjust(row.x, row.y, row.count, c);
      blend(surface.PixelAt(row.x, row.y), c, row.count);
      c += row.count;
    }
    pixels = 0;
    rows = 0;
  };
  for (int32_t y = ys; y <= ye; ++y) {
    int64_t lo, hi;
    rowWindow(y, lo, hi);
    if (hi - lo < narrowFrom) {
      if (hi - lo >= kBandFrom) capsule.NarrowToBand(y, lo, hi);
    } else {
      capsule.Narrow(y, lo, hi);
    }
    if (lo > hi) continue;
    const int64_t count = hi - lo + 1;
    if (pixels + count > kListPixels || rows == kListRows) flush();
    // A row longer than adjust() and the row evaluation take at once goes through the row
    // evaluation, which cuts it into chunks.
    if (count > kChunk) {
      evaluate(lo, hi, y);
      continue;
    }
    listed[rows++] = {static_cast<int32_t>(lo), y, static_cast<int32_t>(count)};
    int32_t i = 0;
#if defined(__SSE2__)
    // Four at a time, the last group running up to three entries past the row's pixels: the
    // next row overwrites them, and nothing reads beyond the listed pixels.
    const __m128i columns = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(lo)), _mm_set_epi32(3, 2, 1, 0));
    const __m128i row = _mm_set1_epi32(y);
    for (; i < count; i += 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(listX + pixels + i), _mm_add_epi32(columns, _mm_set1_epi32(i)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(listY + pixels + i), row);
    }
#endif
    for (; i < count; ++i) {
      listX[pixels + i] = static_cast<int32_t>(lo) + i;
      listY[pixels + i] = y;
    }
    pixels += static_cast<int32_t>(count);
  }
  if (pixels > 0) flush();
}

// Scans the pixels of segment P0 → P1 that its bounding box (rows: box) and row band allow, and
// blends each with coverage × opacity; a coverage ≤ 0 leaves the pixel alone. Only the columns
// the stroke can reach are evaluated (CapsuleColumns::Narrow): the others have no coverage, so
// skipping them changes no pixel. Columns that solid(y, lo, hi) reports have coverage 1 and are
// blended without evaluating it. Each pixel's coverage is the segment's clamped coverage, which
// adjust(x, y, count, c) may then change for the count pixels of row y from x.
template <class P, class Adjust, class SolidColumns>
void ScanSegment(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                 float reach, const BoxRows& box, const SegmentCoverage& seg,
                 const ShapeColour<P>& colour, typename P::Coverage opacity, const CapsuleColumns& capsule,
                 const Adjust& adjust, const SolidColumns& solid) {
  const int32_t width = surface.width, height = surface.height;
  if (width <= 0 || height <= 0) return;
  const float fx0 = static_cast<float>(x0), fx1 = static_cast<float>(x1);
  // The coordinates come from integers, so plain comparisons give fmin and fmax.
  const int32_t left = FloorToInt32(std::min(fx0, fx1) - reach);
  const int32_t right = CeilToInt32(std::max(fx0, fx1) + reach);
  const auto [top, bottom] = box;
  const int32_t xs = std::max(left, surface.WriteLeft()), xe = std::min(right, surface.WriteRight() - 1);
  const int32_t ys = std::max(top, surface.WriteTop());
  const int32_t ye = std::min(bottom, surface.WriteBottom() - 1);
  if (ys > ye || xs > xe) return;

  // The band half-width around each traced row position; −1 (horizontal) and 0 trace nothing.
  const int64_t narrowFrom = NarrowFrom(reach);
  const bool thin = IsThin(reach);
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
  // buffer too (for a width below 0.5), which nothing reads. Without tracing every row is scanned
  // across the box and the table is not needed at all (most segments of a curve are a few pixels
  // long, where filling it took a quarter of the time). The table's entry for row y is
  // rows[y − rowBase]: a segment of a few hundred rows is traced rowBase = ys rows up into a
  // table of its own rows (tracing moves with whole rows: 16.16 positions), others into one of
  // the frame's.
  const int64_t shiftedY0 = int64_t{y0} - ys, shiftedY1 = int64_t{y1} - ys;
  const bool ownRows = int64_t{ye} - ys < kOwnRows && shiftedY0 >= INT32_MIN && shiftedY1 >= INT32_MIN &&
                       shiftedY0 <= INT32_MAX && shiftedY1 <= INT32_MAX;
  const int32_t rowBase = ownRows ? ys : 0;
  ShapeRows<kOwnRows> rowStore(spread > 0 ? static_cast<std::size_t>(ownRows ? ye - ys + 1 : height) : 0);
  int32_t* rows = nullptr;
  if (spread > 0) {
    rows = rowStore.Get();
    for (int32_t y = ys; y <= ye; ++y) rows[y - rowBase] = kNoRowEntry;
    if (ownRows) {
      TraceSegmentRows(x0, static_cast<int32_t>(shiftedY0), x1, static_cast<int32_t>(shiftedY1), rows,
                       ye - ys + 1);
    } else {
      TraceSegmentRows(x0, y0, x1, y1, rows, height);
    }
  }
  // The columns of row y to scan: the band around its traced position, or the whole box.
  const auto rowWindow = [&](int32_t y, int64_t& lo, int64_t& hi) {
    lo = xs;
    hi = xe;
    if (rows && rows[y - rowBase] != kNoRowEntry) {
      lo = std::max<int64_t>(int64_t{rows[y - rowBase]} - spread, xs);
      hi = std::min<int64_t>(int64_t{rows[y - rowBase]} + spread, xe);
    }
  };
  // Every row's first and last pixel, asked for before any is drawn.
  for (int32_t y = ys; y <= ye; ++y) {
    int64_t lo, hi;
    rowWindow(y, lo, hi);
    if (lo > hi) continue;
    surface.Prefetch(static_cast<int32_t>(lo), y);
    surface.Prefetch(static_cast<int32_t>(hi), y);
  }

  // Cheap to set up (a few words cleared), so set up whether or not a solid run comes.
  FixedCoverageBlend<P> solidBlend(colour, StrokeCoverage<P>(opacity, 1.0f));
  const CoverageRowBlend<P> rowBlend(colour, opacity);
  float coverage[kChunk];
  // Blends the pixels lo..hi of row y by their evaluated coverage.
  const auto evaluate = [&](int64_t lo, int64_t hi, int32_t y) {
    for (int64_t start = lo; start <= hi; start += kChunk) {
      const int32_t count = static_cast<int32_t>(std::min<int64_t>(kChunk, hi - start + 1));
      seg.ClampedRow(static_cast<int32_t>(start), y, count, coverage);
      adjust(static_cast<int32_t>(start), y, count, coverage);
      rowBlend(surface.PixelAt(static_cast<int32_t>(start), y), coverage, count);
    }
  };
  if (thin && capsule.Usable()) {
    ScanThinRows(surface, ys, ye, seg, rowBlend, capsule, narrowFrom, rowWindow, adjust, evaluate);
    return;
  }
  for (int32_t y = ys; y <= ye; ++y) {
    int64_t lo, hi;
    rowWindow(y, lo, hi);
    if (hi - lo < narrowFrom || !capsule.Usable()) {
      // Not worth the exact columns and the solid core (a thin stroke with a usable capsule, for
      // which the band's columns pay, went to ScanThinRows); a thick stroke's rows are about as
      // wide as the band.
      evaluate(lo, hi, y);
      continue;
    }
    capsule.Narrow(y, lo, hi);
    int64_t solidLo, solidHi;
    solid(y, solidLo, solidHi);
    solidLo = std::max(solidLo, lo);
    solidHi = std::min(solidHi, hi);
    if (solidLo > solidHi) {
      evaluate(lo, hi, y);
      continue;
    }
    evaluate(lo, solidLo - 1, y);
    solidBlend.Run(surface.PixelAt(static_cast<int32_t>(solidLo), y), solidHi - solidLo + 1);
    evaluate(solidHi + 1, hi, y);
  }
}

float ReachOf(float lineWidth) { return static_cast<float>(static_cast<double>(lineWidth) - 0.5); }

DecidedSums SumsOf(const StrokeWidth& width) { return DecidedSums{width.FullSum(), width.NoneSum()}; }

}  // namespace

StrokeWidth::StrokeWidth(float lineWidth) : lineWidth_(lineWidth), reach_(ReachOf(lineWidth)) {
  const DecidedSums sums = DecidedSums::Of(reach_);
  fullSum_ = sums.full;
  noneSum_ = sums.none;
}

template <class P>
void DrawThickLine(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                   const StrokeWidth& width, const ShapeColour<P>& colour,
                   typename P::Coverage opacity) {
  const float reach = width.Reach();
  const BoxRows box = BoxRowsOf(y0, y1, reach);
  // A shape drawn in bands reaches most bands with few of its segments; the others return
  // before their coverage is set up.
  if (surface.Writes().MissesRows(box.top, box.bottom)) return;
  const SegmentCoverage seg(x0, y0, x1, y1, reach, SumsOf(width));
  const CapsuleColumns capsule(x0, y0, x1, y1, reach);
  ScanSegment<P>(
      surface, x0, y0, x1, y1, reach, box, seg, colour, opacity, capsule,
      // The segment's coverage as it is (clamped to 0..1: a coverage ≤ 0 leaves the pixel alone
      // either way).
      [](int32_t, int32_t, int32_t, float*) {},
      [&capsule](int32_t y, int64_t& lo, int64_t& hi) { capsule.Solid(y, lo, hi); });
}

template <class P>
void DrawJoinedSegment(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                       const StrokeWidth& width, int32_t x2, int32_t y2,
                       const ShapeColour<P>& colour, typename P::Coverage opacity) {
  const float reach = width.Reach();
  const BoxRows box = BoxRowsOf(y0, y1, reach);
  // A shape drawn in bands reaches most bands with few of its segments; the others return
  // before their coverage is set up.
  if (surface.Writes().MissesRows(box.top, box.bottom)) return;
  const DecidedSums sums = SumsOf(width);
  const SegmentCoverage seg(x0, y0, x1, y1, reach, sums);
  const SegmentCoverage next(x1, y1, x2, y2, reach, sums);
  const CapsuleColumns capsule(x0, y0, x1, y1, reach);
  const CapsuleColumns nextCapsule(x1, y1, x2, y2, reach);
  ScanSegment<P>(
      surface, x0, y0, x1, y1, reach, box, seg, colour, opacity, capsule,
      [&next, &nextCapsule, narrowFrom = NarrowFrom(reach), thin = IsThin(reach)](
          int32_t x, int32_t y, int32_t count, float* out) {
        // The next segment is evaluated only over the columns it can reach: elsewhere its
        // coverage is 0 and the difference below is this segment's own. Working out those
        // columns costs more than it saves on short runs.
        int64_t lo = x, hi = int64_t{x} + count - 1;
        if (nextCapsule.Usable()) {
          nextCapsule.NarrowToBand(y, lo, hi, thin);
          if (lo <= hi && count >= narrowFrom) nextCapsule.Narrow(y, lo, hi);
        }
        // Where the next segment reaches none of these columns the difference below is this
        // segment's clamped coverage as it stands (never NaN: its squared distance and the
        // reach are never NaN, and an infinite reach gives +Inf, clamped to 1).
        if (lo > hi) return;
        float following[kChunk];
        std::fill(following, following + count, 0.0f);
        next.ClampedRow(static_cast<int32_t>(lo), y, static_cast<int32_t>(hi - lo + 1),
                        following + (lo - x));
        int32_t i = 0;
#if defined(__SSE2__)
        // Four at a time, the same comparisons as below lane by lane.
        const __m128 one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps();
        for (; i + 4 <= count; i += 4) {
          const __m128 c1 = _mm_loadu_ps(out + i);
          const __m128 k = _mm_sub_ps(c1, _mm_loadu_ps(following + i));
          const __m128 below = _mm_cmplt_ps(k, one);
          const __m128 v = _mm_or_ps(_mm_and_ps(below, k), _mm_andnot_ps(below, one));
          _mm_storeu_ps(out + i, _mm_andnot_ps(_mm_cmple_ps(c1, zero), v));
        }
#endif
        for (; i < count; ++i) {
          // Outside this segment the pixel is left alone whatever the next segment gives (c2
          // is never NaN when c1 is not).
          const float c1 = out[i];
          if (c1 <= 0.0f) {
            out[i] = 0.0f;
            continue;
          }
          const float k = c1 - following[i];
          out[i] = k < 1.0f ? k : 1.0f;  // fminf(k, 1): NaN gives 1
        }
      },
      // Coverage 1 where this segment's is 1 and the next segment's is 0: the solid columns of
      // this one outside every column the next one can reach (the larger part when it splits).
      [&capsule, &nextCapsule](int32_t y, int64_t& lo, int64_t& hi) {
        capsule.Solid(y, lo, hi);
        if (lo > hi) return;
        if (!nextCapsule.Usable()) {
          hi = lo - 1;  // where the next segment reaches is unknown
          return;
        }
        int64_t nlo = INT64_MIN, nhi = INT64_MAX;
        nextCapsule.Narrow(y, nlo, nhi);
        if (nlo > nhi || nhi < lo || nlo > hi) return;
        const int64_t leftPart = nlo - lo, rightPart = hi - nhi;
        if (leftPart >= rightPart) {
          hi = nlo - 1;
        } else {
          lo = nhi + 1;
        }
      });
}

void TraceSegmentRows(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t* rowTable,
                      int32_t height) {
  StepSegment(x0, y0, x1, y1, [rowTable, height](int64_t col, int64_t row) {
    if (row >= 0 && row < height && col < rowTable[row]) rowTable[row] = static_cast<int32_t>(col);
  });
}

float QuadraticBezier(float p0, float p1, float p2, float t) {
  const float u = 1.0f - t;
  const double uu = static_cast<double>(u) * u;
  const double tt = static_cast<double>(t) * t;
  const float middle = (u + u) * t * p1;
  return static_cast<float>(uu * p0 + static_cast<double>(middle) + tt * p2);
}

#define MORVANE_INSTANTIATE(P)                                                                  \
  template void DrawThickLine<P>(const Surface<P>&, int32_t, int32_t, int32_t, int32_t,          \
                                 const StrokeWidth&, const ShapeColour<P>&, P::Coverage);        \
  template void DrawJoinedSegment<P>(const Surface<P>&, int32_t, int32_t, int32_t, int32_t,      \
                                     const StrokeWidth&, int32_t, int32_t, const ShapeColour<P>&, \
                                     P::Coverage);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
