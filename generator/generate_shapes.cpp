#include "generator/generate_shapes.h"

namespace morvane {

template <class P>
void GenerateShapes(const Surface<P>& output, const InputSurface<P>& input,
                    const GeneratorSettings<P>& settings, const GeneratorClock& clock) {
  RasterTarget<P> target{output};
  const InputSurface<P> view{input.base, output.width, output.height, input.rowStride};
  GenerateShapesInto(target, view, settings, clock);
}

#define MORVANE_INSTANTIATE(P)                                                          \
  template void GenerateShapes<P>(const Surface<P>&, const InputSurface<P>&,           \
                                  const GeneratorSettings<P>&, const GeneratorClock&);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
