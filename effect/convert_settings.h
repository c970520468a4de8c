// From the settings as read to the settings one generation runs with: geometry scaled to the
// render's resolution, colour-scale fields at the depth's scale, and values outside the controls'
// ranges held to where the generator stays sound and its work stays bounded.
#pragma once
#include <cstdint>

#include "effect/shape_settings.h"
#include "generator/generator_settings.h"

namespace morvane {

// Output width over the layer's full-resolution width; 1 when no layer width is known.
float ScaleFactor(int32_t outputWidth, int32_t layerWidth);

template <class P>
GeneratorSettings<P> ConvertSettings(const ShapeSettings& settings, float scale);

}  // namespace morvane
