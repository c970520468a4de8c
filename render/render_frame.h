// The render frame: one host render request becomes one generation at the buffer's depth.
//
// SmartPreRender reads the settings into a malloc'd block that the host keeps until the smart
// render; SmartRenderCore and Render prepare the output (copy of the input, or cleared) and run
// the generator with the settings scaled to the render's resolution and converted to the depth.
// RenderBuffers is the host-free core that the command-line renderer calls too, so both front
// ends draw the same pixels by construction.
#pragma once
#include <cstdint>

#include "generator/generator_settings.h"
#include "host/api/ae_types.h"
#include "raster/pixel_buffer.h"
#include "render/shape_settings.h"

namespace morvane {

enum class Depth { k8, k16, kFloat, kUnknown };

// After Effects' smart path and Premiere Pro's render path name their formats differently
// ('argb' is the same 8-bit format in both).
Depth DepthOfSmartFormat(PF_PixelFormat format);
Depth DepthOfPremiereFormat(PrPixelFormat format);
int32_t BytesPerPixel(Depth depth);

// Output width over the layer's full-resolution width; 1 when the host gives no layer width.
float ScaleFactor(int32_t outputWidth, int32_t layerWidth);

// The settings the generator runs with: geometry scaled, colour-scale fields at the depth's scale,
// and values outside the controls' ranges brought to where the generator stays sound.
template <class P>
GeneratorSettings<P> ConvertSettings(const ShapeSettings& settings, float scale);

// Copies the input into the output or clears it, row by row, each buffer by its own row bytes;
// bytes past a row's pixels are never touched. Output pixels the input does not cover are cleared.
void PrepareOutput(const PixelBuffer& input, const PixelBuffer& output, int32_t bytesPerPixel,
                   bool keepOriginal);

// Prepares the output and draws the shapes. An unknown depth only prepares the output.
void RenderBuffers(Depth depth, const PixelBuffer& input, const PixelBuffer& output,
                   const ShapeSettings& settings, int32_t layerWidth);

PixelBuffer BufferOfWorld(const PF_EffectWorld* world);

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);
PF_Err SmartRenderCore(PF_InData* in_data, PF_OutData* out_data, PF_PixelFormat format,
                       const PF_EffectWorld* input, const PF_EffectWorld* output,
                       PF_SmartRenderExtra* extra, const ShapeSettings* settings);
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamList params, PF_LayerDef* output,
              const PF_PixelFormatSuite* pixelFormatSuite);

}  // namespace morvane
