// Rectangle fill.
// Must not: skip the blend at full opacity (float pixels would differ from the blended result).
#include "raster/rect.h"

#include <algorithm>

#include "raster/blend.h"

namespace morvane {

template <class P>
void fillRect(typename P::Channel* base, int32_t width, int32_t height, int32_t rowStride,
              int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColor<P>& color,
              typename P::Coverage opacity) {
  const int32_t xMin = std::min(x0, x1), xMax = std::max(x0, x1);
  const int32_t yMin = std::min(y0, y1), yMax = std::max(y0, y1);
  if (xMin >= width || yMin >= height || xMax < 0 || yMax < 0) return;
  const int32_t xStart = std::max(xMin, 0), xEnd = std::min(xMax, width - 1);
  const int32_t yStart = std::max(yMin, 0), yEnd = std::min(yMax, height - 1);
  for (int32_t y = yStart; y <= yEnd; ++y) {
    typename P::Channel* px = base + pixelOffset(xStart, y, rowStride);
    for (int32_t x = xStart; x <= xEnd; ++x, px += 4) blendPixelAt<P>(px, color, opacity);
  }
}

#define MORVANE_RECT_AT_DEPTH(P)                                                                \
  template void fillRect<P>(P::Channel*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, \
                            int32_t, const ShapeColor<P>&, P::Coverage);
MORVANE_RECT_AT_DEPTH(Pixel8)
MORVANE_RECT_AT_DEPTH(Pixel16)
MORVANE_RECT_AT_DEPTH(PixelFloat)
#undef MORVANE_RECT_AT_DEPTH

}  // namespace morvane
