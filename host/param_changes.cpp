// The effect's reactions to a changed control and to the host's user-interface refresh. Both
// write into the host's parameter records in place; out_data is never touched.
#include "effect/control_id.h"
#include "effect/presets.h"
#include "host/commands.h"
#include "host/control_reactions.h"
#include "host/suites.h"

namespace morvane {
namespace {

int32_t& ValueOf(PF_ParamDef& def, PresetValueKind kind) {
  switch (kind) {
    case PresetValueKind::Popup: return def.u.pd.value;
    case PresetValueKind::Checkbox: return def.u.bd.value;
    case PresetValueKind::Whole:
    case PresetValueKind::ThirtySeconds: break;
  }
  return def.u.fd.value;
}

// Enabling follows from the written values in the refresh the host sends next, not from here.
PF_Err ApplyPreset(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  const int32_t preset = params[SlotOf(ControlId::kPreset)]->u.pd.value;
  if (preset < 1 || preset > kPresetCount) return PF_Err_NONE;
  PF_Err result = PF_Err_NONE;
  for (int column = 0; column < kPresetColumnCount; ++column) {
    const int slot = SlotOf(kPresetColumns[column]);
    PF_ParamDef& def = *params[slot];
    ValueOf(def, kPresetValueKind[column]) = PresetControlValue(preset, column);
    def.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
    def.flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
    // After a failure the remaining controls still take their values; only the host calls stop.
    if (result == PF_Err_NONE) result = UpdateParamUI(suites, in_data, params, slot);
  }
  return result;
}

// The control the user moved gives way; the other keeps its value. Raw 16.16 values compare as
// signed numbers.
PF_Err KeepMinimumAtOrBelowMaximum(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  PF_ParamDef& minimum = *params[SlotOf(ControlId::kMinLuminosity)];
  const int32_t maximum = params[SlotOf(ControlId::kMaxLuminosity)]->u.fd.value;
  if (minimum.u.fd.value > maximum) minimum.u.fd.value = maximum;
  minimum.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
  return UpdateParamUI(suites, in_data, params, SlotOf(ControlId::kMinLuminosity));
}

PF_Err KeepMaximumAtOrAboveMinimum(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  PF_ParamDef& maximum = *params[SlotOf(ControlId::kMaxLuminosity)];
  const int32_t minimum = params[SlotOf(ControlId::kMinLuminosity)]->u.fd.value;
  if (maximum.u.fd.value < minimum) maximum.u.fd.value = minimum;
  maximum.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
  return UpdateParamUI(suites, in_data, params, SlotOf(ControlId::kMaxLuminosity));
}

using ChangeHandler = PF_Err (*)(SuiteHandler&, const PF_InData*, PF_ParamList);

// The supervised controls and what a change of each does.
constexpr struct {
  ControlId id;
  ChangeHandler handle;
} kChangeHandlers[] = {
    {ControlId::kPreset, &ApplyPreset},
    {ControlId::kShapeType, &ApplyShapeTypeChange},
    {ControlId::kFill, &ApplyLineWidthRule},
    {ControlId::kFadeType, &ApplyFadeLevelRule},
    {ControlId::kMinLuminosity, &KeepMinimumAtOrBelowMaximum},
    {ControlId::kMaxLuminosity, &KeepMaximumAtOrAboveMinimum},
    {ControlId::kStartPosStrategy, &ApplyGridRandomizationRule},
};

}  // namespace

// The suite holder exists from the start, but the suite itself is acquired at the first
// PF_UpdateParamUI: a missing suite ends the command with 516 after the writes made before that
// call, which stay in the host's records.
PF_Err UserChangedParam(PF_InData* in_data, PF_OutData*, PF_ParamList params,
                        const PF_UserChangedParamExtra* extra) {
  SuiteHandler suites(in_data->pica_basicP);
  if (extra == nullptr) return PF_Err_NONE;
  for (const auto& entry : kChangeHandlers) {
    if (SlotOf(entry.id) == extra->param_index) return entry.handle(suites, in_data, params);
  }
  return PF_Err_NONE;
}

PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData*, PF_ParamList params) {
  SuiteHandler suites(in_data->pica_basicP);
  ApplyAllRules(suites, in_data, params);
  return PF_Err_NONE;
}

}  // namespace morvane
