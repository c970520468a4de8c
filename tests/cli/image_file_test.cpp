// Image files: the 16-bit scale's round trip, and pictures through real files at every depth.
#include <utility>

#include "cli/cli_error.h"
#include "cli_test_support.h"
#include "effect/control_id.h"

namespace morvane::cli_test {
namespace {

using cli::EffectToFile16;
using cli::FileToEffect16;
using cli::Image;

TEST(Cli16BitScale, EveryEffectValueSurvivesTheFileScale) {
  for (uint32_t v = 0; v <= 32768; ++v) {
    ASSERT_EQ(FileToEffect16(EffectToFile16(v)), v) << v;
    if (v > 0) {
      ASSERT_GT(EffectToFile16(v), EffectToFile16(v - 1)) << v;
    }
  }
  EXPECT_EQ(EffectToFile16(32768), 65535);
  EXPECT_EQ(EffectToFile16(16384), 32768);
  EXPECT_EQ(FileToEffect16(65535), 32768);
  EXPECT_EQ(EffectToFile16(40000), 65535);  // above white clamps
}

class CliImageFiles : public CliTest {};

// The 16-bit samples (compared as floats, pairs of them could make NaN patterns).
std::vector<uint16_t> Samples16(const Image& image) {
  const auto* p = reinterpret_cast<const uint16_t*>(image.data());
  return std::vector<uint16_t>(p, p + static_cast<size_t>(image.width) * image.height * 4);
}

// An image holding every 16-bit effect value 0..32768 in its four channels.
Image AllSixteenBitValues() {
  constexpr int kWidth = 128;
  constexpr int kHeight = (32769 + kWidth - 1) / kWidth;
  Image image = cli::MakeImage(Depth::k16, kWidth, kHeight, cli::SampleType::kUint16);
  auto* px = reinterpret_cast<uint16_t*>(image.storage.data());
  for (int i = 0; i < kWidth * kHeight; ++i) {
    for (int c = 0; c < 4; ++c) px[i * 4 + c] = static_cast<uint16_t>((i + c * 8191) % 32769);
  }
  return image;
}

TEST_F(CliImageFiles, SixteenBitFilesGiveBackEveryValue) {
  const Image image = AllSixteenBitValues();
  for (const char* name : {"all.png", "all.tif"}) {
    SCOPED_TRACE(name);
    cli::WriteImage(image, Path(name));
    const Image back = cli::ReadImage(Path(name));
    EXPECT_EQ(back.depth, Depth::k16);
    EXPECT_TRUE(Samples16(back) == Samples16(image));
  }
}

TEST_F(CliImageFiles, SixteenBitRenderThatDrawsNothingGivesTheFileBack) {
  // Opacity 0 over an opaque original changes no value: whatever the 16-bit scale loses shows.
  Image image = AllSixteenBitValues();
  auto* px = reinterpret_cast<uint16_t*>(image.storage.data());
  for (size_t i = 0; i < image.storage.size() * 2; i += 4) px[i] = 32768;
  cli::WriteImage(image, Path("in.tif"));
  const RunResult r = Run({"render", Path("in.tif"), Path("out.tif"), "--set", "Keep Original Image=on", "--set",
                           "Opacity=0", "--set", "Count=20"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Samples16(cli::ReadImage(Path("out.tif"))) == Samples16(image));
}

TEST_F(CliImageFiles, ChannelsArriveInAlphaRedGreenBlueOrder) {
  // One pixel, every channel different: red 10, green 20, blue 30, alpha 40 in the file.
  OIIO::ImageSpec header(1, 1, 4, OIIO::TypeDesc::UINT8);
  header.alpha_channel = 3;
  header.attribute("oiio:UnassociatedAlpha", 1);
  const uint8_t rgba[4] = {10, 20, 30, 40};
  auto out = OIIO::ImageOutput::create(Path("p.png"));
  ASSERT_TRUE(out->open(Path("p.png"), header) && out->write_image(OIIO::TypeDesc::UINT8, rgba) && out->close());

  const Image eight = cli::ReadImage(Path("p.png"));
  const auto* argb = reinterpret_cast<const uint8_t*>(eight.data());
  EXPECT_EQ((std::vector<int>{argb[0], argb[1], argb[2], argb[3]}), (std::vector<int>{40, 10, 20, 30}));

  const Image sixteen = cli::ReadImage(Path("p.png"), Depth::k16);
  const auto* argb16 = reinterpret_cast<const uint16_t*>(sixteen.data());
  EXPECT_EQ(argb16[0], (40 * 32768 + 127) / 255);
  EXPECT_EQ(argb16[1], (10 * 32768 + 127) / 255);

  const Image flt = cli::ReadImage(Path("p.png"), Depth::kFloat);
  const auto* argbF = reinterpret_cast<const float*>(flt.data());
  EXPECT_EQ(argbF[3], 30 / 255.0f);
  EXPECT_EQ(flt.fileType, cli::SampleType::kFloat);
}

TEST_F(CliImageFiles, HalfFilesRenderInFloatAndStayHalf) {
  OIIO::ImageSpec header(2, 1, 3, OIIO::TypeDesc::HALF);
  const float rgb[6] = {0.25f, 0.5f, 1.5f, 0, 0, 0};
  auto out = OIIO::ImageOutput::create(Path("h.exr"));
  ASSERT_TRUE(out->open(Path("h.exr"), header) && out->write_image(OIIO::TypeDesc::FLOAT, rgb) && out->close());
  const Image image = cli::ReadImage(Path("h.exr"));
  EXPECT_EQ(image.depth, Depth::kFloat);
  EXPECT_EQ(image.fileType, cli::SampleType::kHalf);
  const auto* argb = reinterpret_cast<const float*>(image.data());
  EXPECT_EQ((std::vector<float>{argb[0], argb[1], argb[2], argb[3]}), (std::vector<float>{1.0f, 0.25f, 0.5f, 1.5f}));
  cli::WriteImage(image, Path("h2.exr"));
  auto in = OIIO::ImageInput::open(Path("h2.exr"));
  ASSERT_TRUE(in);
  EXPECT_EQ(in->spec_dimensions(0).format, OIIO::TypeDesc::HALF);
}

TEST_F(CliImageFiles, DepthOptionForcesTheRenderDepth) {
  // An 8-bit picture rendered at 16 bits and in float equals the host's render of the same
  // picture at that depth (the fake host widens 8-bit values as the reader does).
  const ArgbImage picture = TestPicture(false, 32, 24);
  WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, 32, 24, picture.argb.data()), Path("in.png"), false);
  for (const auto& [option, depth] : {std::pair{"16", WorldDepth::k16}, std::pair{"32", WorldDepth::kFloat}}) {
    SCOPED_TRACE(option);
    const std::string out = Path(std::string("out") + option + ".tif");
    const RunResult r = Run({"render", Path("in.png"), out, "--depth", option, "--preset", "Baton Triangles"});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    FakeHost host;
    ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
    host.value(SlotOf(ControlId::kPreset)) = 19;
    ASSERT_EQ(host.UserChanged(SlotOf(ControlId::kPreset)), PF_Err_NONE);
    FakeWorld in = FakeWorld::FromArgb8(depth, 32, 24, picture.argb.data());
    FakeWorld expected(depth, 32, 24);
    ASSERT_EQ(host.RenderSmart(in, expected), PF_Err_NONE);
    EXPECT_TRUE(ReadWorld(out, depth).PixelBytes() == expected.PixelBytes());
  }
}

}  // namespace
}  // namespace morvane::cli_test
