// Test-only reference of one whole render: the output prepared as the effect prepares it, then the
// generation loop as it was before any speed work, one shape after the other on the calling
// thread, with the reference chain search and the reference rasterisers behind the shipped shape
// drawing. Differential tests and the benchmark compare effect/RenderBuffers with it.
#pragma once
#include <cstdint>

#include "effect/render_buffers.h"
#include "effect/shape_settings.h"
#include "generator/build_chain.h"
#include "generator/generator_settings.h"
#include "generator/random.h"
#include "raster/surface.h"

namespace morvane::reference {

template <class P>
int32_t BuildChain(const InputSurface<P>& input, int32_t x0, int32_t y0,
                   const ShapeColour<P>& source, const GeneratorSettings<P>& settings,
                   RandomSource& random, Chain& chain);

template <class P>
void GenerateShapes(const Surface<P>& output, const InputSurface<P>& input,
                    const GeneratorSettings<P>& settings);

void RenderBuffers(Depth depth, const FrameBuffer& input, const FrameBuffer& output,
                   const ShapeSettings& settings, int32_t layerWidth);

}  // namespace morvane::reference
