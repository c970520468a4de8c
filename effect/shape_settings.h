// ShapeSettings: the settings of one render, read out of the control values.
//
// After Effects keeps the block between smart pre-render and smart render and frees it with the C
// runtime's free, so it stays a plain record of 22 32-bit fields. The values are kept as read
// (before scaling and depth conversion, which happen per render).
// Must not: mention the host's types (the adapter hands values in through a reader function).
#pragma once
#include <cstdint>

#include "effect/controls.h"

namespace morvane {

struct ShapeSettings {
  int32_t keepOriginal;
  int32_t shapeCount;      // "Count" × 16, divided by the recursion steps when recursive
  int32_t recursionSteps;
  int32_t shapeType;       // popup value − 1
  int32_t recursive;       // 1 when recursionSteps > 1
  float lineWidth;         // pixels, fraction kept
  int32_t fill;
  int32_t opacity;         // 0..255
  int32_t reserved;        // kept in the block's layout; never read
  int32_t size;
  int32_t sizeGrowth;
  int32_t matchThreshold;  // 0..255 scale: 132 − (accuracy × 128) / 100
  int32_t minLuminosity;
  int32_t maxLuminosity;
  int32_t startAngle;
  int32_t angleRandomization;
  int32_t angleRange;
  int32_t fadeType;        // popup value − 1
  int32_t fadeLevel;       // 0..255
  int32_t startStrategy;   // popup value − 1
  int32_t gridRandomization;  // 0..255
  int32_t seed;
};
static_assert(sizeof(ShapeSettings) == 22 * 4);

// The order in which the controls are read. A host sees every read (After Effects checks each
// parameter out), so all paths read in this order and stop at the same failing control.
inline constexpr ControlId kSettingsReadOrder[20] = {
    ControlId::kKeepOriginal,      ControlId::kCount,
    ControlId::kRecursionSteps,    ControlId::kShapeType,
    ControlId::kLineWidth,         ControlId::kFill,
    ControlId::kOpacity,           ControlId::kSize,
    ControlId::kSizeGrowth,        ControlId::kMatchingAccuracy,
    ControlId::kMinLuminosity,     ControlId::kMaxLuminosity,
    ControlId::kStartingAngle,     ControlId::kAngleRandomization,
    ControlId::kAngleRange,        ControlId::kFadeLevel,
    ControlId::kFadeType,          ControlId::kStartPosStrategy,
    ControlId::kGridRandomization, ControlId::kRandomSeed,
};

// Stores the value of control `id`, as the host holds it, into its field, converted.
void SetSettingFromControl(ShapeSettings& settings, ControlId id, int32_t value);

// After all fields are read: the recursion flag and the division of the count.
void DeriveRecursion(ShapeSettings& settings);

// Reads every field in kSettingsReadOrder through `read(id, value&)`, which returns an error code
// (0 for none); stops at the first failure and returns it (the fields after it stay unset).
template <class Read>
int32_t ReadShapeSettings(ShapeSettings& settings, Read&& read) {
  settings.reserved = 0;
  for (ControlId id : kSettingsReadOrder) {
    int32_t value = 0;
    if (const int32_t err = read(id, value); err != 0) return err;
    SetSettingFromControl(settings, id, value);
  }
  DeriveRecursion(settings);
  return 0;
}

// The settings of a full set of control values (the command-line renderer's path).
ShapeSettings SettingsOfControls(const ControlValues& values);

}  // namespace morvane
