// The 25 control values as the host holds them (sliders 16.16, popups 1-based, checkboxes 0 or 1),
// built the way a user builds them in the panel: the defaults, then a preset, then single
// changes. The settings block is read from them through the effect's own reader, so a picture
// rendered here equals the module's for the same values.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "effect/control_id.h"
#include "effect/controls.h"
#include "effect/shape_settings.h"

namespace morvane::cli {

// Whether --set may change the control: popups, checkboxes and sliders other than "Preset".
bool Settable(const ControlDef& c);

// A preset by its popup name (any case) or its number 1..20. Throws a usage error otherwise.
int ParsePreset(std::string_view text);

// Writes the preset's twenty columns as the "Preset" popup does, out-of-range values included,
// and sets the popup itself to the preset.
void ApplyPreset(ControlValues& values, int preset);

// One "Control=value" change: the control by its panel name (any case); a popup by entry name or
// number, a checkbox by on/off/1/0, a slider by a decimal inside its valid range. Throws a usage
// error naming the problem and what is valid.
void ApplyOverride(ControlValues& values, std::string_view assignment);

// Defaults, the preset (0: none), then the overrides in order. "Minimum Luminosity" above
// "Maximum Luminosity" is refused, as the panel never lets the two cross.
ControlValues BuildControlValues(int preset, const std::vector<std::string>& overrides);

// A typed slider value in 16.16 as the host stores it: the exact decimal times 65536, truncated
// toward zero ("1.8" gives 117964; "1e1" and "2.5E-1" are decimals too). `truncated` tells that the decimal lies strictly between
// `fixed` and the next value away from zero; range checks use it to compare the exact decimal.
struct FixedDecimal {
  int64_t fixed = 0;
  bool negative = false;
  bool truncated = false;
};
std::optional<FixedDecimal> ParseFixedDecimal(std::string_view text);

// One warning per control changed by `overrides` that the panel would grey out with these values
// ("\"Grid Randomization\" has no effect unless ..."): the change is kept, but does nothing.
std::vector<std::string> IneffectiveOverrideWarnings(const ControlValues& values,
                                                     const std::vector<std::string>& overrides);

// Every settable control as "Name=value", in panel order, in the form --set takes back.
std::string SettingsText(const ControlValues& values);

// The listings of `morvane controls` and `morvane presets`.
std::string ControlsText();
std::string PresetsText();

}  // namespace morvane::cli
