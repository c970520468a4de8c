// Choosing a preset, through EffectMain as the host sends it: the values written control by
// control, what holds for every preset, and the enabling states the next refresh derives.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "effect/controls.h"
#include "effect/presets.h"
#include "tests/controls/controls_test_support.h"

namespace morvane {
namespace {

using namespace params_test;

// The twenty controls a preset writes, in the order the host hears of them.
constexpr int kWrittenInOrder[] = {
    SlotOf(ControlId::kKeepOriginal), SlotOf(ControlId::kCount), SlotOf(ControlId::kRecursionSteps), SlotOf(ControlId::kShapeType),
    SlotOf(ControlId::kLineWidth), SlotOf(ControlId::kFill), SlotOf(ControlId::kOpacity), SlotOf(ControlId::kSize),
    SlotOf(ControlId::kSizeGrowth), SlotOf(ControlId::kMatchingAccuracy), SlotOf(ControlId::kStartingAngle), SlotOf(ControlId::kAngleRandomization),
    SlotOf(ControlId::kAngleRange), SlotOf(ControlId::kFadeType), SlotOf(ControlId::kFadeLevel), SlotOf(ControlId::kMinLuminosity),
    SlotOf(ControlId::kMaxLuminosity), SlotOf(ControlId::kStartPosStrategy), SlotOf(ControlId::kGridRandomization), SlotOf(ControlId::kRandomSeed),
};
const std::set<int> kWritten(std::begin(kWrittenInOrder), std::end(kWrittenInOrder));

// Every value control set to something no preset writes, so each write shows.
void Scramble(FakeHost& host) {
  for (int index : kWrittenInOrder) host.value(index) = -12345;
}

PF_Err ChoosePreset(FakeHost& host, int32_t preset) {
  host.value(SlotOf(ControlId::kPreset)) = preset;
  return host.UserChanged(SlotOf(ControlId::kPreset));
}

struct PresetCase {
  int preset;
  const char* name;
  std::vector<std::pair<int, int32_t>> values;  // control → value as the host holds it
};

const PresetCase kPresetCases[] = {
    {8, "Rectangle Mosaic",
     {{SlotOf(ControlId::kKeepOriginal), 1}, {SlotOf(ControlId::kCount), F(369)}, {SlotOf(ControlId::kRecursionSteps), F(1)}, {SlotOf(ControlId::kShapeType), 6},
      {SlotOf(ControlId::kLineWidth), 65536}, {SlotOf(ControlId::kFill), 1}, {SlotOf(ControlId::kOpacity), F(100)}, {SlotOf(ControlId::kSize), F(48)},
      {SlotOf(ControlId::kSizeGrowth), F(32)}, {SlotOf(ControlId::kMatchingAccuracy), F(80)}, {SlotOf(ControlId::kStartingAngle), F(0)},
      {SlotOf(ControlId::kAngleRandomization), F(360)}, {SlotOf(ControlId::kAngleRange), F(360)}, {SlotOf(ControlId::kFadeType), 1},
      {SlotOf(ControlId::kFadeLevel), F(0)}, {SlotOf(ControlId::kMinLuminosity), F(0)}, {SlotOf(ControlId::kMaxLuminosity), F(255)},
      {SlotOf(ControlId::kStartPosStrategy), 3}, {SlotOf(ControlId::kGridRandomization), F(0)}, {SlotOf(ControlId::kRandomSeed), F(777)}}},
    {5, "Tiny Lines",
     {{SlotOf(ControlId::kKeepOriginal), 0}, {SlotOf(ControlId::kCount), F(12000)}, {SlotOf(ControlId::kRecursionSteps), F(1)}, {SlotOf(ControlId::kShapeType), 1},
      {SlotOf(ControlId::kLineWidth), 98304}, {SlotOf(ControlId::kFill), 0}, {SlotOf(ControlId::kOpacity), F(100)}, {SlotOf(ControlId::kSize), F(4)},
      {SlotOf(ControlId::kSizeGrowth), F(18)}, {SlotOf(ControlId::kMatchingAccuracy), F(90)}, {SlotOf(ControlId::kStartingAngle), F(0)},
      {SlotOf(ControlId::kAngleRandomization), F(300)}, {SlotOf(ControlId::kAngleRange), F(1)}, {SlotOf(ControlId::kFadeType), 1},
      {SlotOf(ControlId::kFadeLevel), F(40)}, {SlotOf(ControlId::kMinLuminosity), F(2)}, {SlotOf(ControlId::kMaxLuminosity), F(255)},
      {SlotOf(ControlId::kStartPosStrategy), 2}, {SlotOf(ControlId::kGridRandomization), F(0)}, {SlotOf(ControlId::kRandomSeed), F(777)}}},
    {15, "Creased Aquarel",  // Count above the slider's 16384, written as it stands
     {{SlotOf(ControlId::kKeepOriginal), 1}, {SlotOf(ControlId::kCount), F(20000)}, {SlotOf(ControlId::kRecursionSteps), F(14)}, {SlotOf(ControlId::kShapeType), 3},
      {SlotOf(ControlId::kLineWidth), 65536}, {SlotOf(ControlId::kFill), 1}, {SlotOf(ControlId::kOpacity), F(65)}, {SlotOf(ControlId::kSize), F(14)},
      {SlotOf(ControlId::kSizeGrowth), F(12)}, {SlotOf(ControlId::kMatchingAccuracy), F(93)}, {SlotOf(ControlId::kStartingAngle), F(300)},
      {SlotOf(ControlId::kAngleRandomization), F(240)}, {SlotOf(ControlId::kAngleRange), F(290)}, {SlotOf(ControlId::kFadeType), 1},
      {SlotOf(ControlId::kFadeLevel), F(0)}, {SlotOf(ControlId::kMinLuminosity), F(16)}, {SlotOf(ControlId::kMaxLuminosity), F(255)},
      {SlotOf(ControlId::kStartPosStrategy), 2}, {SlotOf(ControlId::kGridRandomization), F(0)}, {SlotOf(ControlId::kRandomSeed), F(777)}}},
    {9, "Dotten Mosaic",  // Recursion Steps below the slider's 1, written as it stands
     {{SlotOf(ControlId::kKeepOriginal), 0}, {SlotOf(ControlId::kCount), F(615)}, {SlotOf(ControlId::kRecursionSteps), F(0)}, {SlotOf(ControlId::kShapeType), 5},
      {SlotOf(ControlId::kLineWidth), 65536}, {SlotOf(ControlId::kFill), 1}, {SlotOf(ControlId::kOpacity), F(100)}, {SlotOf(ControlId::kSize), F(6)},
      {SlotOf(ControlId::kSizeGrowth), F(0)}, {SlotOf(ControlId::kMatchingAccuracy), F(50)}, {SlotOf(ControlId::kStartingAngle), F(0)},
      {SlotOf(ControlId::kAngleRandomization), F(0)}, {SlotOf(ControlId::kAngleRange), F(360)}, {SlotOf(ControlId::kFadeType), 1},
      {SlotOf(ControlId::kFadeLevel), F(0)}, {SlotOf(ControlId::kMinLuminosity), F(0)}, {SlotOf(ControlId::kMaxLuminosity), F(255)},
      {SlotOf(ControlId::kStartPosStrategy), 3}, {SlotOf(ControlId::kGridRandomization), F(11)}, {SlotOf(ControlId::kRandomSeed), F(777)}}},
};

TEST(ParamsPresetApply, WritesEachControlOfTheChosenLook) {
  for (const PresetCase& c : kPresetCases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(PresetName(c.preset), c.name);
    FakeHost host;
    Ready(host);
    Scramble(host);
    ASSERT_EQ(ChoosePreset(host, c.preset), PF_Err_NONE);
    ASSERT_EQ(c.values.size(), 20u);
    for (const auto& [index, expected] : c.values) {
      EXPECT_EQ(host.value(index), expected) << Control(static_cast<ControlId>(index)).name;
    }
  }
}

// "Rough Scratch" is the look a fresh effect starts with, but for a line width of 1.75 instead of
// the registered 1.8.
TEST(ParamsPresetApply, RoughScratchIsTheDefaultsButLineWidth) {
  FakeHost host;
  Ready(host);
  Scramble(host);
  ASSERT_EQ(ChoosePreset(host, 1), PF_Err_NONE);
  for (int index : kWrittenInOrder) {
    const int32_t expected = index == SlotOf(ControlId::kLineWidth) ? 114688 : Control(static_cast<ControlId>(index)).defaultValue;
    EXPECT_EQ(host.value(index), expected) << Control(static_cast<ControlId>(index)).name;
  }
  EXPECT_NE(Control(ControlId::kLineWidth).defaultValue, 114688);
}

TEST(ParamsPresetApply, LineWidthComesFromThirtySecondsExactly) {
  const struct {
    int preset;
    int32_t lineWidth;
  } kCases[] = {
      {1, 114688},   // 56 → 1.75
      {4, 98304},    // 48 → 1.5
      {3, 65536},    // 32 → 1
      {19, 131072},  // 64 → 2
      {12, 393216},  // 192 → 6
      {11, 524288},  // 256 → 8
      {16, 917504},  // 448 → 14
  };
  for (const auto& c : kCases) {
    FakeHost host;
    Ready(host);
    ASSERT_EQ(ChoosePreset(host, c.preset), PF_Err_NONE);
    EXPECT_EQ(host.value(SlotOf(ControlId::kLineWidth)), c.lineWidth) << PresetName(c.preset);
  }
}

// For every preset: exactly the twenty controls change, each only in its value, its change flags
// and its collapse flag; the host hears of each in column order, after its record is written.
TEST(ParamsPresetApply, EveryPresetWritesTheTwentyControlsAndNothingElse) {
  for (int preset = 1; preset <= kPresetCount; ++preset) {
    SCOPED_TRACE(PresetName(preset));
    FakeHost host;
    Ready(host);
    Scramble(host);
    host.value(SlotOf(ControlId::kPreset)) = preset;
    const Records before = Snapshot(host);
    PF_OutData outBefore;
    std::memcpy(&outBefore, &host.out_data, sizeof outBefore);

    ASSERT_EQ(host.UserChanged(SlotOf(ControlId::kPreset)), PF_Err_NONE);
    const Records after = Snapshot(host);

    ExpectOthersUntouched(before, after, kWritten);
    for (int column = 0; column < kPresetColumnCount; ++column) {
      const int index = kWrittenInOrder[column];
      PF_ParamDef expected;
      std::memcpy(&expected, &before[index], sizeof expected);
      ValueOf(expected) = PresetControlValue(preset, column);
      expected.uu.change_flags = kChanged;
      expected.flags |= kCollapse;
      EXPECT_TRUE(SameBytes(expected, after[index])) << Control(static_cast<ControlId>(index)).name;
    }
    EXPECT_EQ(host.value(SlotOf(ControlId::kRandomSeed)), F(777));
    EXPECT_EQ(host.value(SlotOf(ControlId::kMaxLuminosity)), F(255));
    EXPECT_EQ(std::memcmp(&outBefore, &host.out_data, sizeof outBefore), 0) << "out_data was touched";

    ASSERT_EQ(host.updatedParams,
              std::vector<PF_ParamIndex>(std::begin(kWrittenInOrder), std::end(kWrittenInOrder)));
    for (size_t call = 0; call < host.updatedRecords.size(); ++call) {
      EXPECT_TRUE(SameBytes(host.updatedRecords[call], after[host.updatedParams[call]])) << "call " << call;
    }
    EXPECT_EQ(host.count("AcquireSuite"), 1u);
    ExpectNoSuiteHeld(host);
  }
}

TEST(ParamsPresetApply, PresetValueOutsideThePopupWritesNothing) {
  for (int32_t preset : {0, 21, -1, 1000}) {
    FakeHost host;
    Ready(host);
    host.value(SlotOf(ControlId::kPreset)) = preset;
    const Records before = Snapshot(host);
    EXPECT_EQ(host.UserChanged(SlotOf(ControlId::kPreset)), PF_Err_NONE) << preset;
    ExpectOthersUntouched(before, Snapshot(host), {});
    EXPECT_TRUE(host.calls.empty()) << preset;
  }
}

// The preset itself leaves the interface states alone; the refresh that follows derives them.
TEST(ParamsPresetApply, RefreshAfterAPresetGivesTheStatesItsValuesImply) {
  constexpr PF_ParamUIFlags E = kEnabled, D = kDisabled;
  const struct {
    int preset;
    PF_ParamUIFlags fill, lineWidth, fadeLevel, gridRandomization;
  } kCases[] = {
      {1, E, E, E, D},  {2, D, E, D, D},  {3, E, D, D, D},  {4, D, E, D, D},  {5, D, E, D, D},
      {6, D, E, E, D},  {7, E, D, D, E},  {8, E, D, D, E},  {9, E, D, D, E},  {10, E, D, E, E},
      {11, E, E, E, E}, {12, D, E, E, D}, {13, E, D, E, D}, {14, E, D, D, D}, {15, E, D, D, D},
      {16, D, E, D, D}, {17, E, D, E, E}, {18, E, E, E, E}, {19, E, E, D, D}, {20, E, D, E, E},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(PresetName(c.preset));
    FakeHost host;
    Ready(host);
    const PF_ParamUIFlags registered[] = {
        host.param(SlotOf(ControlId::kFill)).ui_flags, host.param(SlotOf(ControlId::kLineWidth)).ui_flags,
        host.param(SlotOf(ControlId::kFadeLevel)).ui_flags, host.param(SlotOf(ControlId::kGridRandomization)).ui_flags};
    ASSERT_EQ(ChoosePreset(host, c.preset), PF_Err_NONE);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFill)).ui_flags, registered[0]);
    EXPECT_EQ(host.param(SlotOf(ControlId::kLineWidth)).ui_flags, registered[1]);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFadeLevel)).ui_flags, registered[2]);
    EXPECT_EQ(host.param(SlotOf(ControlId::kGridRandomization)).ui_flags, registered[3]);

    const int32_t fill = host.value(SlotOf(ControlId::kFill));
    ASSERT_EQ(Refresh(host), PF_Err_NONE);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFill)).ui_flags, c.fill);
    EXPECT_EQ(host.param(SlotOf(ControlId::kLineWidth)).ui_flags, c.lineWidth);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFadeLevel)).ui_flags, c.fadeLevel);
    EXPECT_EQ(host.param(SlotOf(ControlId::kGridRandomization)).ui_flags, c.gridRandomization);
    EXPECT_EQ(host.value(SlotOf(ControlId::kFill)), fill);
  }
}

}  // namespace
}  // namespace morvane
