// After Effects' two-step frame: SmartPreRender reads the settings into a malloc'd block that the
// host keeps and asks for the input; SmartRender checks the input and output out, learns the
// pixel format and draws. The input is checked in again on every path that reached the checkout,
// including the one where the World Suite cannot be acquired.
#include <cstdlib>
#include <cstring>

#include <algorithm>

#include "effect/render_buffers.h"
#include "effect/shape_settings.h"
#include "host/commands.h"
#include "host/host_frames.h"
#include "host/suites.h"

namespace morvane {
namespace {

constexpr A_long kInputCheckoutId = 0;

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

// Checks the input in exactly once: explicitly on the normal path (while the World Suite is still
// held, as the host expects), or on unwinding when something raised.
class InputCheckin {
 public:
  InputCheckin(PF_InData* in_data, PF_SmartRenderCallbacks* cb) : in_data_(in_data), cb_(cb) {}
  ~InputCheckin() {
    if (!done_) cb_->checkin_layer_pixels(in_data_->effect_ref, kInputCheckoutId);
  }
  InputCheckin(const InputCheckin&) = delete;
  InputCheckin& operator=(const InputCheckin&) = delete;
  PF_Err Checkin() {
    done_ = true;
    return cb_->checkin_layer_pixels(in_data_->effect_ref, kInputCheckoutId);
  }

 private:
  PF_InData* in_data_;
  PF_SmartRenderCallbacks* cb_;
  bool done_ = false;
};

}  // namespace

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData*, PF_PreRenderExtra* extra) {
  if (in_data == nullptr || extra == nullptr || extra->input == nullptr ||
      extra->output == nullptr || extra->cb == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_RenderRequest request = extra->input->output_request;

  // The host frees the block with the C runtime's free, so it must come from malloc.
  auto* settings = static_cast<ShapeSettings*>(std::malloc(sizeof(ShapeSettings)));
  if (settings == nullptr) return PF_Err_OUT_OF_MEMORY;
  std::memset(settings, 0, sizeof(ShapeSettings));

  PF_Err err = ReadShapeSettings(*settings, [&](ControlId id, int32_t& value) -> PF_Err {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    const PF_Err e =
        in_data->inter.checkout_param(in_data->effect_ref, SlotOf(id), in_data->current_time,
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
    err = extra->cb->checkout_layer(in_data->effect_ref, SlotOf(ControlId::kInput), 0, &request,
                                    in_data->current_time, in_data->time_step,
                                    in_data->time_scale, &result);
  }
  UnionRect(extra->output->result_rect, result.result_rect);
  UnionRect(extra->output->max_result_rect, result.max_result_rect);
  return err;
}

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra) {
  if (extra == nullptr || extra->input == nullptr || extra->cb == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const auto* settings = static_cast<const ShapeSettings*>(extra->input->pre_render_data);
  if (settings == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;

  PF_EffectWorld* input = nullptr;
  PF_EffectWorld* output = nullptr;
  PF_Err err = extra->cb->checkout_layer_pixels(in_data->effect_ref, kInputCheckoutId, &input);
  if (err == PF_Err_NONE) err = extra->cb->checkout_output(in_data->effect_ref, &output);

  InputCheckin checkin(in_data, extra->cb);
  SuiteScope<PF_WorldSuite2> worldSuite(in_data, kPFWorldSuite, kPFWorldSuiteVersion2, out_data);
  PF_PixelFormat format = static_cast<PF_PixelFormat>(PF_PixelFormat_INVALID);
  // A layer with nothing to show can come back as no world at all; the output has the same format.
  if (err == PF_Err_NONE) {
    err = worldSuite->PF_GetPixelFormat(input != nullptr ? input : output, &format);
  }
  if (err == PF_Err_NONE) {
    RenderBuffers(DepthOfSmartFormat(format), FrameOfWorld(input), FrameOfWorld(output),
                  *settings, in_data->width);
  }
  const PF_Err checkinErr = checkin.Checkin();
  if (err == PF_Err_NONE) err = checkinErr;
  return err;
}

}  // namespace morvane
