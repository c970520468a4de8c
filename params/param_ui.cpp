#include "params/param_ui.h"

namespace morvane {

// Placeholder until the presets and enabling rules land.
PF_Err UserChangedParam(PF_InData*, PF_OutData*, PF_ParamList, const PF_UserChangedParamExtra*) {
  return PF_Err_NONE;
}
PF_Err UpdateParamsUI(PF_InData*, PF_OutData*, PF_ParamList) { return PF_Err_NONE; }

}  // namespace morvane
