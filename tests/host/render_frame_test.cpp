// The frame paths: settings read at pre-render, their conversion per depth, the preparation of
// the output, and the smart and Premiere Pro paths giving the same pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/commands.h"
#include "effect/control_id.h"
#include "effect/convert_settings.h"
#include "effect/render_buffers.h"
#include "effect/shape_settings.h"
#include "tests/fake_host/fake_host.h"

namespace morvane {
namespace {

using testing::FakeHost;
using testing::FakeWorld;
using testing::WorldDepth;

constexpr int32_t F = 65536;

class RenderFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    gPixelFormatSuite = nullptr;
    ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
    host.calls.clear();
  }
  void TearDown() override { gPixelFormatSuite = nullptr; }

  // Pre-render only; returns the block the effect handed over (the test frees it).
  ShapeSettings PreRenderSettings() {
    FakeWorld input(WorldDepth::k8, 4, 4);
    host.inputWorld = &input;
    EXPECT_EQ(host.PreRender(), PF_Err_NONE);
    EXPECT_EQ(host.preOutput.delete_pre_render_data_func, &std::free);
    ShapeSettings s = *static_cast<ShapeSettings*>(host.preOutput.pre_render_data);
    std::free(host.preOutput.pre_render_data);
    host.preOutput.pre_render_data = nullptr;
    return s;
  }

  FakeHost host;
};

TEST_F(RenderFrame, PreRenderChecksOutTheParametersInOrderAndTheLayerOverTheRequest) {
  host.preInput.output_request.rect = {3, 4, 50, 60};
  host.preInput.output_request.field = 2;  // lower field
  host.preInput.output_request.channel_mask = 0xF;
  host.preInput.output_request.preserve_rgb_of_zero_alpha = 1;
  PreRenderSettings();
  std::vector<std::string> expected;
  for (int index : {2, 5, 6, 4, 9, 10, 11, 7, 8, 17, 20, 21, 12, 13, 14, 19, 18, 22, 23, 24}) {
    expected.push_back("checkout_param " + std::to_string(index));
    expected.push_back("checkin_param");
  }
  expected.push_back("checkout_layer 0 0");
  EXPECT_EQ(host.calls, expected);
  EXPECT_EQ(std::memcmp(&host.lastLayerRequest, &host.preInput.output_request, sizeof(PF_RenderRequest)), 0);
}

TEST_F(RenderFrame, DefaultsGiveTheSettingsBlockFieldByField) {
  const ShapeSettings s = PreRenderSettings();
  EXPECT_EQ(s.keepOriginal, 0);
  EXPECT_EQ(s.shapeCount, 16000);
  EXPECT_EQ(s.recursionSteps, 1);
  EXPECT_EQ(s.shapeType, 2);
  EXPECT_EQ(s.recursive, 0);
  EXPECT_EQ(s.lineWidth, 117964.0f / 65536.0f);
  EXPECT_EQ(s.fill, 0);
  EXPECT_EQ(s.opacity, 255);
  EXPECT_EQ(s.reserved, 0);
  EXPECT_EQ(s.size, 28);
  EXPECT_EQ(s.sizeGrowth, 32);
  EXPECT_EQ(s.matchThreshold, 11);
  EXPECT_EQ(s.minLuminosity, 2);
  EXPECT_EQ(s.maxLuminosity, 255);
  EXPECT_EQ(s.startAngle, 228);
  EXPECT_EQ(s.angleRandomization, 32);
  EXPECT_EQ(s.angleRange, 150);
  EXPECT_EQ(s.fadeType, 1);
  EXPECT_EQ(s.fadeLevel, 102);
  EXPECT_EQ(s.startStrategy, 1);
  EXPECT_EQ(s.gridRandomization, 0);
  EXPECT_EQ(s.seed, 777);
}

