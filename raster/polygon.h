// Filled convex polygons (triangles and quadrilaterals): solid row spans from the edges' stepped
// positions, softened by a two-pixel coverage band along each edge outside the spans.
// Must not: write outside the buffer, allocate per polygon (span rows live in per-thread
// scratch), or change the order in which edges are stepped: an edge stepped the other way can
// record a column one off, so the orders are part of the picture.
#pragma once
#include <cstdint>

#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

struct Point {
  int32_t x;
  int32_t y;
};

template <class P>
void FillTriangle(const Surface<P>& surface, const Point& a, const Point& b, const Point& c, const ShapeColour<P>& colour,
                  typename P::Coverage opacity);

// Vertices in order around the outline. A concave or self-crossing outline fills each row from
// its leftmost to its rightmost edge column.
template <class P>
void FillQuad(const Surface<P>& surface, const Point& a, const Point& b, const Point& c,
              const Point& d, const ShapeColour<P>& colour, typename P::Coverage opacity);

}  // namespace morvane
