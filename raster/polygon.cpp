// Triangle and quadrilateral fill: edge stepping into a span table, the coverage band along the
// clipped edges, then the span pass.
// Must not: let 16.16 positions or step numerators overflow (they are 64-bit: coordinates may be
// anywhere in the int32 range), or draw a band pixel inside a span (the two passes never overlap).
#include "raster/polygon.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "raster/blend.h"
#include "raster/coverage_p.h"
#include "raster/edge_step_p.h"
#include "raster/polygon_p.h"
#include "raster/row_scratch_p.h"
#include "support/numeric.h"

namespace morvane {

void SpanTable::Reset() {
  const int64_t rows = std::max<int64_t>(int64_t{lastRow} - firstRow + 1, 0);
  std::fill(spanMin, spanMin + rows, kSpanEmptyMin);
  std::fill(spanMax, spanMax + rows, kSpanEmptyMax);
}

void ScanEdge(int32_t x0, int32_t y0, int32_t x1, int32_t y1, SpanTable& table) {
  StepSegment(x0, y0, x1, y1, [&table](int64_t col, int64_t row) {
    if (!table.Holds(row)) return;
    const int64_t i = row - table.firstRow;
    table.spanMin[i] = std::min(table.spanMin[i], static_cast<int32_t>(col));
    table.spanMax[i] = std::max(table.spanMax[i], static_cast<int32_t>(col));
  });
}

namespace {

int32_t ClampBelow(int32_t v, int32_t limit) {
  if (v < 0) return 0;
  if (v >= limit) return limit - 1;
  return v;
}

}  // namespace

void ClipEndpoint(int32_t& x, int32_t& y, int64_t dx, int64_t dy, int32_t code, int32_t width,
                  int32_t height) {
  // Single-precision throughout, as the picture was made; the integer numerators are formed in
  // 64 bits first so that no coordinate can overflow them.
  const float fdx = static_cast<float>(dx);
  const float fdy = static_cast<float>(dy);
  if (code & kRight) {
    const float n = static_cast<float>(int64_t{width} - x - 1);
    y = TruncToInt32(fdy * (n / fdx) + static_cast<float>(y));
    x = width - 1;
    y = ClampBelow(y, height);
  }
  if (code & kLeft) {
    const float n = static_cast<float>(-int64_t{x});
    y = TruncToInt32(fdy * (n / fdx) + static_cast<float>(y));
    x = 0;
    y = ClampBelow(y, height);
  }
  if (code & kAbove) {
    const float n = static_cast<float>(-int64_t{y});
    x = TruncToInt32(fdx * (n / fdy) + static_cast<float>(x));
    y = 0;
    x = ClampBelow(x, width);
  }
  if (code & kBelow) {
    const float n = static_cast<float>(int64_t{height} - y - 1);
    x = TruncToInt32(fdx * (n / fdy) + static_cast<float>(x));
    y = height - 1;
    x = ClampBelow(x, width);
  }
}

bool ClipSegment(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1, int32_t width,
                 int32_t height) {
  // The direction is taken once, rounded through float, and kept for every clip that follows.
  const int64_t dx = static_cast<int64_t>(static_cast<float>(int64_t{x1} - x0));
  const int64_t dy = static_cast<int64_t>(static_cast<float>(int64_t{y1} - y0));
  for (int iteration = 0; iteration < 3; ++iteration) {
    int32_t c0 = OutcodeOf(x0, y0, width, height);
    int32_t c1 = OutcodeOf(x1, y1, width, height);
    if ((c0 | c1) == 0) return true;
    if (c0 & c1) return false;
    if (c0) ClipEndpoint(x0, y0, dx, dy, c0, width, height);
    c0 = OutcodeOf(x0, y0, width, height);
    c1 = OutcodeOf(x1, y1, width, height);
    if ((c0 | c1) == 0) return true;
    if (c0 & c1) return false;
    if (c1) ClipEndpoint(x1, y1, dx, dy, c1, width, height);
  }
  return false;
}

template <class P>
void DrawEdgeBand(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  const ShapeColour<P>& colour, typename P::Coverage opacity,
                  const SpanTable& table) {
  if (surface.width <= 0 || surface.height <= 0) return;
  if (!ClipSegment(x0, y0, x1, y1, surface.width, surface.height)) return;
  const WriteArea area = surface.Writes();
  // The clipped edge's pixels lie on its rows and the row below them. An edge of a shape drawn
  // in bands often has none in this band, and stepping its columns would find that one by one.
  if (area.MissesRows(std::min(y0, y1), int64_t{std::max(y0, y1)} + 1)) return;
  const int32_t writeTop = surface.WriteTop(), writeBottom = surface.WriteBottom();
  const BandCoverage<P> band(opacity);
  auto draw = [&](int64_t x, int64_t row, int32_t weight) {
    if (row < 0 || row >= surface.height || !table.Outside(row, x)) return;
    BlendPixel<P>(surface, area, x, row, colour, band(weight));
  };
  // The clipped ends lie inside the buffer; no half-pixel offset here, unlike the edge scan.
  if (std::abs(x1 - x0) > std::abs(y1 - y0)) {
    if (x0 > x1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
    }
    const int64_t step = x0 == x1 ? 0 : int64_t{y1 - y0} * 65536 / (x1 - x0);
    int64_t fy = int64_t{y0} * 65536;
    for (int32_t x = x0; x <= x1; ++x, fy += step) {
      const int64_t row = fy >> 16;
      if (row + 1 < writeTop || row >= writeBottom) continue;  // both pixels outside the rows
      const int32_t frac = static_cast<int32_t>(fy & 65535);
      draw(x, row, 65535 - frac);
      draw(x, row + 1, frac);
    }
  } else {
    if (y0 > y1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
    }
    const int64_t step = y0 == y1 ? 0 : int64_t{x1 - x0} * 65536 / (y1 - y0);
    // Rows above the writable ones are stepped over at once: the position after k steps is the
    // start plus k steps, exactly.
    const int32_t first = std::max(y0, writeTop);
    const int32_t last = std::min(y1, writeBottom - 1);
    int64_t fx = int64_t{x0} * 65536 + int64_t{first - y0} * step;
    for (int32_t y = first; y <= last; ++y, fx += step) {
      const int64_t col = fx >> 16;
      const int32_t frac = static_cast<int32_t>(fx & 65535);
      draw(col, y, 65535 - frac);
      draw(col + 1, y, frac);
    }
  }
}

template <class P>
void FillSpans(const Surface<P>& surface, const SpanTable& table, const ShapeColour<P>& colour,
               typename P::Coverage opacity) {
  const int32_t left = surface.WriteLeft(), right = surface.WriteRight();
  using Ch = typename P::Channel;
  // At full opacity the blend's result is the colour with full alpha (exactly so at 8 and 16
  // bits); writing it directly also makes float spans exact over any previous content.
  const bool full = opacity == static_cast<typename P::Coverage>(P::kFull);
  const int32_t first = std::max(table.firstRow, surface.WriteTop());
  const int32_t last = std::min(table.lastRow, surface.WriteBottom() - 1);
  FixedCoverageBlend<P> blend(colour, opacity);
  for (int32_t row = first; row <= last; ++row) {
    const int32_t lo = table.spanMin[row - table.firstRow];
    const int32_t hi = table.spanMax[row - table.firstRow];
    if (lo > hi || hi < left || lo >= right) continue;  // lo > hi: a row no edge reached
    const int32_t start = std::max(lo, left);
    const int32_t end = std::min(hi, right - 1);
    Ch* px = surface.PixelAt(start, row);
    if (full) {
      WriteOpaqueRun<P>(px, colour, end - start + 1);
    } else {
      blend.Run(px, end - start + 1);
    }
  }
}

namespace {

struct Edge {
  int from, to;
};

template <class P, int N, int S>
void FillPolygon(const Surface<P>& surface, const Point (&v)[N], const Edge (&scans)[S],
                 const Edge (&bands)[S], const ShapeColour<P>& colour,
                 typename P::Coverage opacity) {
  if (surface.width <= 0 || surface.height <= 0) return;
  int32_t top = v[0].y, bottom = v[0].y;
  for (const Point& p : v) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  // Edges only reach rows between the top and bottom vertex. With none of them in the buffer,
  // every edge has both ends beyond the same border and nothing is drawn.
  if (std::max(top, 0) > std::min(bottom, surface.height - 1)) return;
  // Only the writable rows are tabled: a row the table does not hold counts as one no edge
  // reached, as the rows beyond the vertices do, and no other row is drawn. The table may hold no
  // row at all while the edge band still reaches the row below the bottom vertex.
  SpanTable table;
  table.firstRow = std::max(top, surface.WriteTop());
  table.lastRow = std::max(std::min(bottom, surface.WriteBottom() - 1), table.firstRow - 1);
  const std::size_t rows = static_cast<std::size_t>(table.lastRow - table.firstRow + 1);
  const ShapeRows<512> store(2 * rows);
  table.spanMin = store.Get();
  table.spanMax = table.spanMin + rows;
  table.Reset();

  // An empty table (no writable row between the vertices) records nothing, so its edges are not
  // stepped; the edge band may still reach the row below the bottom vertex.
  if (rows > 0) {
    for (const Edge& e : scans) ScanEdge(v[e.from].x, v[e.from].y, v[e.to].x, v[e.to].y, table);
  }
  // The pixels beside both ends of each row's span, where the bands and the span begin.
  for (int32_t row = table.firstRow; row <= table.lastRow; ++row) {
    const int32_t lo = table.spanMin[row - table.firstRow], hi = table.spanMax[row - table.firstRow];
    if (lo > hi || hi < 0 || lo >= surface.width) continue;
    surface.Prefetch(std::max(lo, 1) - 1, row);
    surface.Prefetch(std::min(hi, surface.width - 2) + 1, row);
  }
  // Both passes read the finished table, so band and span pixels never overlap.
  for (const Edge& e : bands) {
    DrawEdgeBand<P>(surface, v[e.from].x, v[e.from].y, v[e.to].x, v[e.to].y, colour, opacity,
                    table);
  }
  FillSpans<P>(surface, table, colour, opacity);
}

}  // namespace

template <class P>
void FillTriangle(const Surface<P>& surface, const Point& a, const Point& b, const Point& c,
                  const ShapeColour<P>& colour, typename P::Coverage opacity) {
  const Point v[3] = {a, b, c};
  static constexpr Edge kScans[3] = {{0, 1}, {0, 2}, {1, 2}};
  static constexpr Edge kBands[3] = {{0, 1}, {0, 2}, {2, 1}};
  FillPolygon<P>(surface, v, kScans, kBands, colour, opacity);
}

template <class P>
void FillQuad(const Surface<P>& surface, const Point& a, const Point& b, const Point& c,
              const Point& d, const ShapeColour<P>& colour, typename P::Coverage opacity) {
  const Point v[4] = {a, b, c, d};
  static constexpr Edge kEdges[4] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
  FillPolygon<P>(surface, v, kEdges, kEdges, colour, opacity);
}

#define MORVANE_INSTANTIATE(P)                                                                \
  template void FillTriangle<P>(const Surface<P>&, const Point&, const Point&, const Point&,   \
                                const ShapeColour<P>&, P::Coverage);                           \
  template void FillQuad<P>(const Surface<P>&, const Point&, const Point&, const Point&,       \
                            const Point&, const ShapeColour<P>&, P::Coverage);                 \
  template void DrawEdgeBand<P>(const Surface<P>&, int32_t, int32_t, int32_t, int32_t,         \
                                const ShapeColour<P>&, P::Coverage, const SpanTable&);         \
  template void FillSpans<P>(const Surface<P>&, const SpanTable&, const ShapeColour<P>&,       \
                             P::Coverage);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
