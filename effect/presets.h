// The twenty presets: the one table of what each look writes into the controls.
//
// The "Preset" popup, UserChangedParam and the command-line renderer all read this table, so a
// preset means the same controls and the same stored values everywhere. Presets are numbered by
// their "Preset" popup value, 1 to 20; columns are positions 0 to 19 in the arrays below.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "effect/control_id.h"

namespace morvane {

// How a stored number becomes the value the host holds for the column's control.
enum class PresetValueKind : int {
  Whole = 0,          // fixed-point slider: n × 65536
  Popup = 1,          // popup: n, 1-based
  Checkbox = 2,       // checkbox: n, 0 or 1
  ThirtySeconds = 3,  // fixed-point slider given in 32nds of a unit ("Line Width")
};

inline constexpr int kPresetCount = 20;
inline constexpr int kPresetColumnCount = 20;

// The "Preset" popup's entries in popup order, separated by "|" as the host expects them.
inline constexpr char kPresetPopupEntries[] =
    "Rough Scratch|Hatched Shade|Blurry Watercolor|Recursive Lines|Tiny Lines|Curved Shade|"
    "Small Triangles|Rectangle Mosaic|Dotten Mosaic|Scrapes|Perforated Squares|Wiggly Felt Pen|"
    "Lozenge Mosaic|Dense Pointillism|Creased Aquarel|Bold Strokes|Transparent Rectangles|"
    "Rounded Blocks|Baton Triangles|Continuous Dots";

// The control each column writes.
inline constexpr std::array<ControlId, kPresetColumnCount> kPresetColumns = {
    ControlId::kKeepOriginal,      ControlId::kCount,
    ControlId::kRecursionSteps,    ControlId::kShapeType,
    ControlId::kLineWidth,         ControlId::kFill,
    ControlId::kOpacity,           ControlId::kSize,
    ControlId::kSizeGrowth,        ControlId::kMatchingAccuracy,
    ControlId::kStartingAngle,     ControlId::kAngleRandomization,
    ControlId::kAngleRange,        ControlId::kFadeType,
    ControlId::kFadeLevel,         ControlId::kMinLuminosity,
    ControlId::kMaxLuminosity,     ControlId::kStartPosStrategy,
    ControlId::kGridRandomization, ControlId::kRandomSeed,
};

inline constexpr std::array<PresetValueKind, kPresetColumnCount> kPresetValueKind = {
    PresetValueKind::Checkbox, PresetValueKind::Whole, PresetValueKind::Whole, PresetValueKind::Popup,
    PresetValueKind::ThirtySeconds, PresetValueKind::Checkbox, PresetValueKind::Whole, PresetValueKind::Whole,
    PresetValueKind::Whole, PresetValueKind::Whole, PresetValueKind::Whole, PresetValueKind::Whole,
    PresetValueKind::Whole, PresetValueKind::Popup, PresetValueKind::Whole, PresetValueKind::Whole,
    PresetValueKind::Whole, PresetValueKind::Popup, PresetValueKind::Whole, PresetValueKind::Whole,
};

// One row per preset, row 0 for popup value 1. Two values lie outside their slider's range and
// are written as they stand: "Creased Aquarel" Count 20000 and "Dotten Mosaic" Recursion Steps 0
// (which a render reads as one step).
inline constexpr std::array<std::array<int32_t, kPresetColumnCount>, kPresetCount> kPresetValues = {{
    // Keep Count Steps Shape Width Fill Opac Size Growth Match StAng AngRnd AngRng FadeT FadeL
    // MinL MaxL Strat GridR Seed; Width in 32nds
    {0, 1000, 1, 3, 56, 0, 100, 28, 32, 95, 228, 32, 150, 2, 40, 2, 255, 2, 0, 777},    // Rough Scratch
    {0, 2000, 1, 1, 56, 0, 100, 16, 20, 95, 45, 12, 13, 1, 0, 2, 255, 1, 0, 777},       // Hatched Shade
    {0, 1200, 1, 5, 32, 1, 10, 24, 10, 85, 0, 360, 360, 1, 10, 2, 255, 1, 0, 777},      // Blurry Watercolor
    {0, 16000, 50, 1, 48, 0, 80, 8, 6, 85, 0, 360, 360, 1, 20, 2, 255, 2, 0, 777},      // Recursive Lines
    {0, 12000, 1, 1, 48, 0, 100, 4, 18, 90, 0, 300, 1, 1, 40, 2, 255, 2, 0, 777},       // Tiny Lines
    {0, 9000, 50, 2, 32, 0, 50, 16, 4, 85, 0, 360, 360, 2, 20, 2, 255, 2, 0, 777},      // Curved Shade
    {0, 9000, 10, 3, 32, 1, 100, 8, 8, 90, 0, 150, 360, 1, 0, 2, 255, 3, 0, 777},       // Small Triangles
    {1, 369, 1, 6, 32, 1, 100, 48, 32, 80, 0, 360, 360, 1, 0, 0, 255, 3, 0, 777},       // Rectangle Mosaic
    {0, 615, 0, 5, 32, 1, 100, 6, 0, 50, 0, 0, 360, 1, 0, 0, 255, 3, 11, 777},          // Dotten Mosaic
    {0, 2087, 73, 3, 32, 1, 100, 54, 10, 90, 0, 360, 64, 2, 22, 0, 255, 3, 100, 777},   // Scrapes
    {0, 7000, 10, 4, 256, 0, 90, 8, 0, 85, 0, 360, 360, 5, 40, 0, 255, 3, 100, 777},    // Perforated Squares
    {0, 3000, 22, 2, 192, 0, 70, 22, 32, 70, 180, 360, 200, 4, 50, 2, 255, 2, 0, 777},  // Wiggly Felt Pen
    {1, 3000, 3, 4, 32, 1, 80, 40, 32, 70, 0, 0, 1, 4, 70, 2, 255, 2, 0, 777},          // Lozenge Mosaic
    {0, 15800, 16, 5, 32, 1, 40, 10, 2, 80, 0, 360, 360, 1, 0, 2, 255, 2, 0, 777},      // Dense Pointillism
    {1, 20000, 14, 3, 32, 1, 65, 14, 12, 93, 300, 240, 290, 1, 0, 16, 255, 2, 0, 777},  // Creased Aquarel
    {0, 5200, 1, 1, 448, 0, 75, 16, 32, 90, 75, 200, 90, 1, 50, 2, 255, 2, 0, 777},     // Bold Strokes
    {0, 9000, 16, 6, 32, 1, 40, 28, 42, 80, 0, 360, 360, 4, 20, 0, 255, 3, 0, 777},     // Transparent Rectangles
    {0, 6000, 16, 6, 256, 0, 40, 16, 42, 80, 0, 360, 360, 4, 20, 0, 255, 3, 0, 777},    // Rounded Blocks
    {0, 2500, 1, 3, 64, 0, 100, 26, 32, 94, 230, 32, 150, 1, 0, 2, 255, 2, 0, 777},     // Baton Triangles
    {0, 16000, 10, 5, 32, 1, 50, 3, 10, 99, 25, 20, 340, 4, 40, 0, 255, 3, 100, 777},   // Continuous Dots
}};

// The name of preset 1..20 as the popup shows it; empty for any other number.
std::string_view PresetName(int preset);

// The preset whose name equals `name` ignoring ASCII case, or 0 when there is none.
int FindPreset(std::string_view name);

// The value the host holds for column `column` (0..19) of preset `preset` (1..20) once the preset
// is applied: 16.16 for sliders, the plain number for popups and checkboxes. 0 outside the table.
int32_t PresetControlValue(int preset, int column);

// Writes the preset's twenty columns into values, as the "Preset" popup does (values outside a
// slider's range included). Nothing for a number outside 1..20.
void ApplyPresetColumns(ControlValues& values, int preset);

// The largest whole number any preset stores for the slider `id` (0 when no preset writes it).
constexpr int32_t LargestPresetValue(ControlId id) {
  int32_t largest = 0;
  for (int column = 0; column < kPresetColumnCount; ++column) {
    if (kPresetColumns[column] != id) continue;
    for (const auto& row : kPresetValues) largest = row[column] > largest ? row[column] : largest;
  }
  return largest;
}

}  // namespace morvane
