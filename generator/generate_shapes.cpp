#include "generator/generate_shapes.h"

namespace morvane {

template <class P>
void GenerateShapes(const PixelBuffer& output, const PixelBuffer& input,
                    const GeneratorSettings<P>& settings, const GeneratorClock& clock) {
  RasterTarget<P> target{channelBase<P>(output), output.width, output.height, rowStride<P>(output)};
  const InputView<P> view{channelBase<P>(input), output.width, output.height, rowStride<P>(input)};
  GenerateShapesInto(target, view, settings, clock);
}

template void GenerateShapes<Pixel8>(const PixelBuffer&, const PixelBuffer&,
                                     const GeneratorSettings<Pixel8>&, const GeneratorClock&);
template void GenerateShapes<Pixel16>(const PixelBuffer&, const PixelBuffer&,
                                      const GeneratorSettings<Pixel16>&, const GeneratorClock&);
template void GenerateShapes<PixelFloat>(const PixelBuffer&, const PixelBuffer&,
                                         const GeneratorSettings<PixelFloat>&,
                                         const GeneratorClock&);

}  // namespace morvane
