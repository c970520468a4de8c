// Anti-aliased circles: a one-pixel outline whose coverage is split between the pixels on either
// side of the boundary, and a filled disc painted as solid row spans with a fractional fringe.
// Both walk one octant of the boundary and mirror it eight ways.
// Must not: write outside the buffer, allocate per circle (span rows live in per-thread
// scratch), or change the float/double steps of the boundary: pictures are compared bit for bit.
#pragma once
#include <cstdint>

#include "raster/pixel_traits.h"

namespace morvane {

template <class P>
void drawCircleOutline(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                       int32_t cx, int32_t cy, int32_t radius, const ShapeColor<P>& color,
                       typename P::Coverage opacity);

template <class P>
void fillCircle(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
                int32_t cx, int32_t cy, int32_t radius, const ShapeColor<P>& color,
                typename P::Coverage opacity);

}  // namespace morvane
