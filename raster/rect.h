// Filled axis-aligned rectangles with hard edges: every covered pixel, border included, is
// blended with the same coverage, the shape's opacity.
// Must not: write outside the buffer or anti-alias the border.
#pragma once
#include <cstdint>

#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

// (x0, y0) and (x1, y1) are opposite corners in any order; both belong to the rectangle.
template <class P>
void FillRect(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColour<P>& colour,
              typename P::Coverage opacity);

}  // namespace morvane
