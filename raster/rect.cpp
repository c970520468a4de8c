// Rectangle fill.
// Must not: write float pixels directly at full opacity (they would differ from the blended result).
#include "raster/rect.h"

#include <algorithm>

#include "raster/blend.h"

namespace morvane {

template <class P>
void FillRect(const Surface<P>& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              const ShapeColour<P>& colour, typename P::Coverage opacity) {
  const int32_t width = surface.width, height = surface.height;
  const int32_t xMin = std::min(x0, x1), xMax = std::max(x0, x1);
  const int32_t yMin = std::min(y0, y1), yMax = std::max(y0, y1);
  if (xMin >= width || yMin >= height || xMax < 0 || yMax < 0) return;
  const int32_t xStart = std::max(xMin, surface.WriteLeft());
  const int32_t xEnd = std::min(xMax, surface.WriteRight() - 1);
  const int32_t yStart = std::max(yMin, surface.WriteTop());
  const int32_t yEnd = std::min(yMax, surface.WriteBottom() - 1);
  if (yStart > yEnd || xStart > xEnd) return;  // outside the band being drawn
  // The start of each row (the rest follows it in order, which the caches' own prefetching sees).
  for (int32_t y = yStart; y <= yEnd; ++y) surface.Prefetch(xStart, y);
  FixedCoverageBlend<P> blend(colour, opacity);
  for (int32_t y = yStart; y <= yEnd; ++y) blend.Run(surface.PixelAt(xStart, y), xEnd - xStart + 1);
}

#define MORVANE_INSTANTIATE(P)                                                            \
  template void FillRect<P>(const Surface<P>&, int32_t, int32_t, int32_t, int32_t,         \
                            const ShapeColour<P>&, P::Coverage);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
