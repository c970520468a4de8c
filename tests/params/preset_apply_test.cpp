// Choosing a preset, through EffectMain as the host sends it: the values written control by
// control, what holds for every preset, and the enabling states the next refresh derives.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "params/param_set.h"
#include "params/presets.h"
#include "tests/params/params_test_support.h"

namespace morvane {
namespace {

using namespace params_test;

// The twenty controls a preset writes, in the order the host hears of them.
constexpr int kWrittenInOrder[] = {
    PARAM_KEEP_ORIGINAL, PARAM_COUNT, PARAM_RECURSION_STEPS, PARAM_SHAPE_TYPE,
    PARAM_LINE_WIDTH, PARAM_FILL, PARAM_OPACITY, PARAM_SIZE,
    PARAM_SIZE_GROWTH, PARAM_MATCHING_ACCURACY, PARAM_STARTING_ANGLE, PARAM_ANGLE_RANDOMIZATION,
    PARAM_ANGLE_RANGE, PARAM_FADE_TYPE, PARAM_FADE_LEVEL, PARAM_MIN_LUMINOSITY,
    PARAM_MAX_LUMINOSITY, PARAM_START_POS_STRATEGY, PARAM_GRID_RANDOMIZATION, PARAM_RANDOM_SEED,
};
const std::set<int> kWritten(std::begin(kWrittenInOrder), std::end(kWrittenInOrder));

// Every value control set to something no preset writes, so each write shows.
void Scramble(FakeHost& host) {
  for (int index : kWrittenInOrder) host.value(index) = -12345;
}

PF_Err ChoosePreset(FakeHost& host, int32_t preset) {
  host.value(PARAM_PRESET) = preset;
  return host.UserChanged(PARAM_PRESET);
}

struct PresetCase {
  int preset;
  const char* name;
  std::vector<std::pair<int, int32_t>> values;  // control → value as the host holds it
};

const PresetCase kPresetCases[] = {
    {8, "Rectangle Mosaic",
     {{PARAM_KEEP_ORIGINAL, 1}, {PARAM_COUNT, F(369)}, {PARAM_RECURSION_STEPS, F(1)}, {PARAM_SHAPE_TYPE, 6},
      {PARAM_LINE_WIDTH, 65536}, {PARAM_FILL, 1}, {PARAM_OPACITY, F(100)}, {PARAM_SIZE, F(48)},
      {PARAM_SIZE_GROWTH, F(32)}, {PARAM_MATCHING_ACCURACY, F(80)}, {PARAM_STARTING_ANGLE, F(0)},
      {PARAM_ANGLE_RANDOMIZATION, F(360)}, {PARAM_ANGLE_RANGE, F(360)}, {PARAM_FADE_TYPE, 1},
      {PARAM_FADE_LEVEL, F(0)}, {PARAM_MIN_LUMINOSITY, F(0)}, {PARAM_MAX_LUMINOSITY, F(255)},
      {PARAM_START_POS_STRATEGY, 3}, {PARAM_GRID_RANDOMIZATION, F(0)}, {PARAM_RANDOM_SEED, F(777)}}},
    {5, "Tiny Lines",
     {{PARAM_KEEP_ORIGINAL, 0}, {PARAM_COUNT, F(12000)}, {PARAM_RECURSION_STEPS, F(1)}, {PARAM_SHAPE_TYPE, 1},
      {PARAM_LINE_WIDTH, 98304}, {PARAM_FILL, 0}, {PARAM_OPACITY, F(100)}, {PARAM_SIZE, F(4)},
      {PARAM_SIZE_GROWTH, F(18)}, {PARAM_MATCHING_ACCURACY, F(90)}, {PARAM_STARTING_ANGLE, F(0)},
      {PARAM_ANGLE_RANDOMIZATION, F(300)}, {PARAM_ANGLE_RANGE, F(1)}, {PARAM_FADE_TYPE, 1},
      {PARAM_FADE_LEVEL, F(40)}, {PARAM_MIN_LUMINOSITY, F(2)}, {PARAM_MAX_LUMINOSITY, F(255)},
      {PARAM_START_POS_STRATEGY, 2}, {PARAM_GRID_RANDOMIZATION, F(0)}, {PARAM_RANDOM_SEED, F(777)}}},
    {15, "Creased Aquarel",  // Count above the slider's 16384, written as it stands
     {{PARAM_KEEP_ORIGINAL, 1}, {PARAM_COUNT, F(20000)}, {PARAM_RECURSION_STEPS, F(14)}, {PARAM_SHAPE_TYPE, 3},
      {PARAM_LINE_WIDTH, 65536}, {PARAM_FILL, 1}, {PARAM_OPACITY, F(65)}, {PARAM_SIZE, F(14)},
      {PARAM_SIZE_GROWTH, F(12)}, {PARAM_MATCHING_ACCURACY, F(93)}, {PARAM_STARTING_ANGLE, F(300)},
      {PARAM_ANGLE_RANDOMIZATION, F(240)}, {PARAM_ANGLE_RANGE, F(290)}, {PARAM_FADE_TYPE, 1},
      {PARAM_FADE_LEVEL, F(0)}, {PARAM_MIN_LUMINOSITY, F(16)}, {PARAM_MAX_LUMINOSITY, F(255)},
      {PARAM_START_POS_STRATEGY, 2}, {PARAM_GRID_RANDOMIZATION, F(0)}, {PARAM_RANDOM_SEED, F(777)}}},
    {9, "Dotten Mosaic",  // Recursion Steps below the slider's 1, written as it stands
     {{PARAM_KEEP_ORIGINAL, 0}, {PARAM_COUNT, F(615)}, {PARAM_RECURSION_STEPS, F(0)}, {PARAM_SHAPE_TYPE, 5},
      {PARAM_LINE_WIDTH, 65536}, {PARAM_FILL, 1}, {PARAM_OPACITY, F(100)}, {PARAM_SIZE, F(6)},
      {PARAM_SIZE_GROWTH, F(0)}, {PARAM_MATCHING_ACCURACY, F(50)}, {PARAM_STARTING_ANGLE, F(0)},
      {PARAM_ANGLE_RANDOMIZATION, F(0)}, {PARAM_ANGLE_RANGE, F(360)}, {PARAM_FADE_TYPE, 1},
      {PARAM_FADE_LEVEL, F(0)}, {PARAM_MIN_LUMINOSITY, F(0)}, {PARAM_MAX_LUMINOSITY, F(255)},
      {PARAM_START_POS_STRATEGY, 3}, {PARAM_GRID_RANDOMIZATION, F(11)}, {PARAM_RANDOM_SEED, F(777)}}},
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
      EXPECT_EQ(host.value(index), expected) << Control(index).name;
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
    const int32_t expected = index == PARAM_LINE_WIDTH ? 114688 : Control(index).defaultValue;
    EXPECT_EQ(host.value(index), expected) << Control(index).name;
  }
  EXPECT_NE(Control(PARAM_LINE_WIDTH).defaultValue, 114688);
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
    EXPECT_EQ(host.value(PARAM_LINE_WIDTH), c.lineWidth) << PresetName(c.preset);
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
    host.value(PARAM_PRESET) = preset;
    const Records before = Snapshot(host);
    PF_OutData outBefore;
    std::memcpy(&outBefore, &host.out_data, sizeof outBefore);

