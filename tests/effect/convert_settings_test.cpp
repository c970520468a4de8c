// The settings a generation runs with, for presets whose numbers were worked out by hand from the
// preset table: at full resolution and at half (960 of a 1920-pixel layer), at each depth.
#include <gtest/gtest.h>

#include "effect/controls.h"
#include "effect/convert_settings.h"
#include "effect/presets.h"
#include "effect/shape_settings.h"

namespace morvane {
namespace {

ShapeSettings PresetSettings(const char* name) {
  ControlValues values = DefaultControlValues();
  ApplyPresetColumns(values, FindPreset(name));
  return SettingsOfControls(values);
}

// Colour-scale fields at the three depths: 8-bit as read, 16-bit v × 32768 / 255 truncated,
// float v / 255.
struct Level {
  int32_t v8, v16;
  float vf;
};

struct Expected {
  const char* preset;
  int32_t shapeCount, recursionSteps, shapeType, recursive;
  float lineWidthFull;  // halves at 960 of 1920
  int32_t fill;
  Level opacity;
  int32_t sizeFull, sizeHalf, growthFull, growthHalf;
  Level match, minLuminosity, maxLuminosity;
  int32_t startAngle, angleRandomization, angleRange, fadeType;
  int32_t fadeLevel8, fadeLevel16;  // float takes the 16-bit scale
  int32_t startStrategy, gridRandomization, seed;
};

const Expected kCases[] = {
    // Count 1000 × 16; width 56/32; opacity 100 % → 255; match 132 − 95·128/100 = 11; fade 40 %
    // → 102; minimum 2.
    {"Rough Scratch", 16000, 1, 2, 0, 1.75f, 0, {255, 32768, 1.0f}, 28, 14, 32, 16,
     {11, 1413, 11 / 255.0f}, {2, 257, 2 / 255.0f}, {255, 32768, 1.0f}, 228, 32, 150, 1, 102,
     13107, 1, 0, 777},
    // 16000 × 16 / 50 steps; width 48/32; opacity 80 % → 204; match 132 − 108 = 24; fade 20 %
    // → 51.
    {"Recursive Lines", 5120, 50, 0, 1, 1.5f, 0, {204, 26214, 204 / 255.0f}, 8, 4, 6, 3,
     {24, 3084, 24 / 255.0f}, {2, 257, 2 / 255.0f}, {255, 32768, 1.0f}, 0, 360, 360, 0, 51, 6553,
     1, 0, 777},
    // "Recursion Steps" stored as 0 reads as one step, not recursive; grid 11 % → 28; match
    // 132 − 64 = 68; minimum 0.
    {"Dotten Mosaic", 9840, 0, 4, 0, 1.0f, 1, {255, 32768, 1.0f}, 6, 3, 0, 0,
     {68, 8738, 68 / 255.0f}, {0, 0, 0.0f}, {255, 32768, 1.0f}, 0, 0, 360, 0, 0, 0, 2, 28, 777},
};

template <class P>
SettingLevel<P> At(const Level& l) {
  if constexpr (std::is_same_v<P, Pixel8>) return l.v8;
  if constexpr (std::is_same_v<P, Pixel16>) return l.v16;
  if constexpr (std::is_same_v<P, PixelFloat>) return l.vf;
}

template <class P>
class EffectConvertSettings : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(EffectConvertSettings, Depths);

TYPED_TEST(EffectConvertSettings, PresetsAtFullAndHalfResolution) {
  using P = TypeParam;
  for (const Expected& e : kCases) {
    for (const bool half : {false, true}) {
      SCOPED_TRACE(::testing::Message() << e.preset << (half ? " at 960 of 1920" : " at 1920"));
      const GeneratorSettings<P> g =
          ConvertSettings<P>(PresetSettings(e.preset), ScaleFactor(half ? 960 : 1920, 1920));
      EXPECT_EQ(g.shapeCount, e.shapeCount);
      EXPECT_EQ(g.recursionSteps, e.recursionSteps);
      EXPECT_EQ(g.shapeType, e.shapeType);
      EXPECT_EQ(g.recursive, e.recursive);
      EXPECT_EQ(g.lineWidth, half ? e.lineWidthFull / 2 : e.lineWidthFull);
      EXPECT_EQ(g.fill, e.fill);
      EXPECT_EQ(g.opacity, At<P>(e.opacity));
      EXPECT_EQ(g.size, half ? e.sizeHalf : e.sizeFull);
      EXPECT_EQ(g.sizeGrowth, half ? e.growthHalf : e.growthFull);
      EXPECT_EQ(g.matchThreshold, At<P>(e.match));
      EXPECT_EQ(g.minLuminosity, At<P>(e.minLuminosity));
      EXPECT_EQ(g.maxLuminosity, At<P>(e.maxLuminosity));
      EXPECT_EQ(g.startAngle, e.startAngle);
      EXPECT_EQ(g.angleRandomization, e.angleRandomization);
      EXPECT_EQ(g.angleRange, e.angleRange);
      EXPECT_EQ(g.fadeType, e.fadeType);
      EXPECT_EQ(g.fadeLevel, (std::is_same_v<P, Pixel8> ? e.fadeLevel8 : e.fadeLevel16));
      EXPECT_EQ(g.startStrategy, e.startStrategy);
      EXPECT_EQ(g.gridRandomization, e.gridRandomization);
      EXPECT_EQ(g.seed, e.seed);
    }
  }
}

}  // namespace
}  // namespace morvane
