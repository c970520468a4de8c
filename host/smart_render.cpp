// The smart render frame: checks the input and output out, learns the input's pixel format and
// hands over to the render core. The input is checked in again on every path that reached the
// checkout, including the one where the World Suite cannot be acquired.
#include "host/commands.h"
#include "host/api/suites.h"
#include "render/render_frame.h"
#include "render/shape_settings.h"

namespace morvane {
namespace {

constexpr A_long kInputCheckoutId = 0;

// Checks the input in exactly once: explicitly on the normal path (while the World Suite is still
// held, as the host expects), or on unwinding when something raised.
class InputCheckin {
 public:
  InputCheckin(PF_InData* in_data, PF_SmartRenderCallbacks* cb) : in_data_(in_data), cb_(cb) {}
  ~InputCheckin() {
    if (!done_) cb_->checkin_layer_pixels(in_data_->effect_ref, kInputCheckoutId);
  }
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

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra) {
  if (extra == nullptr || extra->input == nullptr || extra->cb == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
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
  if (err == PF_Err_NONE) err = worldSuite->PF_GetPixelFormat(input != nullptr ? input : output, &format);
  if (err == PF_Err_NONE) err = SmartRenderCore(in_data, out_data, format, input, output, extra, settings);
  const PF_Err checkinErr = checkin.Checkin();
  if (err == PF_Err_NONE) err = checkinErr;
  return err;
}

}  // namespace morvane
