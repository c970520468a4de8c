// Reactions to the user's edits: presets, the luminosity order and the enabling rules.
#pragma once
#include "host/api/ae_types.h"

namespace morvane {

PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamList params,
                        const PF_UserChangedParamExtra* extra);
PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamList params);

}  // namespace morvane
