#include "render/render_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "generator/generate_shapes.h"
#include "raster/numeric.h"
#include "render/param_index.h"

namespace morvane {
namespace {

// Largest values the generator accepts; beyond them a malformed project would overflow the chain
// lists or run for hours. Every value the controls can be set to lies inside.
constexpr int32_t kMaxRecursionSteps = 512;
constexpr int32_t kMaxSize = 512;
constexpr int32_t kMaxSizeGrowth = 256;
constexpr float kMaxLineWidth = 32.0f;

template <class P>
SettingLevel<P> LevelOf(int32_t v255) {
  const int32_t v = std::clamp(v255, 0, 255);
  if constexpr (std::is_same_v<P, Pixel8>) {
    return v;
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    return v * 32768 / 255;
  } else {
    return static_cast<float>(v) / 255.0f;
  }
}

// The fade level is an integer at every depth: float frames take the 16-bit scale.
template <class P>
int32_t FadeLevelOf(int32_t v255) {
  const int32_t v = std::clamp(v255, 0, 255);
  if constexpr (std::is_same_v<P, Pixel8>) return v;
  return v * 32768 / 255;
}

void UnionRect(PF_LRect& dst, const PF_LRect& src) {
  const bool dstEmpty = dst.left >= dst.right || dst.top >= dst.bottom;
  const bool srcEmpty = src.left >= src.right || src.top >= src.bottom;
  if (dstEmpty) {
    dst = src;
  } else if (!srcEmpty) {
    dst.left = std::min(dst.left, src.left);
    dst.top = std::min(dst.top, src.top);
    dst.right = std::max(dst.right, src.right);
    dst.bottom = std::max(dst.bottom, src.bottom);
  }
}

unsigned char* RowAt(const PixelBuffer& b, int32_t y) {
  return static_cast<unsigned char*>(b.data) + static_cast<ptrdiff_t>(y) * b.rowBytes;
}

}  // namespace

Depth DepthOfSmartFormat(PF_PixelFormat format) {
  switch (static_cast<uint32_t>(format)) {
    case PF_PixelFormat_ARGB32: return Depth::k8;
    case PF_PixelFormat_ARGB64: return Depth::k16;
    case PF_PixelFormat_ARGB128: return Depth::kFloat;
    default: return Depth::kUnknown;
  }
}

Depth DepthOfPremiereFormat(PrPixelFormat format) {
  switch (static_cast<uint32_t>(format)) {
    case PrPixelFormat_ARGB_4444_8u: return Depth::k8;
    case PrPixelFormat_ARGB_4444_16u: return Depth::k16;
    case PrPixelFormat_ARGB_4444_32f: return Depth::kFloat;
    default: return Depth::kUnknown;
  }
}

int32_t BytesPerPixel(Depth depth) {
  switch (depth) {
    case Depth::k16: return 8;
    case Depth::kFloat: return 16;
    default: return 4;
  }
}

float ScaleFactor(int32_t outputWidth, int32_t layerWidth) {
  // A layer width of 0 would make the factor infinite and every scaled size undefined.
  if (layerWidth <= 0) return 1.0f;
  return static_cast<float>(outputWidth) / static_cast<float>(layerWidth);
}

template <class P>
GeneratorSettings<P> ConvertSettings(const ShapeSettings& s, float scale) {
  GeneratorSettings<P> g;
  g.shapeCount = s.shapeCount;
  g.recursionSteps = std::min(s.recursionSteps, kMaxRecursionSteps);
  g.shapeType = std::clamp(s.shapeType, 0, 5);
  g.recursive = s.recursive;
  g.lineWidth = std::min(s.lineWidth, kMaxLineWidth) * scale;
  g.fill = s.fill;
  g.opacity = LevelOf<P>(s.opacity);
  g.size = truncToInt32(static_cast<float>(std::min(s.size, kMaxSize)) * scale);
  g.sizeGrowth = truncToInt32(static_cast<float>(std::min(s.sizeGrowth, kMaxSizeGrowth)) * scale);
  g.matchThreshold = LevelOf<P>(s.matchThreshold);
  g.minLuminosity = LevelOf<P>(s.minLuminosity);
  g.maxLuminosity = LevelOf<P>(s.maxLuminosity);
  g.startAngle = s.startAngle;
  g.angleRandomization = s.angleRandomization;
  g.angleRange = s.angleRange;
  g.fadeType = std::clamp(s.fadeType, 0, 4);
  g.fadeLevel = FadeLevelOf<P>(s.fadeLevel);
  g.startStrategy = std::clamp(s.startStrategy, 0, 2);
  g.gridRandomization = std::clamp(s.gridRandomization, 0, 255);
  g.seed = s.seed;
  return g;
}

template GeneratorSettings<Pixel8> ConvertSettings<Pixel8>(const ShapeSettings&, float);
template GeneratorSettings<Pixel16> ConvertSettings<Pixel16>(const ShapeSettings&, float);
template GeneratorSettings<PixelFloat> ConvertSettings<PixelFloat>(const ShapeSettings&, float);

void PrepareOutput(const PixelBuffer& input, const PixelBuffer& output, int32_t bytesPerPixel,
                   bool keepOriginal) {
  if (output.data == nullptr || output.width <= 0 || output.height <= 0) return;
  const size_t rowPixelBytes = static_cast<size_t>(output.width) * bytesPerPixel;
  const bool haveInput = keepOriginal && input.data != nullptr && input.width > 0;
  const size_t copyBytes =
      haveInput ? static_cast<size_t>(std::min(input.width, output.width)) * bytesPerPixel : 0;
  for (int32_t y = 0; y < output.height; ++y) {
    unsigned char* dst = RowAt(output, y);
    size_t copied = 0;
    if (haveInput && y < input.height) {
      std::memmove(dst, RowAt(input, y), copyBytes);
      copied = copyBytes;
    }
    std::memset(dst + copied, 0, rowPixelBytes - copied);
  }
}

void RenderBuffers(Depth depth, const PixelBuffer& input, const PixelBuffer& output,
                   const ShapeSettings& settings, int32_t layerWidth) {
  PrepareOutput(input, output, BytesPerPixel(depth), settings.keepOriginal != 0);
  if (depth == Depth::kUnknown || output.data == nullptr) return;

  // The generator reads the input at the output's size. A host may hand over a smaller input
  // world, so shapes are generated only where both buffers have pixels.
  const bool haveInput = input.data != nullptr;
  const int32_t width = haveInput ? std::min(output.width, input.width) : 0;
  const int32_t height = haveInput ? std::min(output.height, input.height) : 0;
  if (width <= 0 || height <= 0) return;
  const PixelBuffer out{output.data, width, height, output.rowBytes};
  const PixelBuffer in{input.data, width, height, input.rowBytes};
  const float scale = ScaleFactor(output.width, layerWidth);

  switch (depth) {
    case Depth::k8: GenerateShapes<Pixel8>(out, in, ConvertSettings<Pixel8>(settings, scale)); break;
    case Depth::k16: GenerateShapes<Pixel16>(out, in, ConvertSettings<Pixel16>(settings, scale)); break;
    case Depth::kFloat:
      GenerateShapes<PixelFloat>(out, in, ConvertSettings<PixelFloat>(settings, scale));
      break;
    case Depth::kUnknown: break;
  }
}

PixelBuffer BufferOfWorld(const PF_EffectWorld* world) {
  if (world == nullptr) return {};
  return PixelBuffer{world->data, world->width, world->height, world->rowbytes};
}

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData*, PF_PreRenderExtra* extra) {
  if (in_data == nullptr || extra == nullptr || extra->input == nullptr || extra->output == nullptr ||
      extra->cb == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_RenderRequest request = extra->input->output_request;

  // The host frees the block with the C runtime's free, so it must come from malloc.
  auto* settings = static_cast<ShapeSettings*>(std::malloc(sizeof(ShapeSettings)));
  if (settings == nullptr) return PF_Err_OUT_OF_MEMORY;
  std::memset(settings, 0, sizeof(ShapeSettings));

  PF_Err err = ReadShapeSettings(*settings, [&](int index, int32_t& value) -> PF_Err {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    const PF_Err e = in_data->inter.checkout_param(in_data->effect_ref, index, in_data->current_time,
                                                   in_data->time_step, in_data->time_scale, &def);
    if (e != PF_Err_NONE) return e;
    value = ParamRecordValue(def);
    in_data->inter.checkin_param(in_data->effect_ref, &def);
    return PF_Err_NONE;
  });

  extra->output->pre_render_data = settings;
  extra->output->delete_pre_render_data_func = &std::free;

  PF_CheckoutResult result;
  std::memset(&result, 0, sizeof result);
  if (err == PF_Err_NONE) {
    err = extra->cb->checkout_layer(in_data->effect_ref, PARAM_INPUT, 0, &request, in_data->current_time,
                                    in_data->time_step, in_data->time_scale, &result);
  }
  UnionRect(extra->output->result_rect, result.result_rect);
  UnionRect(extra->output->max_result_rect, result.max_result_rect);
  return err;
}

PF_Err SmartRenderCore(PF_InData* in_data, PF_OutData*, PF_PixelFormat format,
                       const PF_EffectWorld* input, const PF_EffectWorld* output, PF_SmartRenderExtra*,
                       const ShapeSettings* settings) {
  if (settings == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  RenderBuffers(DepthOfSmartFormat(format), BufferOfWorld(input), BufferOfWorld(output), *settings,
                in_data != nullptr ? in_data->width : 0);
  return PF_Err_NONE;
}

PF_Err Render(PF_InData* in_data, PF_OutData*, PF_ParamList params, PF_LayerDef* output,
              const PF_PixelFormatSuite* pixelFormatSuite) {
  if (in_data == nullptr || static_cast<uint32_t>(in_data->appl_id) != 0x50724D72u) return PF_Err_NONE;
  if (params == nullptr || output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;

  // Without the pixel format suite Premiere Pro can only have handed over its default format,
  // 8-bit ARGB.
  PrPixelFormat format = static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_8u);
  if (pixelFormatSuite != nullptr && pixelFormatSuite->GetPixelFormat != nullptr) {
    if (PF_Err err = pixelFormatSuite->GetPixelFormat(output, &format); err != PF_Err_NONE) return err;
  }

  ShapeSettings settings;
  std::memset(&settings, 0, sizeof settings);
  for (int index : kSettingsReadOrder) {
    if (params[index] == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  }
  ReadShapeSettings(settings, [&](int index, int32_t& value) -> PF_Err {
    value = ParamRecordValue(*params[index]);
    return PF_Err_NONE;
  });

  const PF_LayerDef* input = params[PARAM_INPUT] != nullptr ? &params[PARAM_INPUT]->u.ld : nullptr;
  RenderBuffers(DepthOfPremiereFormat(format), BufferOfWorld(input), BufferOfWorld(output), settings,
                in_data->width);
  return PF_Err_NONE;
}

}  // namespace morvane
