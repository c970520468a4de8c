// Control values as the host holds them: defaults, presets, and typed values turned into 16.16.
#include <gtest/gtest.h>

#include "cli/cli_error.h"
#include "cli/control_values.h"
#include "effect/presets.h"
#include "tests/fake_host/fake_host.h"

namespace morvane::cli {
namespace {

constexpr int32_t F(int32_t whole) { return whole * 65536; }

TEST(CliControlValues, TypedValuesAreStoredAsTheHostStoresThem) {
  struct Case {
    const char* assignment;
    int index;
    int32_t stored;
  };
  const Case cases[] = {
      {"Line Width=1.8", SlotOf(ControlId::kLineWidth), 117964},  // 1.8 × 65536 = 117964.8, truncated
      {"line width = 1.75", SlotOf(ControlId::kLineWidth), 114688},
      {"Line Width=2.3", SlotOf(ControlId::kLineWidth), 150732},  // 150732.8
      {"Line Width=32", SlotOf(ControlId::kLineWidth), F(32)},
      {"Line Width=1.0000000000000000000001", SlotOf(ControlId::kLineWidth), F(1)},
      {"Line Width=.5e", -1, 0},
      // scientific notation is the same exact decimal
      {"Line Width=1.8e0", SlotOf(ControlId::kLineWidth), 117964},
      {"Line Width=18E-1", SlotOf(ControlId::kLineWidth), 117964},
      {"Size=1e1", SlotOf(ControlId::kSize), F(10)},
      {"Size=0.0125e+3", SlotOf(ControlId::kSize), F(12) + 32768},
      {"Starting Angle=1e-5", SlotOf(ControlId::kStartingAngle), 0},  // 0.65536, truncated
      {"Count=1.6384E4", SlotOf(ControlId::kCount), F(16384)},
      {"Count=1e400", -1, 0},
      {"Count=1e+", -1, 0},
      {"Size=e3", -1, 0},
      {"Starting Angle=12.75", SlotOf(ControlId::kStartingAngle), F(12) + 49152},
      {"Starting Angle=0.1", SlotOf(ControlId::kStartingAngle), 6553},  // 6553.6
      {"Starting Angle=360.", SlotOf(ControlId::kStartingAngle), F(360)},
      {"Size Growth=-0", SlotOf(ControlId::kSizeGrowth), 0},
      {"Count=0016384", SlotOf(ControlId::kCount), F(16384)},
      {"Opacity=50%", SlotOf(ControlId::kOpacity), F(50)},
      {"Opacity=50", SlotOf(ControlId::kOpacity), F(50)},
      {"Random Seed (Evolution)=2", SlotOf(ControlId::kRandomSeed), F(2)},
      {"SHAPE TYPE=circle", SlotOf(ControlId::kShapeType), 5},
      {"Shape type=2", SlotOf(ControlId::kShapeType), 2},
      {"Fade Type=Fade in by recursion", SlotOf(ControlId::kFadeType), 5},
      {"Starting Pos. Strategy=grid", SlotOf(ControlId::kStartPosStrategy), 3},
      {"Fill=ON", SlotOf(ControlId::kFill), 1},
      {"Fill=0", SlotOf(ControlId::kFill), 0},
      {"Keep Original Image=1", SlotOf(ControlId::kKeepOriginal), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.assignment);
    ControlValues values = DefaultControlValues();
    if (c.index < 0) {
      EXPECT_THROW(ApplyOverride(values, c.assignment), CliError);
      continue;
    }
    ApplyOverride(values, c.assignment);
    EXPECT_EQ(values[c.index], c.stored);
  }
}

TEST(CliControlValues, DefaultsPresetsAndOverridesMatchTheHostsRecords) {
  testing::FakeHost host;
  ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
  const ControlValues defaults = DefaultControlValues();
  for (int i = 1; i < kControlSlotCount; ++i) EXPECT_EQ(defaults[i], host.value(i)) << i;
  EXPECT_EQ(defaults[SlotOf(ControlId::kLineWidth)], 117964);

  // Every preset, applied in the host by the module and here by the same table.
  for (int p = 1; p <= kPresetCount; ++p) {
    host.value(SlotOf(ControlId::kPreset)) = p;
    ASSERT_EQ(host.UserChanged(SlotOf(ControlId::kPreset)), PF_Err_NONE);
    const ControlValues values = BuildControlValues(p, {});
    for (int i = 1; i < kControlSlotCount; ++i) EXPECT_EQ(values[i], host.value(i)) << "preset " << p << ", " << i;
  }
  // Out-of-range values the presets store are kept.
  EXPECT_EQ(BuildControlValues(15, {})[SlotOf(ControlId::kCount)], F(20000));
  EXPECT_EQ(BuildControlValues(9, {})[SlotOf(ControlId::kRecursionSteps)], 0);
}

TEST(CliControlValues, SettingsComeFromTheRenderFramesReader) {
  const ShapeSettings s = SettingsOfControls(BuildControlValues(4, {"Opacity=50"}));  // Recursive Lines
  EXPECT_EQ(s.shapeCount, 16000 * 16 / 50);
  EXPECT_EQ(s.recursionSteps, 50);
  EXPECT_EQ(s.recursive, 1);
  EXPECT_EQ(s.shapeType, 0);
  EXPECT_EQ(s.opacity, 127);
  EXPECT_FLOAT_EQ(s.lineWidth, 1.5f);
}

}  // namespace
}  // namespace morvane::cli
