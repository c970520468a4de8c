#include "generator/draw_shape.h"

namespace morvane {

template void DrawShape<Pixel8, RasterTarget<Pixel8>>(RasterTarget<Pixel8>&, const Chain&,
                                                      const ShapeColor<Pixel8>&,
                                                      const GeneratorSettings<Pixel8>&);
template void DrawShape<Pixel16, RasterTarget<Pixel16>>(RasterTarget<Pixel16>&, const Chain&,
                                                        const ShapeColor<Pixel16>&,
                                                        const GeneratorSettings<Pixel16>&);
template void DrawShape<PixelFloat, RasterTarget<PixelFloat>>(RasterTarget<PixelFloat>&,
                                                              const Chain&,
                                                              const ShapeColor<PixelFloat>&,
                                                              const GeneratorSettings<PixelFloat>&);

}  // namespace morvane
