// Private to the polygon fill: its steps, exposed so tests can reach them one at a time.
// Must not: be used outside raster/ and its tests.
#pragma once
#include <cstdint>
#include <limits>

#include "raster/pixel_traits.h"
#include "raster/polygon.h"
#include "raster/surface.h"

namespace morvane {

// A row no edge reached: its minimum lies above its maximum, which no reached row can have (each
// step widens both ends to the same column).
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

// Widens the rows of the table that edge (x0, y0) → (x1, y1) crosses, one step per pixel along
// the major axis, both ends included. Rows the table does not hold are skipped.
void ScanEdge(int32_t x0, int32_t y0, int32_t x1, int32_t y1, SpanTable& table);

// Moves both ends of the segment inside the buffer; false when both ends lie beyond one and the
// same border.
bool ClipSegment(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1, int32_t width, int32_t height);

// Applies every border bit of code to one end, in the order right, left, above, below, each on
// the point as the previous one left it. dx, dy are the whole segment's, as ClipSegment took them.
void ClipEndpoint(int32_t& x, int32_t& y, int64_t dx, int64_t dy, int32_t code, int32_t width,
                  int32_t height);

// The coverage band along one edge: for each step of the clipped edge, the pixel at the stepped
// position and the next one across the edge, where they lie outside the spans.
template <class P>
void DrawEdgeBand(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColour<P>& colour,
                typename P::Coverage opacity, const SpanTable& table);

// Paints each row's span, clamped to the buffer; at full opacity by direct write.
template <class P>
void FillSpans(const Surface<P>& surface, const SpanTable& table, const ShapeColour<P>& colour, typename P::Coverage opacity);

}  // namespace morvane