TEST_F(RenderFrame, SettingConversions) {
  struct Case {
    const char* what;
    int index;
    int32_t value;
    int32_t ShapeSettings::*field;
    int32_t expected;
  };
  const Case cases[] = {
      {"count 1", SlotOf(ControlId::kCount), 1 * F, &ShapeSettings::shapeCount, 16},
      {"count fraction dropped", SlotOf(ControlId::kCount), 2 * F + F / 2, &ShapeSettings::shapeCount, 32},
      {"opacity 50%", SlotOf(ControlId::kOpacity), 50 * F, &ShapeSettings::opacity, 127},
      {"accuracy 100%", SlotOf(ControlId::kMatchingAccuracy), 100 * F, &ShapeSettings::matchThreshold, 4},
      {"accuracy 0%", SlotOf(ControlId::kMatchingAccuracy), 0, &ShapeSettings::matchThreshold, 132},
      {"grid randomization 100%", SlotOf(ControlId::kGridRandomization), 100 * F, &ShapeSettings::gridRandomization, 255},
      {"fade level 40%", SlotOf(ControlId::kFadeLevel), 40 * F, &ShapeSettings::fadeLevel, 102},
      {"angle 228.9 keeps 228", SlotOf(ControlId::kStartingAngle), 228 * F + 58982, &ShapeSettings::startAngle, 228},
      {"negative fraction rounds down", SlotOf(ControlId::kAngleRange), -F / 2, &ShapeSettings::angleRange, -1},
      {"popup counts from 0", SlotOf(ControlId::kStartPosStrategy), 3, &ShapeSettings::startStrategy, 2},
      {"checkbox as given", SlotOf(ControlId::kFill), 1, &ShapeSettings::fill, 1},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
    host.value(c.index) = c.value;
    EXPECT_EQ(PreRenderSettings().*(c.field), c.expected) << c.what;
  }
}

TEST_F(RenderFrame, RecursionDividesTheCount) {
  struct Case {
    int32_t count, steps, shapeCount, recursive;
  };
  const Case cases[] = {{1, 1, 16, 0}, {1, 32, 1, 1}, {1000, 3, 5333, 1}, {615, 0, 9840, 0}, {20000, 14, 22857, 1}};
  for (const Case& c : cases) {
    host.value(SlotOf(ControlId::kCount)) = c.count * F;
    host.value(SlotOf(ControlId::kRecursionSteps)) = c.steps * F;
    const ShapeSettings s = PreRenderSettings();
    EXPECT_EQ(s.shapeCount, c.shapeCount) << c.count << "/" << c.steps;
    EXPECT_EQ(s.recursive, c.recursive) << c.count << "/" << c.steps;
  }
}

TEST_F(RenderFrame, FailingParameterCheckoutStopsAndStillHandsTheBlockOver) {
  host.failCheckoutParamAt = SlotOf(ControlId::kSize);
  host.preOutput.result_rect = {1, 2, 3, 4};
  FakeWorld input(WorldDepth::k8, 4, 4);
  host.inputWorld = &input;
  EXPECT_EQ(host.Call(PF_Cmd_SMART_PRE_RENDER, &host.preExtra), PF_Err_INVALID_INDEX);
  EXPECT_EQ(host.calls.back(), "checkout_param 7");
  EXPECT_FALSE(host.Called("checkout_layer"));
  ASSERT_NE(host.preOutput.pre_render_data, nullptr);
  EXPECT_EQ(host.preOutput.delete_pre_render_data_func, &std::free);
  std::free(host.preOutput.pre_render_data);
  host.preOutput.pre_render_data = nullptr;
  const PF_LRect expected = {1, 2, 3, 4};
  EXPECT_EQ(std::memcmp(&host.preOutput.result_rect, &expected, sizeof expected), 0);
}

