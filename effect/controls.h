// The effect's 25 controls: kinds, names, ranges, defaults and popup entries.
//
// This table is the one description of the controls. The host adapter registers it with the host,
// the settings reader and the settings conversion take their read order and their caps from it,
// and the command-line renderer its names, defaults and valid ranges.
// Must not: mention the host's types.
#pragma once
#include <cstdint>
#include <iterator>
#include <span>

#include "effect/control_id.h"
#include "effect/presets.h"

namespace morvane {

enum class ControlKind { kPopup, kCheckbox, kSlider, kGroupStart, kGroupEnd };

struct ControlDef {
  ControlId id;
  ControlKind kind;
  const char* name;      // as shown in the panel; "" for group ends
  bool supervised;       // the effect reacts when the user changes it
  bool holdsKeyframes;   // jumps from keyframe to keyframe instead of interpolating
  bool startsDisabled;   // greyed out until an enabling rule says otherwise
  bool separatorAfter;   // a line below it in the panel
  // Popups: the entries separated by "|" and their number.
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

namespace control_table_detail {

constexpr int32_t Fixed(int32_t whole) { return whole * 65536; }

struct Behaviour {
  bool supervised = false;
  bool holdsKeyframes = false;
  bool startsDisabled = false;
  bool separatorAfter = false;
};
inline constexpr Behaviour kPlain{};
inline constexpr Behaviour kSupervised{.supervised = true};

constexpr ControlDef Popup(ControlId id, const char* name, Behaviour b, const char* entries,
                           int16_t choices, int32_t dflt) {
  return {id, ControlKind::kPopup, name, b.supervised, b.holdsKeyframes, b.startsDisabled,
          b.separatorAfter, entries, choices, dflt, 0, 0, 0, false};
}
constexpr ControlDef Checkbox(ControlId id, const char* name, Behaviour b, int32_t dflt) {
  return {id, ControlKind::kCheckbox, name, b.supervised, b.holdsKeyframes, b.startsDisabled,
          b.separatorAfter, nullptr, 0, dflt, 0, 1, 0, false};
}
constexpr ControlDef Slider(ControlId id, const char* name, Behaviour b, int32_t lo, int32_t hi,
                            int32_t fixedDefault, int16_t precision, bool percent = false) {
  return {id, ControlKind::kSlider, name, b.supervised, b.holdsKeyframes, b.startsDisabled,
          b.separatorAfter, nullptr, 0, fixedDefault, lo, hi, precision, percent};
}
constexpr ControlDef GroupStart(ControlId id, const char* name) {
  return {id, ControlKind::kGroupStart, name, false, false, false, false, nullptr, 0, 0, 0, 0, 0,
          false};
}
constexpr ControlDef GroupEnd(ControlId id) {
  return {id, ControlKind::kGroupEnd, "", false, false, false, false, nullptr, 0, 0, 0, 0, 0,
          false};
}

// 1.8 is stored as 0x0001CCCC (1.79998779296875): the host keeps what the effect registered, and
// saved projects compare against it.
inline constexpr int32_t kLineWidthDefault = 117964;

using enum ControlId;

inline constexpr ControlDef kControls[] = {
    Popup(kPreset, "Preset", kSupervised, kPresetPopupEntries, kPresetCount, 1),
    Checkbox(kKeepOriginal, "Keep Original Image", {.holdsKeyframes = true, .separatorAfter = true},
             0),
    GroupStart(kShapeGroup, "Shape"),
    Popup(kShapeType, "Shape type", kSupervised, "Line|Curve|Triangle|Square|Circle|Rectangle", 6,
          PopupValue(ShapeTypeEntry::kTriangle)),
    Slider(kCount, "Count", kPlain, 1, 16384, Fixed(1000), 0),
    Slider(kRecursionSteps, "Recursion Steps", kPlain, 1, 512, Fixed(1), 0),
    Slider(kSize, "Size", kPlain, 1, 512, Fixed(28), 0),
    Slider(kSizeGrowth, "Size Growth", kPlain, 0, 256, Fixed(32), 0),
    Slider(kLineWidth, "Line Width", kPlain, 1, 32, kLineWidthDefault, 1),
    Checkbox(kFill, "Fill", {.supervised = true, .holdsKeyframes = true, .startsDisabled = true}, 0),
    Slider(kOpacity, "Opacity", kPlain, 0, 100, Fixed(100), 0, true),
    Slider(kStartingAngle, "Starting Angle", kPlain, 0, 360, Fixed(228), 1),
    Slider(kAngleRandomization, "Angle Randomization", kPlain, 0, 360, Fixed(32), 1),
    Slider(kAngleRange, "Angle Range", kPlain, 1, 360, Fixed(150), 1),
    GroupEnd(kShapeGroupEnd),
    GroupStart(kMatchingGroup, "Image Matching"),
    Slider(kMatchingAccuracy, "Matching Accuracy", kPlain, 0, 100, Fixed(95), 0, true),
    Popup(kFadeType, "Fade Type", kSupervised,
          "None|Fade out by size|Fade in by size|Fade out by recursion|Fade in by recursion", 5,
          PopupValue(FadeTypeEntry::kFadeOutBySize)),
    Slider(kFadeLevel, "Fade Level", kPlain, 0, 100, Fixed(40), 0, true),
    Slider(kMinLuminosity, "Minimum Luminosity", kSupervised, 0, 255, Fixed(2), 0),
    Slider(kMaxLuminosity, "Maximum Luminosity", kSupervised, 0, 255, Fixed(255), 0),
    Popup(kStartPosStrategy, "Starting Pos. Strategy", kSupervised, "Random|Stable Random|Grid", 3,
          PopupValue(StrategyEntry::kStableRandom)),
    Slider(kGridRandomization, "Grid Randomization", {.startsDisabled = true}, 0, 100, Fixed(0), 0,
           true),
    Slider(kRandomSeed, "Random Seed (Evolution)", kPlain, 2, 16384, Fixed(777), 0),
    GroupEnd(kMatchingGroupEnd),
};
static_assert(std::size(kControls) == kControlSlotCount - 1);

constexpr bool IdsInOrder() {
  for (size_t i = 0; i < std::size(kControls); ++i) {
    if (SlotOf(kControls[i].id) != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(IdsInOrder());

// The popups' entry counts match their named entries.
static_assert(kControls[SlotOf(kShapeType) - 1].numChoices ==
              PopupValue(ShapeTypeEntry::kRectangle));
static_assert(kControls[SlotOf(kFadeType) - 1].numChoices ==
              PopupValue(FadeTypeEntry::kFadeInByRecursion));
static_assert(kControls[SlotOf(kStartPosStrategy) - 1].numChoices ==
              PopupValue(StrategyEntry::kGrid));

}  // namespace control_table_detail

// The 25 controls in id order (entry i describes the control of id i + 1).
constexpr std::span<const ControlDef> Controls() { return control_table_detail::kControls; }
constexpr const ControlDef& Control(ControlId id) {
  return control_table_detail::kControls[SlotOf(id) - 1];
}

// Every control at its default.
ControlValues DefaultControlValues();

}  // namespace morvane
