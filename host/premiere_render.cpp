// Premiere Pro's one-step frame: the settings come straight from the parameter array, the pixel
// format from the suite kept since global setup. After Effects never uses this path.
#include <cstring>

#include "effect/render_buffers.h"
#include "effect/shape_settings.h"
#include "host/commands.h"
#include "host/effect_info.h"
#include "host/host_frames.h"

namespace morvane {

PF_Err Render(PF_InData* in_data, PF_OutData*, PF_ParamList params, PF_LayerDef* output) {
  if (in_data == nullptr || static_cast<uint32_t>(in_data->appl_id) != kPremiereApplId) {
    return PF_Err_NONE;
  }
  if (params == nullptr || output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;

  // Without the pixel format suite Premiere Pro can only have handed over its default format,
  // 8-bit ARGB.
  PrPixelFormat format = static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_8u);
  const PF_PixelFormatSuite* formats = gPixelFormatSuite;
  if (formats != nullptr && formats->GetPixelFormat != nullptr) {
    if (PF_Err err = formats->GetPixelFormat(output, &format); err != PF_Err_NONE) return err;
  }

  for (ControlId id : kSettingsReadOrder) {
    if (params[SlotOf(id)] == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  }
  ShapeSettings settings;
  std::memset(&settings, 0, sizeof settings);
  ReadShapeSettings(settings, [params](ControlId id, int32_t& value) {
    value = ParamRecordValue(*params[SlotOf(id)]);
    return PF_Err_NONE;
  });

  const PF_ParamDef* layer = params[SlotOf(ControlId::kInput)];
  const PF_LayerDef* input = layer != nullptr ? &layer->u.ld : nullptr;
  RenderBuffers(DepthOfPremiereFormat(format), FrameOfWorld(input), FrameOfWorld(output), settings,
                in_data->width);
  return PF_Err_NONE;
}

}  // namespace morvane
