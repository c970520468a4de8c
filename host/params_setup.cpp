// Parameter setup: the control table registered with the host, one record per control after the
// host's own input layer.
#include <cstring>

#include "effect/controls.h"
#include "host/commands.h"

namespace morvane {
namespace {

constexpr int32_t Fixed(int32_t whole) { return whole * 65536; }

PF_ParamFlags FlagsOf(const ControlDef& c) {
  uint32_t flags = 0;
  if (c.supervised) flags |= PF_ParamFlag_SUPERVISE;
  if (c.holdsKeyframes) flags |= PF_ParamFlag_CANNOT_INTERP;
  return static_cast<PF_ParamFlags>(flags);
}

PF_ParamUIFlags UIFlagsOf(const ControlDef& c) {
  uint32_t flags = 0;
  if (c.startsDisabled) flags |= PF_PUI_DISABLED;
  if (c.separatorAfter) flags |= PF_PUI_ECW_SEPARATOR;
  return static_cast<PF_ParamUIFlags>(flags);
}

void FillRecord(PF_InData* in_data, const ControlDef& c, PF_ParamDef& def) {
  std::memset(&def, 0, sizeof def);
  in_data->utils->ansi.strcpy(def.name, c.name);
  def.flags = FlagsOf(c);
  def.ui_flags = UIFlagsOf(c);
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
  def.uu.id = SlotOf(c.id);
}

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
  for (const ControlDef& c : Controls()) {
    PF_ParamDef def;
    FillRecord(in_data, c, def);
    if (PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def); err != PF_Err_NONE) {
      return err;
    }
  }
  out_data->num_params = kControlSlotCount;
  return PF_Err_NONE;
}

}  // namespace morvane
