// Anti-aliased strokes: thick segments with round ends, whose coverage is 1 within lineWidth − 1
// of the segment and falls linearly to 0 at lineWidth. Lines, curves and the outlines of
// triangles, squares and rectangles are all drawn from these segments.
// Must not: write outside the buffer, allocate per segment (row tables live in per-thread
// scratch), or change the float/double steps of the coverage: pictures are compared bit for bit.
#pragma once
#include <cstdint>

#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

// A line width and what every segment drawn at it shares: the squared distances from a segment
// at and below which its coverage is 1 and at and above which it is 0, which take up to tens of
// square roots to find. A shape draws all its segments at one width (a curve ten per piece), so
// the generator's drawing target works this out once per width, not per segment.
class StrokeWidth {
 public:
  StrokeWidth() : StrokeWidth(1.0f) {}
  explicit StrokeWidth(float lineWidth);

  float LineWidth() const { return lineWidth_; }
  float Reach() const { return reach_; }  // lineWidth − 0.5, as the coverage takes it
  float FullSum() const { return fullSum_; }
  float NoneSum() const { return noneSum_; }

 private:
  float lineWidth_, reach_, fullSum_, noneSum_;
};

// One free segment P0 → P1. Pixels are sampled at their integer coordinates.
template <class P>
void DrawThickLine(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                   const StrokeWidth& width, const ShapeColour<P>& colour,
                   typename P::Coverage opacity);
template <class P>
void DrawThickLine(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth,
                   const ShapeColour<P>& colour, typename P::Coverage opacity) {
  DrawThickLine<P>(surface, x0, y0, x1, y1, StrokeWidth(lineWidth), colour, opacity);
}

// One segment P0 → P1 of a chain whose next point is P2: each pixel gets this segment's coverage
// less what P1 → P2 will give it, so the join is not drawn twice.
template <class P>
void DrawJoinedSegment(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                       const StrokeWidth& width, int32_t x2, int32_t y2,
                       const ShapeColour<P>& colour, typename P::Coverage opacity);
template <class P>
void DrawJoinedSegment(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth, int32_t x2,
                       int32_t y2, const ShapeColour<P>& colour, typename P::Coverage opacity) {
  DrawJoinedSegment<P>(surface, x0, y0, x1, y1, StrokeWidth(lineWidth), x2, y2, colour, opacity);
}

// Marks, per row 0..height−1, the smallest x of the segment's stepped pixels on that row
// (entries only ever decrease). Stepped in 16.16 fixed point held in 64 bits, so any 32-bit
// coordinates are valid.
void TraceSegmentRows(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t* rowTable,
                      int32_t height);

// One coordinate of a quadratic Bezier curve at t.
float QuadraticBezier(float p0, float p1, float p2, float t);

}  // namespace morvane
