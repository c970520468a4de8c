// Handlers of the commands that the host interface owns itself.
#pragma once
#include "host/api/ae_types.h"

namespace morvane {

// Premiere Pro's pixel format suite, acquired once at global setup there and kept for the render
// path; null in After Effects. Written before the host renders, only read afterwards.
extern const PF_PixelFormatSuite* gPixelFormatSuite;

PF_Err About(PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);

}  // namespace morvane