TEST_F(RenderFrame, ResultRectanglesAreMergedAsUnions) {
  struct Case {
    PF_LRect dst, src, merged;
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, {2, 3, 10, 12}, {2, 3, 10, 12}},      // empty destination takes the source
      {{5, 5, 20, 20}, {0, 0, 0, 0}, {5, 5, 20, 20}},      // empty source changes nothing
      {{5, 5, 20, 20}, {2, 8, 10, 30}, {2, 5, 20, 30}},    // bounding box
      {{5, 5, 5, 20}, {1, 1, 0, 0}, {1, 1, 0, 0}},         // empty destination copies even an empty source
  };
  for (const Case& c : cases) {
    host.calls.clear();
    host.checkoutResult.result_rect = c.src;
    host.checkoutResult.max_result_rect = c.src;
    host.preOutput = PF_PreRenderOutput{};
    host.preOutput.result_rect = c.dst;
    host.preOutput.max_result_rect = c.dst;
    FakeWorld input(WorldDepth::k8, 4, 4);
    host.inputWorld = &input;
    EXPECT_EQ(host.Call(PF_Cmd_SMART_PRE_RENDER, &host.preExtra), PF_Err_NONE);
    std::free(host.preOutput.pre_render_data);
    EXPECT_EQ(std::memcmp(&host.preOutput.result_rect, &c.merged, sizeof c.merged), 0);
    EXPECT_EQ(std::memcmp(&host.preOutput.max_result_rect, &c.merged, sizeof c.merged), 0);
  }
}

TEST(RenderSettings, ColourScaleFieldsAreConvertedPerDepth) {
  ShapeSettings s{};
  s.opacity = 127;
  s.matchThreshold = 11;
  s.minLuminosity = 2;
  s.maxLuminosity = 255;
  s.fadeLevel = 102;
  s.gridRandomization = 255;
  s.size = 28;
  s.sizeGrowth = 32;
  s.lineWidth = 1.75f;
  const auto g8 = ConvertSettings<Pixel8>(s, 1.0f);
  EXPECT_EQ(g8.opacity, 127);
  EXPECT_EQ(g8.matchThreshold, 11);
  EXPECT_EQ(g8.fadeLevel, 102);
  const auto g16 = ConvertSettings<Pixel16>(s, 1.0f);
  EXPECT_EQ(g16.opacity, 16319);
  EXPECT_EQ(g16.matchThreshold, 11 * 32768 / 255);
  EXPECT_EQ(g16.maxLuminosity, 32768);
  EXPECT_EQ(g16.fadeLevel, 102 * 32768 / 255);
  EXPECT_EQ(g16.gridRandomization, 255);
  const auto gf = ConvertSettings<PixelFloat>(s, 1.0f);
  EXPECT_EQ(gf.opacity, 127.0f / 255.0f);
  EXPECT_EQ(gf.minLuminosity, 2.0f / 255.0f);
  EXPECT_EQ(gf.maxLuminosity, 1.0f);
  EXPECT_EQ(gf.fadeLevel, 102 * 32768 / 255);  // the fade level keeps the 16-bit scale
  EXPECT_EQ(gf.gridRandomization, 255);
}

TEST(RenderSettings, FloatLevelsAreTheSameWhetherDividedInFloatOrDouble) {
  // v / 255 as a float has one value whichever way it is formed, so the reading does not matter.
  for (int v = 0; v <= 255; ++v) {
    EXPECT_EQ(static_cast<float>(v) / 255.0f, static_cast<float>(v / 255.0)) << v;
  }
}

TEST(RenderSettings, GeometryFollowsTheRenderResolution) {
  ShapeSettings s{};
  s.size = 5;
  s.sizeGrowth = 33;
  s.lineWidth = 1.75f;
  const auto half = ConvertSettings<Pixel8>(s, ScaleFactor(960, 1920));
  EXPECT_EQ(half.size, 2);
  EXPECT_EQ(half.sizeGrowth, 16);
  EXPECT_EQ(half.lineWidth, 0.875f);
  EXPECT_EQ(ScaleFactor(960, 0), 1.0f);   // no layer width: no scaling, not an infinity
  EXPECT_EQ(ScaleFactor(960, -4), 1.0f);
}

TEST(RenderSettings, OutOfRangeValuesStayWhereTheGeneratorIsSound) {
  ShapeSettings s{};
  s.recursionSteps = 100000;
  s.opacity = 83555;  // "Opacity" 32767 %
  s.matchThreshold = -41811;
  s.shapeType = 9;
  s.fadeType = -3;
  s.startStrategy = 7;
  s.size = 30000;
  s.lineWidth = 30000.0f;
  const auto g = ConvertSettings<Pixel16>(s, 1.0f);
  EXPECT_EQ(g.recursionSteps, 512);
  EXPECT_EQ(g.opacity, 32768);
  EXPECT_EQ(g.matchThreshold, 0);
  EXPECT_EQ(g.shapeType, 5);
  EXPECT_EQ(g.fadeType, 0);
  EXPECT_EQ(g.startStrategy, 2);
  EXPECT_EQ(g.size, 512);
  EXPECT_EQ(g.lineWidth, 32.0f);
  s.recursionSteps = 0;  // as "Dotten Mosaic" stores it: kept
  EXPECT_EQ(ConvertSettings<Pixel8>(s, 1.0f).recursionSteps, 0);
}

