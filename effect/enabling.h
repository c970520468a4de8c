// Which controls are greyed out: "Fill", "Line Width", "Fade Level" and "Grid Randomization" only
// matter for some settings of others. Disabled controls stay visible and keep their values.
// The rules are pure functions of control values as the host holds them; the host adapter writes
// them into the panel, the command-line renderer warns about a change that has no effect.
#pragma once
#include <cstdint>

#include "effect/controls.h"

namespace morvane {

// Line and Curve have no inside.
constexpr bool FillEnabled(int32_t shapeType) {
  return shapeType > PopupValue(ShapeTypeEntry::kCurve);
}
// Filled shapes have no stroke, and a circle's outline is one pixel whatever the width.
constexpr bool LineWidthEnabled(int32_t fill, int32_t shapeType) {
  return fill == 0 && shapeType != PopupValue(ShapeTypeEntry::kCircle);
}
constexpr bool FadeLevelEnabled(int32_t fadeType) {
  return fadeType != PopupValue(FadeTypeEntry::kNone);
}
// Only "Grid" has a grid.
constexpr bool GridRandomizationEnabled(int32_t strategy) {
  return strategy == PopupValue(StrategyEntry::kGrid);
}

// Whether the control is enabled for these values; controls without a rule always are.
bool ControlEnabled(ControlId id, const ControlValues& values);

}  // namespace morvane