    ASSERT_EQ(host.UserChanged(PARAM_PRESET), PF_Err_NONE);
    const Records after = Snapshot(host);

    ExpectOthersUntouched(before, after, kWritten);
    for (int column = 0; column < kPresetColumnCount; ++column) {
      const int index = kWrittenInOrder[column];
      PF_ParamDef expected;
      std::memcpy(&expected, &before[index], sizeof expected);
      ValueOf(expected) = PresetControlValue(preset, column);
      expected.uu.change_flags = kChanged;
      expected.flags |= kCollapse;
      EXPECT_TRUE(SameBytes(expected, after[index])) << Control(index).name;
    }
    EXPECT_EQ(host.value(PARAM_RANDOM_SEED), F(777));
    EXPECT_EQ(host.value(PARAM_MAX_LUMINOSITY), F(255));
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
    host.value(PARAM_PRESET) = preset;
    const Records before = Snapshot(host);
    EXPECT_EQ(host.UserChanged(PARAM_PRESET), PF_Err_NONE) << preset;
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
        host.param(PARAM_FILL).ui_flags, host.param(PARAM_LINE_WIDTH).ui_flags,
        host.param(PARAM_FADE_LEVEL).ui_flags, host.param(PARAM_GRID_RANDOMIZATION).ui_flags};
    ASSERT_EQ(ChoosePreset(host, c.preset), PF_Err_NONE);
    EXPECT_EQ(host.param(PARAM_FILL).ui_flags, registered[0]);
    EXPECT_EQ(host.param(PARAM_LINE_WIDTH).ui_flags, registered[1]);
    EXPECT_EQ(host.param(PARAM_FADE_LEVEL).ui_flags, registered[2]);
    EXPECT_EQ(host.param(PARAM_GRID_RANDOMIZATION).ui_flags, registered[3]);

    const int32_t fill = host.value(PARAM_FILL);
    ASSERT_EQ(Refresh(host), PF_Err_NONE);
    EXPECT_EQ(host.param(PARAM_FILL).ui_flags, c.fill);
    EXPECT_EQ(host.param(PARAM_LINE_WIDTH).ui_flags, c.lineWidth);
    EXPECT_EQ(host.param(PARAM_FADE_LEVEL).ui_flags, c.fadeLevel);
    EXPECT_EQ(host.param(PARAM_GRID_RANDOMIZATION).ui_flags, c.gridRandomization);
    EXPECT_EQ(host.value(PARAM_FILL), fill);
  }
}

}  // namespace
}  // namespace morvane
