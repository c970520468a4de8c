// Triangle and quadrilateral fill: edge stepping into a span table, the coverage band along the
// clipped edges, then the span pass.
// Must not: let 16.16 positions or step numerators overflow (they are 64-bit: coordinates may be
// anywhere in the int32 range), or draw a band pixel inside a span (the two passes never overlap).
#include "raster/polygon.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "raster/blend.h"
#include "raster/convert_p.h"
#include "raster/coverage_p.h"
#include "raster/polygon_p.h"

namespace morvane {

void SpanTable::reset() {
  const int64_t rows = std::max<int64_t>(int64_t{lastRow} - firstRow + 1, 0);
  std::fill(spanMin, spanMin + rows, kSpanEmptyMin);
  std::fill(spanMax, spanMax + rows, kSpanEmptyMax);
}

void scanEdge(int32_t x0, int32_t y0, int32_t x1, int32_t y1, SpanTable& table) {
  auto widen = [&table](int64_t row, int64_t col) {
    if (!table.holds(row)) return;
    const int64_t i = row - table.firstRow;
    // col lies between the edge's end columns, so it fits 32 bits.
    table.spanMin[i] = std::min(table.spanMin[i], static_cast<int32_t>(col));
    table.spanMax[i] = std::max(table.spanMax[i], static_cast<int32_t>(col));
  };
  const int64_t adx = std::llabs(int64_t{x0} - x1);
  const int64_t ady = std::llabs(int64_t{y0} - y1);
  if (adx > ady) {
    int64_t step = ady * 65536 / adx;
    if (y0 > y1) step = -step;
    int64_t fy = int64_t{y0} * 65536 + 32768;  // the half pixel makes each row the nearest one
    const int64_t dir = x0 < x1 ? 1 : -1;
    int64_t x = x0;
    for (int64_t i = 0; i <= adx; ++i, fy += step, x += dir) widen(fy >> 16, x);
  } else {
    int64_t step = y0 == y1 ? 0 : adx * 65536 / ady;
    if (x0 > x1) step = -step;
    int64_t fx = int64_t{x0} * 65536 + 32768;
    const int64_t dir = y0 < y1 ? 1 : -1;
    int64_t y = y0;
    for (int64_t i = 0; i <= ady; ++i, fx += step, y += dir) widen(y, fx >> 16);
  }
}

namespace {

int32_t clampBelow(int32_t v, int32_t limit) {
  if (v < 0) return 0;
  if (v >= limit) return limit - 1;
  return v;
}

}  // namespace

void clipEndpoint(int32_t& x, int32_t& y, int64_t dx, int64_t dy, int32_t code, int32_t width,
                  int32_t height) {
  // Single-precision throughout, as the picture was made; the integer numerators are formed in
  // 64 bits first so that no coordinate can overflow them.
  const float fdx = static_cast<float>(dx);
  const float fdy = static_cast<float>(dy);
  if (code & kRight) {
    const float n = static_cast<float>(int64_t{width} - x - 1);
    y = truncToInt32(fdy * (n / fdx) + static_cast<float>(y));
    x = width - 1;
    y = clampBelow(y, height);
  }
  if (code & kLeft) {
    const float n = static_cast<float>(-int64_t{x});
    y = truncToInt32(fdy * (n / fdx) + static_cast<float>(y));
    x = 0;
    y = clampBelow(y, height);
  }
  if (code & kAbove) {
    const float n = static_cast<float>(-int64_t{y});
    x = truncToInt32(fdx * (n / fdy) + static_cast<float>(x));
    y = 0;
    x = clampBelow(x, width);
  }
  if (code & kBelow) {
    const float n = static_cast<float>(int64_t{height} - y - 1);
    x = truncToInt32(fdx * (n / fdy) + static_cast<float>(x));
    y = height - 1;
    x = clampBelow(x, width);
  }
}

bool clipSegment(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1, int32_t width,
                 int32_t height) {
  // The direction is taken once, rounded through float, and kept for every clip that follows.
  const int64_t dx = static_cast<int64_t>(static_cast<float>(int64_t{x1} - x0));
  const int64_t dy = static_cast<int64_t>(static_cast<float>(int64_t{y1} - y0));
  for (int iteration = 0; iteration < 3; ++iteration) {
    int32_t c0 = outcode(x0, y0, width, height);
    int32_t c1 = outcode(x1, y1, width, height);
    if ((c0 | c1) == 0) return true;
    if (c0 & c1) return false;
    if (c0) clipEndpoint(x0, y0, dx, dy, c0, width, height);
    c0 = outcode(x0, y0, width, height);
    c1 = outcode(x1, y1, width, height);
    if ((c0 | c1) == 0) return true;
    if (c0 & c1) return false;
    if (c1) clipEndpoint(x1, y1, dx, dy, c1, width, height);
  }
  return false;
}

template <class P>
void drawEdgeAA(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColor<P>& color,
                typename P::Coverage opacity, const SpanTable& table) {
  if (width <= 0 || height <= 0) return;
  if (!clipSegment(x0, y0, x1, y1, width, height)) return;
  const BandCoverage<P> band(opacity);
  auto draw = [&](int64_t x, int64_t row, int32_t weight) {
    if (row < 0 || row >= height || !table.outside(row, x)) return;
    blendPixel<P>(base, width, height, rowStride, static_cast<int32_t>(x),
                  static_cast<int32_t>(row), color, band(weight));
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
    int64_t fx = int64_t{x0} * 65536;
    for (int32_t y = y0; y <= y1; ++y, fx += step) {
      const int64_t col = fx >> 16;
      const int32_t frac = static_cast<int32_t>(fx & 65535);
      draw(col, y, 65535 - frac);
      draw(col + 1, y, frac);
    }
  }
}

template <class P>
void fillSpans(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
               const SpanTable& table, const ShapeColor<P>& color, typename P::Coverage opacity) {
  using Ch = typename P::Channel;
  // At full opacity the blend's result is the colour with full alpha (exactly so at 8 and 16
  // bits); writing it directly also makes float spans exact over any previous content.
  const bool full = opacity == static_cast<typename P::Coverage>(P::kFull);
  const int32_t first = std::max(table.firstRow, 0);
  const int32_t last = std::min(table.lastRow, height - 1);
  for (int32_t row = first; row <= last; ++row) {
    const int32_t lo = table.spanMin[row - table.firstRow];
    const int32_t hi = table.spanMax[row - table.firstRow];
    if (lo == kSpanEmptyMin || hi == kSpanEmptyMax || lo > hi || hi < 0 || lo >= width) continue;
    const int32_t start = std::max(lo, 0);
    const int32_t end = std::min(hi, width - 1);
    Ch* px = base + pixelOffset(start, row, rowStride);
    for (int32_t x = start; x <= end; ++x, px += 4) {
      if (full) {
        px[0] = static_cast<Ch>(P::kFull);
        px[1] = color.channel[2];
        px[2] = color.channel[1];
        px[3] = color.channel[0];
      } else {
        blendPixelAt<P>(px, color, opacity);
      }
    }
  }
}

namespace {

struct Edge {
  int from, to;
};

template <class P, int N, int S>
void fillPolygon(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                 const Point (&v)[N], const Edge (&scans)[S], const Edge (&bands)[S],
                 const ShapeColor<P>& color, typename P::Coverage opacity) {
  if (width <= 0 || height <= 0) return;
  int32_t top = v[0].y, bottom = v[0].y;
  for (const Point& p : v) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  // Edges only reach rows between the top and bottom vertex. With none of them in the buffer,
  // every edge has both ends beyond the same border and nothing is drawn.
  SpanTable table;
  table.firstRow = std::max(top, 0);
  table.lastRow = std::min(bottom, height - 1);
  if (table.firstRow > table.lastRow) return;
  const std::size_t rows = static_cast<std::size_t>(table.lastRow - table.firstRow + 1);
  table.spanMin = rowScratch(2 * rows);
  table.spanMax = table.spanMin + rows;
  table.reset();

  for (const Edge& e : scans) scanEdge(v[e.from].x, v[e.from].y, v[e.to].x, v[e.to].y, table);
  // Both passes read the finished table, so band and span pixels never overlap.
  for (const Edge& e : bands) {
    drawEdgeAA<P>(base, width, height, rowStride, v[e.from].x, v[e.from].y, v[e.to].x, v[e.to].y,
                  color, opacity, table);
  }
  fillSpans<P>(base, width, height, rowStride, table, color, opacity);
}

}  // namespace

template <class P>
void fillTriangle(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                  const Point& a, const Point& b, const Point& c, const ShapeColor<P>& color,
                  typename P::Coverage opacity) {
  const Point v[3] = {a, b, c};
  static constexpr Edge kScans[3] = {{0, 1}, {0, 2}, {1, 2}};
  static constexpr Edge kBands[3] = {{0, 1}, {0, 2}, {2, 1}};
  fillPolygon<P>(base, width, height, rowStride, v, kScans, kBands, color, opacity);
}

template <class P>
void fillQuad(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
              int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
              int32_t y3, const ShapeColor<P>& color, typename P::Coverage opacity) {
  const Point v[4] = {{x0, y0}, {x1, y1}, {x2, y2}, {x3, y3}};
  static constexpr Edge kEdges[4] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
  fillPolygon<P>(base, width, height, rowStride, v, kEdges, kEdges, color, opacity);
}

#define MORVANE_POLYGON_AT_DEPTH(P)                                                              \
  template void fillTriangle<P>(P::Channel*, int32_t, int32_t, int32_t, const Point&,            \
                                const Point&, const Point&, const ShapeColor<P>&, P::Coverage);  \
  template void fillQuad<P>(P::Channel*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,   \
                            int32_t, int32_t, int32_t, int32_t, int32_t, const ShapeColor<P>&,   \
                            P::Coverage);                                                        \
  template void drawEdgeAA<P>(P::Channel*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, \
                              int32_t, const ShapeColor<P>&, P::Coverage, const SpanTable&);     \
  template void fillSpans<P>(P::Channel*, int32_t, int32_t, int32_t, const SpanTable&,           \
                             const ShapeColor<P>&, P::Coverage);
MORVANE_POLYGON_AT_DEPTH(Pixel8)
MORVANE_POLYGON_AT_DEPTH(Pixel16)
MORVANE_POLYGON_AT_DEPTH(PixelFloat)
#undef MORVANE_POLYGON_AT_DEPTH

}  // namespace morvane
