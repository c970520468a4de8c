// Test-only reference: the rasterisers, the chain search and the generation loop as they were
// before any speed work, one pixel and one candidate at a time. The differential tests and the
// benchmark compare the shipped code with these; nothing outside tests/ and bench/ may use them.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "raster/pixel_traits.h"
#include "raster/polygon.h"
#include "raster/surface.h"

namespace morvane::reference {

// Calls visit(column, row) once per pixel along the major axis of P0 → P1, both ends included,
// with the minor coordinate stepped in 16.16 fixed point from its start plus one half. Positions
// and step numerators are 64-bit (y × 65536 overflows 32 bits from |y| = 32768 on); the shift
// floors, exactly as 32-bit arithmetic does where it does not overflow. Every visited column and
// row lies between the segment's ends, so it fits 32 bits.
template <class Visit>
inline void StepSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Visit&& visit) {
  const int64_t adx = std::llabs(int64_t{x0} - x1);
  const int64_t ady = std::llabs(int64_t{y0} - y1);
  if (adx > ady) {
    int64_t step = ady * 65536 / adx;
    if (y0 > y1) step = -step;
    int64_t fy = int64_t{y0} * 65536 + 32768;
    const int64_t dir = x0 < x1 ? 1 : -1;
    int64_t x = x0;
    for (int64_t i = 0; i <= adx; ++i, fy += step, x += dir) visit(x, fy >> 16);
  } else {
    int64_t step = ady == 0 ? 0 : adx * 65536 / ady;
    if (x0 > x1) step = -step;
    int64_t fx = int64_t{x0} * 65536 + 32768;
    const int64_t dir = y0 < y1 ? 1 : -1;
    int64_t y = y0;
    for (int64_t i = 0; i <= ady; ++i, fx += step, y += dir) visit(fx >> 16, y);
  }
}

inline constexpr int32_t kSpanEmptyMin = std::numeric_limits<int32_t>::max();
inline constexpr int32_t kSpanEmptyMax = std::numeric_limits<int32_t>::min();

// Per-row extent of the interior over the buffer rows firstRow..lastRow (entry i is row
// firstRow + i). The drawers cover the buffer rows between the vertices' top and bottom, which
// hold every row an edge can reach; any other row is one no edge reached.
struct SpanTable {
  int32_t* spanMin = nullptr;  // leftmost column an edge reached, unclamped
  int32_t* spanMax = nullptr;  // rightmost column an edge reached, unclamped
  int32_t firstRow = 0;
  int32_t lastRow = -1;

  bool Holds(int64_t row) const { return row >= firstRow && row <= lastRow; }
  void Reset();
  // Column x of row lies outside the row's span; a row no edge reached has no span.
  bool Outside(int64_t row, int64_t x) const {
    if (!Holds(row)) return true;
    const int64_t i = row - firstRow;
    return x < spanMin[i] || x > spanMax[i];
  }
};

enum Outcode : int32_t {
  kAbove = 1,  // y < 0
  kBelow = 2,  // y ≥ height
  kRight = 4,  // x ≥ width
  kLeft = 8,   // x < 0
};

inline int32_t OutcodeOf(int32_t x, int32_t y, int32_t width, int32_t height) {
  return (y < 0 ? kAbove : 0) | (y >= height ? kBelow : 0) | (x >= width ? kRight : 0) |
         (x < 0 ? kLeft : 0);
}

void ScanEdge(int32_t x0, int32_t y0, int32_t x1, int32_t y1, SpanTable& table);
bool ClipSegment(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1, int32_t width, int32_t height);
void ClipEndpoint(int32_t& x, int32_t& y, int64_t dx, int64_t dy, int32_t code, int32_t width,
                  int32_t height);
void TraceSegmentRows(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t* rowTable,
                      int32_t height);

template <class P>
void DrawThickLine(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                   float lineWidth, const ShapeColour<P>& colour, typename P::Coverage opacity);
template <class P>
void DrawJoinedSegment(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                       float lineWidth, int32_t x2, int32_t y2, const ShapeColour<P>& colour,
                       typename P::Coverage opacity);
template <class P>
void DrawCircleOutline(const Surface<P>& surface, int32_t cx, int32_t cy, int32_t radius,
                       const ShapeColour<P>& colour, typename P::Coverage opacity);
template <class P>
void FillCircle(const Surface<P>& surface, int32_t cx, int32_t cy, int32_t radius,
                const ShapeColour<P>& colour, typename P::Coverage opacity);
template <class P>
void FillTriangle(const Surface<P>& surface, const Point& a, const Point& b, const Point& c,
                  const ShapeColour<P>& colour, typename P::Coverage opacity);
template <class P>
void FillQuad(const Surface<P>& surface, const Point& a, const Point& b, const Point& c,
              const Point& d, const ShapeColour<P>& colour, typename P::Coverage opacity);
template <class P>
void FillRect(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              const ShapeColour<P>& colour, typename P::Coverage opacity);

}  // namespace morvane::reference
