// The controls' ids, their values as the host holds them, and the popups' entries by name.
// Must not: renumber a control (ids are stored in saved projects).
#pragma once
#include <array>
#include <cstdint>

namespace morvane {

// Each control's id, under which the host stores its value in projects, equals its position in
// the host's parameter array (0 is the input layer), so these numbers never change.
enum class ControlId : int32_t {
  kInput = 0,
  kPreset,
  kKeepOriginal,
  kShapeGroup,
  kShapeType,
  kCount,
  kRecursionSteps,
  kSize,
  kSizeGrowth,
  kLineWidth,
  kFill,
  kOpacity,
  kStartingAngle,
  kAngleRandomization,
  kAngleRange,
  kShapeGroupEnd,
  kMatchingGroup,
  kMatchingAccuracy,
  kFadeType,
  kFadeLevel,
  kMinLuminosity,
  kMaxLuminosity,
  kStartPosStrategy,
  kGridRandomization,
  kRandomSeed,
  kMatchingGroupEnd,
};

// Length of the host's parameter array: the input layer and the 25 controls.
inline constexpr int kControlSlotCount = 26;

constexpr int SlotOf(ControlId id) { return static_cast<int>(id); }

// Every control's value as the host holds it, indexed by SlotOf: sliders in 16.16 fixed point,
// popups counting from 1, checkboxes 0 or 1. Slot 0 (the input layer) is unused.
using ControlValues = std::array<int32_t, kControlSlotCount>;

// Popup entries as the popups store them (the first entry is 1).
enum class ShapeTypeEntry : int32_t { kLine = 1, kCurve, kTriangle, kSquare, kCircle, kRectangle };
enum class FadeTypeEntry : int32_t {
  kNone = 1,
  kFadeOutBySize,
  kFadeInBySize,
  kFadeOutByRecursion,
  kFadeInByRecursion,
};
enum class StrategyEntry : int32_t { kRandom = 1, kStableRandom, kGrid };

template <class Entry>
constexpr int32_t PopupValue(Entry entry) {
  return static_cast<int32_t>(entry);
}

}  // namespace morvane
