// Filled axis-aligned rectangles with hard edges: every covered pixel, border included, is
// blended with the same coverage, the shape's opacity.
// Must not: write outside the buffer or anti-alias the border.
#pragma once
#include <cstdint>

#include "raster/pixel_traits.h"

namespace morvane {

// (x0, y0) and (x1, y1) are opposite corners in any order; both belong to the rectangle.
template <class P>
void fillRect(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
              int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColor<P>& color,
              typename P::Coverage opacity);

}  // namespace morvane
