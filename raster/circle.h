// Anti-aliased circles: a one-pixel outline whose coverage is split between the pixels on either
// side of the boundary, and a filled disc painted as solid row spans with a fractional fringe.
// Both walk one octant of the boundary and mirror it eight ways.
// Must not: write outside the buffer, allocate per circle (span rows live in per-thread
// scratch), or change the float/double steps of the boundary: pictures are compared bit for bit.
#pragma once
#include <cstdint>

#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

template <class P>
void DrawCircleOutline(const Surface<P>& surface, int32_t cx, int32_t cy, int32_t radius, const ShapeColour<P>& colour,
                       typename P::Coverage opacity);

template <class P>
void FillCircle(const Surface<P>& surface, int32_t cx, int32_t cy, int32_t radius, const ShapeColour<P>& colour,
                typename P::Coverage opacity);

}  // namespace morvane
