// The preset table as data: names against the registered popup, kinds against the controls,
// stored values against the controls' ranges, and the look-ups the command-line renderer uses.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "effect/controls.h"
#include "effect/presets.h"
#include "tests/controls/controls_test_support.h"

namespace morvane {
namespace {

TEST(ParamsPresetTable, NamesAreTheRegisteredPopupEntriesInOrder) {
  const ControlDef& preset = Control(ControlId::kPreset);
  ASSERT_EQ(preset.numChoices, kPresetCount);
  std::string joined;
  for (int p = 1; p <= kPresetCount; ++p) {
    if (p > 1) joined += '|';
    joined += PresetName(p);
  }
  EXPECT_EQ(joined, preset.popupEntries);
  EXPECT_EQ(PresetName(1), "Rough Scratch");
  EXPECT_EQ(PresetName(9), "Dotten Mosaic");
  EXPECT_EQ(PresetName(20), "Continuous Dots");
  EXPECT_EQ(PresetName(0), "");
  EXPECT_EQ(PresetName(21), "");
  EXPECT_EQ(PresetName(-1), "");
}

TEST(ParamsPresetTable, FindPresetIgnoresCaseAndNothingElse) {
  for (int p = 1; p <= kPresetCount; ++p) EXPECT_EQ(FindPreset(PresetName(p)), p);
  const struct {
    std::string_view name;
    int preset;
  } kCases[] = {
      {"rough scratch", 1},  {"TINY LINES", 5},     {"cReAsEd AqUaReL", 15}, {"Rough", 0},
      {"Rough Scratch ", 0}, {" Rough Scratch", 0}, {"Rough  Scratch", 0},   {"", 0},
      {"Rough Scratch|Hatched Shade", 0},
  };
  for (const auto& c : kCases) EXPECT_EQ(FindPreset(c.name), c.preset) << '"' << c.name << '"';
}

// Each column's kind matches the control it writes, and the columns are exactly the controls
// that hold a value, the "Preset" popup aside.
TEST(ParamsPresetTable, ColumnsWriteEveryValueControlButThePresetOnce) {
  std::set<int> written;
  for (int c = 0; c < kPresetColumnCount; ++c) {
    const int index = SlotOf(kPresetColumns[c]);
    EXPECT_TRUE(written.insert(index).second) << "column " << c << " repeats control " << index;
    const ControlKind kind = Control(static_cast<ControlId>(index)).kind;
    switch (kPresetValueKind[c]) {
      case PresetValueKind::Whole:
      case PresetValueKind::ThirtySeconds: EXPECT_EQ(kind, ControlKind::kSlider) << index; break;
      case PresetValueKind::Popup: EXPECT_EQ(kind, ControlKind::kPopup) << index; break;
      case PresetValueKind::Checkbox: EXPECT_EQ(kind, ControlKind::kCheckbox) << index; break;
    }
  }
  std::set<int> valueControls;
  for (const ControlDef& d : Controls()) {
    if (SlotOf(d.id) != SlotOf(ControlId::kPreset) && d.kind != ControlKind::kGroupStart && d.kind != ControlKind::kGroupEnd) {
      valueControls.insert(SlotOf(d.id));
    }
  }
  EXPECT_EQ(written, valueControls);
  EXPECT_EQ(kPresetValueKind[4], PresetValueKind::ThirtySeconds);
  EXPECT_EQ(SlotOf(kPresetColumns[4]), SlotOf(ControlId::kLineWidth));
}

// Guards the transcription: popups within their entries, checkboxes 0 or 1, sliders within their
// valid range, except the two values the looks were saved with.
TEST(ParamsPresetTable, StoredValuesLieInTheControlsRangesButTheTwoKnownOnes) {
  std::set<std::string> outside;
  for (int p = 1; p <= kPresetCount; ++p) {
    for (int c = 0; c < kPresetColumnCount; ++c) {
      const ControlDef& d = Control(kPresetColumns[c]);
      const int32_t n = kPresetValues[p - 1][c];
      bool inRange = true;
      switch (d.kind) {
        case ControlKind::kPopup: inRange = n >= 1 && n <= d.numChoices; break;
        case ControlKind::kCheckbox: inRange = n == 0 || n == 1; break;
        case ControlKind::kSlider: {
          const int32_t v = PresetControlValue(p, c);
          inRange = v >= params_test::F(d.validMin) && v <= params_test::F(d.validMax);
          break;
        }
        default: inRange = false;
      }
      if (!inRange) outside.insert(std::string(PresetName(p)) + " / " + d.name);
    }
  }
  EXPECT_EQ(outside, (std::set<std::string>{"Creased Aquarel / Count", "Dotten Mosaic / Recursion Steps"}));
}

TEST(ParamsPresetTable, ControlValueOutsideTheTableIsZero) {
  EXPECT_EQ(PresetControlValue(0, 1), 0);
  EXPECT_EQ(PresetControlValue(21, 1), 0);
  EXPECT_EQ(PresetControlValue(1, -1), 0);
  EXPECT_EQ(PresetControlValue(1, kPresetColumnCount), 0);
  EXPECT_EQ(PresetControlValue(1, 1), params_test::F(1000));  // the first valid cell next to them
}

}  // namespace
}  // namespace morvane
