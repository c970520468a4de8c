// The effect's 25 controls: kind, name, range, default, display and behaviour flags.
//
// kControls is the one description of the controls. ParamsSetup registers it with the host; the
// command-line renderer reads the same table for its defaults, names and valid ranges.
#pragma once
#include <cstdint>
#include <span>

#include "host/api/ae_types.h"
#include "render/param_index.h"

namespace morvane {

enum class ControlKind { kPopup, kCheckbox, kSlider, kGroupStart, kGroupEnd };

struct ControlDef {
  int index;
  ControlKind kind;
  const char* name;       // as shown in the panel; "" for group ends
  uint32_t flags;         // PF_ParamFlag_*
  uint32_t uiFlags;       // PF_PUI_*
  // Popups: the entries separated by "|", their number and the 1-based default.
  const char* popupEntries;
  int16_t numChoices;
  // Popups and checkboxes: the default value; sliders: the 16.16 default.
  int32_t defaultValue;
  // Sliders: the valid (= slider) range in whole numbers, decimals shown, percent display.
  int32_t validMin;
  int32_t validMax;
  int16_t precision;
  bool percent;
};

// Index 1 to 25 in order (entry i − 1 describes control i).
std::span<const ControlDef> Controls();
const ControlDef& Control(int index);

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);

}  // namespace morvane