// ---- Output preparation ------------------------------------------------------------------------

struct DepthCase {
  WorldDepth depth;
  const char* name;
};
const DepthCase kDepths[] = {{WorldDepth::k8, "8-bit"}, {WorldDepth::k16, "16-bit"}, {WorldDepth::kFloat, "float"}};

// A transparent input places no shape ("Random" needs alpha), so the output shows exactly what
// the preparation did.
void TransparentInput(FakeWorld& w) {
  for (int32_t y = 0; y < w.height(); ++y)
    for (int32_t x = 0; x < w.width(); ++x)
      for (int c = 1; c < 4; ++c) w.SetChannel(x, y, c, (x * 7 + y * 3 + c) % 5 == 0 ? 0 : 0.5 + c);
}

TEST_F(RenderFrame, OutputIsTheInputOrClearedAndRowPaddingIsNeverTouched) {
  host.value(SlotOf(ControlId::kStartPosStrategy)) = 1;  // Random
  for (const DepthCase& d : kDepths) {
    for (int keep : {0, 1}) {
      FakeWorld input(d.depth, 9, 5, 20);
      FakeWorld output(d.depth, 9, 5, 12);
      TransparentInput(input);
      output.Fill(9, 9, 9, 9);
      host.value(SlotOf(ControlId::kKeepOriginal)) = keep;
      EXPECT_EQ(host.RenderSmart(input, output), PF_Err_NONE);
      const std::vector<uint8_t> expected =
          keep ? input.PixelBytes() : std::vector<uint8_t>(output.PixelBytes().size(), 0);
      EXPECT_EQ(output.PixelBytes(), expected) << d.name << " keep " << keep;
      EXPECT_TRUE(output.PaddingIntact()) << d.name;
    }
  }
}

TEST_F(RenderFrame, UnknownPixelFormatPreparesFourBytesPerPixelAndDrawsNothing) {
  FakeWorld input(WorldDepth::k16, 6, 4);
  FakeWorld output(WorldDepth::k16, 6, 4);
  input.Fill(32768, 1000, 2000, 3000);
  output.Fill(7, 7, 7, 7);
  host.value(SlotOf(ControlId::kKeepOriginal)) = 1;
  host.forcedPixelFormat = 0x12345678;
  EXPECT_EQ(host.RenderSmart(input, output), PF_Err_NONE);
  for (int32_t y = 0; y < 4; ++y) {
    EXPECT_EQ(std::memcmp(output.row(y), input.row(y), 6 * 4), 0);
    for (int32_t x = 3; x < 6; ++x) EXPECT_EQ(output.channel(x, y, 0), 7) << "past the 4-byte pixels";
  }
  EXPECT_TRUE(output.PaddingIntact());
}

TEST_F(RenderFrame, SmallerInputThanOutputIsNeverReadPastItsPixels) {
  for (const DepthCase& d : kDepths) {
    FakeWorld input(d.depth, 5, 3, 0);  // no padding: any over-read leaves the allocation
    FakeWorld output(d.depth, 12, 8, 4);
    input.Fill(1, 0.5, 0.25, 1);
    if (d.depth != WorldDepth::kFloat) input.Fill(255, 100, 60, 200);
    host.value(SlotOf(ControlId::kKeepOriginal)) = 1;
    host.in_data.width = 12;
    EXPECT_EQ(host.RenderSmart(input, output), PF_Err_NONE) << d.name;
    for (int32_t y = 0; y < 8; ++y) {
      for (int32_t x = 0; x < 12; ++x) {
        if (x >= 5 || y >= 3) {
          EXPECT_EQ(output.channel(x, y, 0), 0) << d.name << " " << x << "," << y;
        }
      }
    }
    EXPECT_TRUE(output.PaddingIntact());
  }
}

