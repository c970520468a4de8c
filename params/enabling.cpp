#include "params/enabling.h"

#include "render/param_index.h"

namespace morvane {
namespace {

int32_t ShapeType(PF_ParamList params) { return params[PARAM_SHAPE_TYPE]->u.pd.value; }
int32_t& Fill(PF_ParamList params) { return params[PARAM_FILL]->u.bd.value; }
int32_t FadeType(PF_ParamList params) { return params[PARAM_FADE_TYPE]->u.pd.value; }
int32_t Strategy(PF_ParamList params) { return params[PARAM_START_POS_STRATEGY]->u.pd.value; }

void MarkChanged(PF_ParamDef& def) { def.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE; }

void SetState(PF_ParamDef& def, PF_ParamUIFlags uiFlags) {
  def.ui_flags = uiFlags;
  MarkChanged(def);
}

void WriteFillRule(PF_ParamList params) { SetState(*params[PARAM_FILL], FillUIFlags(ShapeType(params))); }
void WriteLineWidthRule(PF_ParamList params) {
  SetState(*params[PARAM_LINE_WIDTH], LineWidthUIFlags(Fill(params), ShapeType(params)));
}
void WriteFadeLevelRule(PF_ParamList params) {
  SetState(*params[PARAM_FADE_LEVEL], FadeLevelUIFlags(FadeType(params)));
}
void WriteGridRandomizationRule(PF_ParamList params) {
  SetState(*params[PARAM_GRID_RANDOMIZATION], GridRandomizationUIFlags(Strategy(params)));
}

}  // namespace

PF_Err UpdateParamUI(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params, int index) {
  return suites.ParamUtilsSuite3()->PF_UpdateParamUI(in_data->effect_ref, index, params[index]);
}

PF_Err ApplyShapeTypeChange(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  PF_ParamDef& fill = *params[PARAM_FILL];
  fill.ui_flags = FillUIFlags(ShapeType(params));
  if (fill.ui_flags == kControlDisabled) Fill(params) = 0;  // Line and Curve switch filling off
  WriteLineWidthRule(params);
  const PF_Err err = UpdateParamUI(suites, in_data, params, PARAM_LINE_WIDTH);
  MarkChanged(fill);
  if (err != PF_Err_NONE) return err;
  return UpdateParamUI(suites, in_data, params, PARAM_FILL);
}

PF_Err ApplyLineWidthRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  WriteLineWidthRule(params);
  return UpdateParamUI(suites, in_data, params, PARAM_LINE_WIDTH);
}

PF_Err ApplyFadeLevelRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  WriteFadeLevelRule(params);
  return UpdateParamUI(suites, in_data, params, PARAM_FADE_LEVEL);
}

PF_Err ApplyGridRandomizationRule(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  WriteGridRandomizationRule(params);
  return UpdateParamUI(suites, in_data, params, PARAM_GRID_RANDOMIZATION);
}

void ApplyAllRules(SuiteHandler& suites, const PF_InData* in_data, PF_ParamList params) {
  // "Line Width" reads "Fill" as the project holds it: the refresh never switches filling off,
  // so a Curve with "Fill" on keeps it on and its width stays disabled.
  constexpr struct {
    int index;
    void (*write)(PF_ParamList);
  } kRules[] = {
      {PARAM_FILL, &WriteFillRule},
      {PARAM_LINE_WIDTH, &WriteLineWidthRule},
      {PARAM_GRID_RANDOMIZATION, &WriteGridRandomizationRule},
      {PARAM_FADE_LEVEL, &WriteFadeLevelRule},
  };
  PF_Err err = PF_Err_NONE;
  for (const auto& rule : kRules) {
    rule.write(params);
    if (err == PF_Err_NONE) err = UpdateParamUI(suites, in_data, params, rule.index);
  }
}

}  // namespace morvane
