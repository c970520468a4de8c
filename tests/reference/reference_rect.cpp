// Reference copy of the rectangle fill as it was before any speed work. Test-only.
// Must not: skip the blend at full opacity (float pixels would differ from the blended result).
#include "tests/reference/reference_raster.h"

#include <algorithm>

#include "tests/reference/reference_blend.h"

namespace morvane::reference {

template <class P>
void FillRect(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              const ShapeColour<P>& colour, typename P::Coverage opacity) {
  const int32_t width = surface.width, height = surface.height;
  const int32_t xMin = std::min(x0, x1), xMax = std::max(x0, x1);
  const int32_t yMin = std::min(y0, y1), yMax = std::max(y0, y1);
  if (xMin >= width || yMin >= height || xMax < 0 || yMax < 0) return;
  const int32_t xStart = std::max(xMin, 0), xEnd = std::min(xMax, width - 1);
  const int32_t yStart = std::max(yMin, 0), yEnd = std::min(yMax, height - 1);
  for (int32_t y = yStart; y <= yEnd; ++y) {
    typename P::Channel* px = surface.PixelAt(xStart, y);
    for (int32_t x = xStart; x <= xEnd; ++x, px += 4) reference::BlendPixelAt<P>(px, colour, opacity);
  }
}

#define MORVANE_INSTANTIATE(P)                                                            \
  template void FillRect<P>(const Surface<P>&, int32_t, int32_t, int32_t, int32_t,         \
                            const ShapeColour<P>&, P::Coverage);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane::reference
