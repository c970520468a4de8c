// Which controls are greyed out: "Fill", "Line Width", "Fade Level" and "Grid Randomization"
// only matter for some settings of others. Disabled controls stay visible and keep their values.
//
// Each rule writes the whole interface flags word of its control (none of the four carries any
// other interface flag), marks the record changed so the host takes it, and tells the host
// through PF_UpdateParamUI with the host's own record.
#pragma once
#include <cstdint>

#include "host/api/ae_types.h"
#include "host/api/suites.h"

namespace morvane {

inline constexpr PF_ParamUIFlags kControlEnabled = PF_PUI_NONE;
inline constexpr PF_ParamUIFlags kControlDisabled = PF_PUI_DISABLED;

// The rules, on raw values: popups 1-based, checkboxes 0 or 1.
constexpr PF_ParamUIFlags FillUIFlags(int32_t shapeType) {
  return shapeType <= 2 ? kControlDisabled : kControlEnabled;  // Line and Curve have no inside
}
constexpr PF_ParamUIFlags LineWidthUIFlags(int32_t fill, int32_t shapeType) {
  return fill != 0 || shapeType == 5 ? kControlDisabled : kControlEnabled;  // nothing stroked
}
constexpr PF_ParamUIFlags FadeLevelUIFlags(int32_t fadeType) {
  return fadeType == 1 ? kControlDisabled : kControlEnabled;  // "None"
}
constexpr PF_ParamUIFlags GridRandomizationUIFlags(int32_t strategy) {
  return strategy != 3 ? kControlDisabled : kControlEnabled;  // only "Grid" has a grid
}

// PF_UpdateParamUI for params[index]. Raises 516 through `suites` when the suite is missing.
PF_Err UpdateParamUI(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params, int index);

// The entry points for a user's change of the control a rule depends on. Each returns the code of
// its last PF_UpdateParamUI call.
PF_Err ApplyShapeTypeChange(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);
PF_Err ApplyLineWidthRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);
PF_Err ApplyFadeLevelRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);
PF_Err ApplyGridRandomizationRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);

// All four rules, for the user-interface refresh. After a failing PF_UpdateParamUI the later
// rules still write their records but the host is not called again; the failure is not reported.
void ApplyAllRules(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);

}  // namespace morvane