TEST_F(RenderFrame, NullInputWorldClearsTheOutput) {
  FakeWorld input(WorldDepth::k8, 4, 4);
  FakeWorld output(WorldDepth::k8, 4, 4);
  output.Fill(1, 2, 3, 4);
  host.nullInputPixels = true;
  host.value(SlotOf(ControlId::kKeepOriginal)) = 1;
  EXPECT_EQ(host.RenderSmart(input, output), PF_Err_NONE);
  EXPECT_EQ(output.PixelBytes(), std::vector<uint8_t>(64, 0));
}

TEST_F(RenderFrame, RenderCommandFromAfterEffectsDoesNothing) {
  FakeWorld input(WorldDepth::k8, 4, 4);
  FakeWorld output(WorldDepth::k8, 4, 4);
  output.Fill(1, 2, 3, 4);
  const std::vector<uint8_t> before = output.PixelBytes();
  EXPECT_EQ(host.RenderPremiere(input, output), PF_Err_NONE);
  EXPECT_EQ(output.PixelBytes(), before);
  EXPECT_TRUE(host.calls.empty());
}

// A small synthetic picture with regions of colour for end-to-end comparisons.
FakeWorld Picture(WorldDepth depth, int32_t w, int32_t h) {
  std::vector<uint8_t> argb(static_cast<size_t>(w) * h * 4);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* p = &argb[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = 255;
      p[1] = static_cast<uint8_t>(x < w / 2 ? 200 : 40);
      p[2] = static_cast<uint8_t>((x + y) % 64 < 32 ? 180 : 60);
      p[3] = static_cast<uint8_t>(y < h / 3 ? 220 : 90);
    }
  }
  return FakeWorld::FromArgb8(depth, w, h, argb.data());
}

TEST_F(RenderFrame, SmartAndPremierePathsDrawTheSamePicture) {
  for (const DepthCase& d : kDepths) {
    FakeWorld input = Picture(d.depth, 64, 48);
    FakeWorld smartOut(d.depth, 64, 48);
    FakeWorld premiereOut(d.depth, 64, 48, 16);
    host.value(SlotOf(ControlId::kCount)) = 10 * F;
    ASSERT_EQ(host.RenderSmart(input, smartOut), PF_Err_NONE);

    FakeHost premiere(FakeHost::kPremiereApplId);
    ASSERT_EQ(premiere.GlobalSetup(), PF_Err_NONE);
    ASSERT_EQ(premiere.SetupParams(), PF_Err_NONE);
    premiere.value(SlotOf(ControlId::kCount)) = 10 * F;
    ASSERT_EQ(premiere.RenderPremiere(input, premiereOut), PF_Err_NONE);
    EXPECT_EQ(smartOut.PixelBytes(), premiereOut.PixelBytes()) << d.name;
    EXPECT_NE(smartOut.PixelBytes(), std::vector<uint8_t>(smartOut.PixelBytes().size(), 0))
        << d.name << ": shapes were drawn";
    EXPECT_TRUE(premiereOut.PaddingIntact());
    gPixelFormatSuite = nullptr;
  }
}

TEST_F(RenderFrame, PremiereWithoutPixelFormatSuiteRendersEightBit) {
  FakeHost premiere(FakeHost::kPremiereApplId);
  premiere.missingSuites = {"PF Pixel Format Suite"};
  ASSERT_EQ(premiere.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(premiere.SetupParams(), PF_Err_NONE);
  FakeWorld input = Picture(WorldDepth::k8, 32, 32);
  FakeWorld viaPremiere(WorldDepth::k8, 32, 32);
  FakeWorld viaSmart(WorldDepth::k8, 32, 32);
  ASSERT_EQ(premiere.RenderPremiere(input, viaPremiere), PF_Err_NONE);
  ASSERT_EQ(host.RenderSmart(input, viaSmart), PF_Err_NONE);
  EXPECT_EQ(viaPremiere.PixelBytes(), viaSmart.PixelBytes());
}

}  // namespace
}  // namespace morvane
