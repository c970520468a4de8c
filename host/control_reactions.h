// The enabling rules written into the host's records. Each rule writes the whole interface flags
// word of its control (none of the four carries any other interface flag), marks the record
// changed so the host takes it, and tells the host through PF_UpdateParamUI with the host's own
// record.
#pragma once
#include "host/suites.h"
#include "host_api/ae_types.h"

namespace morvane {

// PF_UpdateParamUI for params[slot]. Raises the missing-suite error through `suites` when the
// suite is missing.
PF_Err UpdateParamUI(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params, int slot);

// The entry points for a user's change of the control a rule depends on. Each returns the code of
// its last PF_UpdateParamUI call.
PF_Err ApplyShapeTypeChange(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);
PF_Err ApplyLineWidthRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);
PF_Err ApplyFadeLevelRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);
PF_Err ApplyGridRandomizationRule(SuiteHandler& suites, const PF_InData* in_data,
                                  PF_ParamList params);

// All four rules, for the user-interface refresh. After a failing PF_UpdateParamUI the later
// rules still write their records but the host is not called again; the failure is not reported.
void ApplyAllRules(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params);

}  // namespace morvane
