#include "params/param_set.h"

#include <cstring>

#include "params/presets.h"

namespace morvane {
namespace {

constexpr uint32_t kSupervise = PF_ParamFlag_SUPERVISE;
constexpr uint32_t kCannotInterp = PF_ParamFlag_CANNOT_INTERP;
constexpr uint32_t kDisabled = PF_PUI_DISABLED;
constexpr uint32_t kSeparator = PF_PUI_ECW_SEPARATOR;

constexpr int32_t Fixed(int32_t whole) { return whole * 65536; }

constexpr ControlDef Popup(int index, const char* name, uint32_t flags, const char* entries,
                           int16_t choices, int32_t dflt) {
  return {index, ControlKind::kPopup, name, flags, 0, entries, choices, dflt, 0, 0, 0, false};
}
constexpr ControlDef Checkbox(int index, const char* name, uint32_t flags, uint32_t ui, int32_t dflt) {
  return {index, ControlKind::kCheckbox, name, flags, ui, nullptr, 0, dflt, 0, 1, 0, false};
}
constexpr ControlDef Slider(int index, const char* name, uint32_t flags, uint32_t ui, int32_t lo,
                            int32_t hi, int32_t fixedDefault, int16_t precision, bool percent = false) {
  return {index, ControlKind::kSlider, name, flags, ui, nullptr, 0, fixedDefault, lo, hi, precision, percent};
}
constexpr ControlDef GroupStart(int index, const char* name) {
  return {index, ControlKind::kGroupStart, name, 0, 0, nullptr, 0, 0, 0, 0, 0, false};
}
constexpr ControlDef GroupEnd(int index) {
  return {index, ControlKind::kGroupEnd, "", 0, 0, nullptr, 0, 0, 0, 0, 0, false};
}


// 1.8 is stored as 0x0001CCCC (1.79998779296875): the host keeps what the effect registered, and
// saved projects compare against it.
constexpr int32_t kLineWidthDefault = 117964;

constexpr ControlDef kControls[] = {
    Popup(PARAM_PRESET, "Preset", kSupervise, kPresetPopupEntries, kPresetCount, 1),
    Checkbox(PARAM_KEEP_ORIGINAL, "Keep Original Image", kCannotInterp, kSeparator, 0),
    GroupStart(PARAM_SHAPE_GROUP, "Shape"),
    Popup(PARAM_SHAPE_TYPE, "Shape type", kSupervise, "Line|Curve|Triangle|Square|Circle|Rectangle", 6, 3),
    Slider(PARAM_COUNT, "Count", 0, 0, 1, 16384, Fixed(1000), 0),
    Slider(PARAM_RECURSION_STEPS, "Recursion Steps", 0, 0, 1, 512, Fixed(1), 0),
    Slider(PARAM_SIZE, "Size", 0, 0, 1, 512, Fixed(28), 0),
    Slider(PARAM_SIZE_GROWTH, "Size Growth", 0, 0, 0, 256, Fixed(32), 0),
    Slider(PARAM_LINE_WIDTH, "Line Width", 0, 0, 1, 32, kLineWidthDefault, 1),
    Checkbox(PARAM_FILL, "Fill", kSupervise | kCannotInterp, kDisabled, 0),
    Slider(PARAM_OPACITY, "Opacity", 0, 0, 0, 100, Fixed(100), 0, true),
    Slider(PARAM_STARTING_ANGLE, "Starting Angle", 0, 0, 0, 360, Fixed(228), 1),
    Slider(PARAM_ANGLE_RANDOMIZATION, "Angle Randomization", 0, 0, 0, 360, Fixed(32), 1),
    Slider(PARAM_ANGLE_RANGE, "Angle Range", 0, 0, 1, 360, Fixed(150), 1),
    GroupEnd(PARAM_SHAPE_GROUP_END),
    GroupStart(PARAM_MATCHING_GROUP, "Image Matching"),
    Slider(PARAM_MATCHING_ACCURACY, "Matching Accuracy", 0, 0, 0, 100, Fixed(95), 0, true),
    Popup(PARAM_FADE_TYPE, "Fade Type", kSupervise,
          "None|Fade out by size|Fade in by size|Fade out by recursion|Fade in by recursion", 5, 2),
    Slider(PARAM_FADE_LEVEL, "Fade Level", 0, 0, 0, 100, Fixed(40), 0, true),
    Slider(PARAM_MIN_LUMINOSITY, "Minimum Luminosity", kSupervise, 0, 0, 255, Fixed(2), 0),
    Slider(PARAM_MAX_LUMINOSITY, "Maximum Luminosity", kSupervise, 0, 0, 255, Fixed(255), 0),
    Popup(PARAM_START_POS_STRATEGY, "Starting Pos. Strategy", kSupervise, "Random|Stable Random|Grid", 3, 2),
    Slider(PARAM_GRID_RANDOMIZATION, "Grid Randomization", 0, kDisabled, 0, 100, Fixed(0), 0, true),
    Slider(PARAM_RANDOM_SEED, "Random Seed (Evolution)", 0, 0, 2, 16384, Fixed(777), 0),
    GroupEnd(PARAM_MATCHING_GROUP_END),
};
static_assert(std::size(kControls) == PARAM_NUM_PARAMS - 1);

constexpr bool IndicesInOrder() {
  for (size_t i = 0; i < std::size(kControls); ++i) {
    if (kControls[i].index != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(IndicesInOrder());

void FillRecord(PF_InData* in_data, const ControlDef& c, PF_ParamDef& def) {
  std::memset(&def, 0, sizeof def);
  in_data->utils->ansi.strcpy(def.name, c.name);
  def.flags = static_cast<PF_ParamFlags>(c.flags);
  def.ui_flags = static_cast<PF_ParamUIFlags>(c.uiFlags);
  switch (c.kind) {
    case ControlKind::kPopup:
      def.param_type = PF_Param_POPUP;
      def.u.pd.value = c.defaultValue;
      def.u.pd.num_choices = c.numChoices;
      def.u.pd.dephault = static_cast<A_short>(c.defaultValue);
      def.u.pd.u.namesptr = c.popupEntries;
      break;
    case ControlKind::kCheckbox:
      def.param_type = PF_Param_CHECKBOX;
      def.u.bd.value = c.defaultValue;
      def.u.bd.dephault = static_cast<PF_Boolean>(c.defaultValue);
      def.u.bd.u.nameptr = "";
      break;
    case ControlKind::kSlider:
      def.param_type = PF_Param_FIX_SLIDER;
      def.u.fd.value = c.defaultValue;
      def.u.fd.valid_min = Fixed(c.validMin);
      def.u.fd.valid_max = Fixed(c.validMax);
      def.u.fd.slider_min = Fixed(c.validMin);
      def.u.fd.slider_max = Fixed(c.validMax);
      def.u.fd.dephault = c.defaultValue;
      def.u.fd.precision = c.precision;
      def.u.fd.display_flags = c.percent ? PF_ValueDisplayFlag_PERCENT : PF_ValueDisplayFlag_NONE;
      break;
    case ControlKind::kGroupStart: def.param_type = PF_Param_GROUP_START; break;
    case ControlKind::kGroupEnd: def.param_type = PF_Param_GROUP_END; break;
  }
  def.uu.id = c.index;
}

}  // namespace

std::span<const ControlDef> Controls() { return kControls; }

const ControlDef& Control(int index) { return kControls[index - 1]; }

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
  for (const ControlDef& c : kControls) {
    PF_ParamDef def;
    FillRecord(in_data, c, def);
    if (PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def); err != PF_Err_NONE) return err;
  }
  out_data->num_params = PARAM_NUM_PARAMS;
  return PF_Err_NONE;
}

}  // namespace morvane
