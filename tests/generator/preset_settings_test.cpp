#include <gtest/gtest.h>

#include <cstring>

#include "render/render_frame.h"
#include "tests/generator/generator_test_support.h"

namespace morvane {
namespace {

template <class P>
class GeneratorPresetSettings : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(GeneratorPresetSettings, Depths);

// The settings the generator receives for each preset, through the shipped preset table and
// render frame, against a second reading of the same table and conversions.
TYPED_TEST(GeneratorPresetSettings, FrameDeliversThePresetTable) {
  using P = TypeParam;
  for (int32_t outputWidth : {1920, 960, 333}) {
    for (int preset = 1; preset <= 20; ++preset) {
      const test::PresetRow& row = test::kTestPresets[preset - 1];
      SCOPED_TRACE(::testing::Message() << row.name << " at " << outputWidth << " of 1920");
      ASSERT_EQ(FindPreset(row.name), preset);
      const GeneratorSettings<P> expected = test::SettingsFromPreset<P>(row, outputWidth, 1920);
      const GeneratorSettings<P> actual =
          ConvertSettings<P>(test::PresetShapeSettings(preset), ScaleFactor(outputWidth, 1920));
      EXPECT_EQ(actual.shapeCount, expected.shapeCount);
      EXPECT_EQ(actual.recursionSteps, expected.recursionSteps);
      EXPECT_EQ(actual.shapeType, expected.shapeType);
      EXPECT_EQ(actual.recursive, expected.recursive);
      EXPECT_EQ(actual.lineWidth, expected.lineWidth);
      EXPECT_EQ(actual.fill, expected.fill);
      EXPECT_EQ(actual.opacity, expected.opacity);
      EXPECT_EQ(actual.size, expected.size);
      EXPECT_EQ(actual.sizeGrowth, expected.sizeGrowth);
      EXPECT_EQ(actual.matchThreshold, expected.matchThreshold);
      EXPECT_EQ(actual.minLuminosity, expected.minLuminosity);
      EXPECT_EQ(actual.maxLuminosity, expected.maxLuminosity);
      EXPECT_EQ(actual.startAngle, expected.startAngle);
      EXPECT_EQ(actual.angleRandomization, expected.angleRandomization);
      EXPECT_EQ(actual.angleRange, expected.angleRange);
      EXPECT_EQ(actual.fadeType, expected.fadeType);
      EXPECT_EQ(actual.fadeLevel, expected.fadeLevel);
      EXPECT_EQ(actual.startStrategy, expected.startStrategy);
      EXPECT_EQ(actual.gridRandomization, expected.gridRandomization);
      EXPECT_EQ(actual.seed, expected.seed);
    }
  }
}

// The one-call render used for golden checksums draws the same pixels as the generator run on
// the same settings into a prepared output.
TYPED_TEST(GeneratorPresetSettings, PresetRenderIsTheGeneratorOnAPreparedOutput) {
  using P = TypeParam;
  test::Argb8Image image;
  morvane::testing::ReadPpm(MORVANE_TEST_DATA_DIR "/coffee-crop.ppm", image);
  ASSERT_GT(image.width, 0);
  for (int preset : {1, 8}) {  // output cleared, and a copy of the input ("Keep Original Image")
    const test::PresetRow& row = test::kTestPresets[preset - 1];
    const auto viaFrame = test::RenderPresetArgb8<P>(image, preset);
    const auto direct = test::RenderArgb8<P>(
        image, test::SettingsFromPreset<P>(row, image.width, image.width), row.keep != 0);
    ASSERT_EQ(viaFrame.data.size(), direct.data.size());
    EXPECT_EQ(std::memcmp(viaFrame.data.data(), direct.data.data(),
                          direct.data.size() * sizeof(direct.data[0])),
              0)
        << row.name;
  }
}

}  // namespace
}  // namespace morvane
