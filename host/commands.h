// The handlers of the commands the effect answers, one per host command, and the adapter's one
// piece of library-wide state.
#pragma once
#include "host_api/ae_types.h"

namespace morvane {

// Premiere Pro's pixel format suite, acquired once at global setup there and kept for the render
// path (the host expects it held from then on); null in After Effects. Written before the host
// renders, only read afterwards. Nothing below the adapter sees it.
extern const PF_PixelFormatSuite* gPixelFormatSuite;

PF_Err About(PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);

// Reactions to the user's edits: presets, the luminosity order and the enabling rules.
PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamList params,
                        const PF_UserChangedParamExtra* extra);
PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamList params);

// After Effects asks for a frame in two steps: the settings are read at pre-render into a block the
// host keeps, the frame is drawn at smart render. Premiere Pro asks in one (Render).
PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);
PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamList params, PF_LayerDef* output);

}  // namespace morvane
