// Shapes of every rasteriser for tests that compare whole pictures: one call each, within
// columns 0..7 and rows oy .. oy + 39.
#pragma once
#include <cstdint>

#include "raster/circle.h"
#include "raster/polygon.h"
#include "raster/rect.h"
#include "raster/stroke.h"
#include "tests/raster/raster_test_util.h"

namespace morvane::test {

template <class P>
void drawSampleShapes(typename P::Channel* base, int32_t width, int32_t height, int32_t stride,
                      int32_t oy) {
  const auto colour = Depth<P>::colour();
  const auto part = Depth<P>::part();
  const auto full = Depth<P>::full();
  DrawThickLine<P>(Surface<P>{base, width, height, stride}, 1, oy + 2, 6, oy + 30, 1.8f, colour, part);
  DrawJoinedSegment<P>(Surface<P>{base, width, height, stride}, 6, oy + 3, 1, oy + 20, 2.5f, 7, oy + 36, colour,
                       part);
  DrawCircleOutline<P>(Surface<P>{base, width, height, stride}, 4, oy + 12, 3, colour, full);
  FillCircle<P>(Surface<P>{base, width, height, stride}, 3, oy + 26, 4, colour, part);
  FillTriangle<P>(Surface<P>{base, width, height, stride}, {1, oy + 5}, {6, oy + 9}, {2, oy + 17}, colour, part);
  FillQuad<P>(Surface<P>{base, width, height, stride}, {1, oy + 22}, {4, oy + 20}, {6, oy + 28}, {3, oy + 33}, colour,
              full);
  FillRect<P>(Surface<P>{base, width, height, stride}, 2, oy + 14, 5, oy + 18, colour, part);
}

}  // namespace morvane::test
