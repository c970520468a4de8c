// The enabling rules applied to the host's records (see control_reactions.h).
#include "host/control_reactions.h"

#include "effect/control_id.h"
#include "effect/enabling.h"

namespace morvane {
namespace {

PF_ParamDef& Record(PF_ParamList params, ControlId id) { return *params[SlotOf(id)]; }
int32_t ShapeType(PF_ParamList params) { return Record(params, ControlId::kShapeType).u.pd.value; }
int32_t& Fill(PF_ParamList params) { return Record(params, ControlId::kFill).u.bd.value; }
int32_t FadeType(PF_ParamList params) { return Record(params, ControlId::kFadeType).u.pd.value; }
int32_t Strategy(PF_ParamList params) {
  return Record(params, ControlId::kStartPosStrategy).u.pd.value;
}

PF_ParamUIFlags UIFlags(bool enabled) { return enabled ? PF_PUI_NONE : PF_PUI_DISABLED; }

void MarkChanged(PF_ParamDef& def) { def.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE; }

void SetState(PF_ParamDef& def, PF_ParamUIFlags uiFlags) {
  def.ui_flags = uiFlags;
  MarkChanged(def);
}

void WriteFillRule(PF_ParamList params) {
  SetState(Record(params, ControlId::kFill), UIFlags(FillEnabled(ShapeType(params))));
}
void WriteLineWidthRule(PF_ParamList params) {
  SetState(Record(params, ControlId::kLineWidth),
           UIFlags(LineWidthEnabled(Fill(params), ShapeType(params))));
}
void WriteFadeLevelRule(PF_ParamList params) {
  SetState(Record(params, ControlId::kFadeLevel), UIFlags(FadeLevelEnabled(FadeType(params))));
}
void WriteGridRandomizationRule(PF_ParamList params) {
  SetState(Record(params, ControlId::kGridRandomization),
           UIFlags(GridRandomizationEnabled(Strategy(params))));
}

}  // namespace

PF_Err UpdateParamUI(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params, int slot) {
  return suites.ParamUtilsSuite3()->PF_UpdateParamUI(in_data->effect_ref, slot, params[slot]);
}

PF_Err ApplyShapeTypeChange(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  PF_ParamDef& fill = Record(params, ControlId::kFill);
  const bool fillEnabled = FillEnabled(ShapeType(params));
  fill.ui_flags = UIFlags(fillEnabled);
  if (!fillEnabled) Fill(params) = 0;  // Line and Curve switch filling off
  WriteLineWidthRule(params);
  const PF_Err err = UpdateParamUI(suites, in_data, params, SlotOf(ControlId::kLineWidth));
  MarkChanged(fill);
  if (err != PF_Err_NONE) return err;
  return UpdateParamUI(suites, in_data, params, SlotOf(ControlId::kFill));
}

PF_Err ApplyLineWidthRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  WriteLineWidthRule(params);
  return UpdateParamUI(suites, in_data, params, SlotOf(ControlId::kLineWidth));
}

PF_Err ApplyFadeLevelRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  WriteFadeLevelRule(params);
  return UpdateParamUI(suites, in_data, params, SlotOf(ControlId::kFadeLevel));
}

PF_Err ApplyGridRandomizationRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  WriteGridRandomizationRule(params);
  return UpdateParamUI(suites, in_data, params, SlotOf(ControlId::kGridRandomization));
}

void ApplyAllRules(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  // "Line Width" reads "Fill" as the project holds it: the refresh never switches filling off,
  // so a Curve with "Fill" on keeps it on and its width stays disabled.
  constexpr struct {
    ControlId id;
    void (*write)(PF_ParamList);
  } kRules[] = {
      {ControlId::kFill, &WriteFillRule},
      {ControlId::kLineWidth, &WriteLineWidthRule},
      {ControlId::kGridRandomization, &WriteGridRandomizationRule},
      {ControlId::kFadeLevel, &WriteFadeLevelRule},
  };
  PF_Err err = PF_Err_NONE;
  for (const auto& rule : kRules) {
    rule.write(params);
    if (err == PF_Err_NONE) err = UpdateParamUI(suites, in_data, params, SlotOf(rule.id));
  }
}

}  // namespace morvane
