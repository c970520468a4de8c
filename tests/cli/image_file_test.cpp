// Image files: the 16-bit scale's round trip, and pictures through real files at every depth.
#include <chrono>
#include <thread>
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

// An EXR as a compositing package writes it: a 40 × 30 data window at +50+40 inside a 200 × 150
// display window, red, green, blue and alpha in half, a float Z channel, an ICC profile, EXIF and
// colour-space metadata and a studio attribute of its own.
void WriteCompositingExr(const std::string& path, bool withExtras) {
  OIIO::ImageSpec header(40, 30, withExtras ? 5 : 4, OIIO::TypeDesc::HALF);
  header.x = 50;
  header.y = 40;
  header.full_x = 0;
  header.full_y = 0;
  header.full_width = 200;
  header.full_height = 150;
  header.alpha_channel = 3;
  if (withExtras) {
    header.channelnames = {"R", "G", "B", "A", "Z"};
    header.channelformats = {OIIO::TypeDesc::HALF, OIIO::TypeDesc::HALF, OIIO::TypeDesc::HALF, OIIO::TypeDesc::HALF,
                             OIIO::TypeDesc::FLOAT};
    header.attribute("oiio:ColorSpace", "ACEScg");
    header.attribute("Exif:Make", "Morvane test camera");
    const std::vector<unsigned char> icc = {0, 0, 2, 0x10, 'a', 'p', 'p', 'l', 7, 7, 7, 7};
    header.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, icc.size()), icc.data());
    header.attribute("studio:shot", "sh010");
  }
  std::vector<float> samples;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      samples.insert(samples.end(), {x / 40.0f, y / 30.0f, 0.5f, 1.0f});
      if (withExtras) samples.push_back(1000.0f + x * 0.001f + y);  // needs float: half would round it
    }
  }
  auto out = OIIO::ImageOutput::create(path);
  ASSERT_TRUE(out->open(path, header)) << out->geterror();
  ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, samples.data())) << out->geterror();
  ASSERT_TRUE(out->close());
}

// Every attribute the input file holds (but the reader's own notes) comes back with its type and
// value; returns how many there were.
int ExpectAttributesCarried(const std::string& input, const OIIO::ImageSpec& output) {
  auto source = OIIO::ImageInput::open(input);
  EXPECT_TRUE(source);
  if (!source) return 0;
  int carried = 0;
  for (const OIIO::ParamValue& p : source->spec().extra_attribs) {
    const std::string name = p.name().string();
    if (name.rfind("oiio:", 0) == 0 && name != "oiio:ColorSpace") continue;
    SCOPED_TRACE(name);
    const OIIO::ParamValue* back = output.find_attribute(name);
    EXPECT_NE(back, nullptr);
    if (back == nullptr) continue;
    EXPECT_EQ(back->type(), p.type());
    EXPECT_EQ(output.get_string_attribute(name), source->spec().get_string_attribute(name));
    ++carried;
  }
  return carried;
}

TEST_F(CliImageFiles, ExrKeepsItsWindowsExtraChannelsAndMetadata) {
  WriteCompositingExr(Path("shot.exr"), true);
  WriteCompositingExr(Path("plain.exr"), false);
  for (const char* name : {"shot", "plain"}) {
    const RunResult r = Run({"render", Path(std::string(name) + ".exr"), Path(std::string(name) + "-out.exr"), "-q",
                             "--preset", "Small Triangles"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  auto in = OIIO::ImageInput::open(Path("shot-out.exr"));
  ASSERT_TRUE(in);
  const OIIO::ImageSpec& header = in->spec();
  EXPECT_EQ((std::vector<int>{header.x, header.y, header.width, header.height}), (std::vector<int>{50, 40, 40, 30}));
  EXPECT_EQ((std::vector<int>{header.full_x, header.full_y, header.full_width, header.full_height}),
            (std::vector<int>{0, 0, 200, 150}));
  ASSERT_EQ(header.nchannels, 5);
  EXPECT_EQ(header.channelnames[4], "Z");
  EXPECT_EQ(header.channelformat(4), OIIO::TypeDesc::FLOAT);
  EXPECT_GE(ExpectAttributesCarried(Path("shot.exr"), header), 3);
  EXPECT_EQ(header.get_string_attribute("studio:shot"), "sh010");
  EXPECT_EQ(header.get_string_attribute("Exif:Make"), "Morvane test camera");

  // Z comes back bit for bit; red, green, blue and alpha are the render of the data window alone.
  std::vector<float> shot(40 * 30 * 5), plain(40 * 30 * 4);
  ASSERT_TRUE(in->read_image(0, 0, 0, 5, OIIO::TypeDesc::FLOAT, shot.data()));
  auto plainIn = OIIO::ImageInput::open(Path("plain-out.exr"));
  ASSERT_TRUE(plainIn && plainIn->read_image(0, 0, 0, 4, OIIO::TypeDesc::FLOAT, plain.data()));
  for (int i = 0; i < 40 * 30; ++i) {
    const int x = i % 40, y = i / 40;
    ASSERT_EQ(shot[i * 5 + 4], 1000.0f + x * 0.001f + y) << i;
    for (int c = 0; c < 4; ++c) ASSERT_EQ(shot[i * 5 + c], plain[i * 4 + c]) << i << " " << c;
  }
}

// A TIFF's ICC profile and tags come back unchanged.
TEST_F(CliImageFiles, TiffKeepsItsIccProfileAndExif) {
  OIIO::ImageSpec header(16, 12, 3, OIIO::TypeDesc::UINT16);
  const std::vector<unsigned char> icc = {0, 0, 0, 12, 'l', 'c', 'm', 's', 2, 0x10, 0, 0};
  header.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, icc.size()), icc.data());
  header.attribute("Artist", "Morvane tests");
  const std::vector<uint16_t> pixels(16 * 12 * 3, 30000);
  auto out = OIIO::ImageOutput::create(Path("icc.tif"));
  ASSERT_TRUE(out->open(Path("icc.tif"), header) && out->write_image(OIIO::TypeDesc::UINT16, pixels.data()) &&
              out->close());
  const RunResult r = Run({"render", Path("icc.tif"), Path("icc-out.tif"), "-q"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  auto back = OIIO::ImageInput::open(Path("icc-out.tif"));
  ASSERT_TRUE(back);
  const OIIO::ParamValue* profile = back->spec().find_attribute("ICCProfile");
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(static_cast<const unsigned char*>(profile->data()),
                                       static_cast<const unsigned char*>(profile->data()) + profile->type().size()),
            icc);
  EXPECT_EQ(back->spec().get_string_attribute("Artist"), "Morvane tests");
  EXPECT_GE(ExpectAttributesCarried(Path("icc.tif"), back->spec()), 3);
}

// The same command writes the same bytes: no wall-clock stamp in TIFF and OpenEXR headers.
TEST_F(CliImageFiles, RepeatedRunsWriteIdenticalFiles) {
  const ArgbImage picture = TestPicture(true, 32, 24);
  WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, 32, 24, picture.argb.data()), Path("in.png"), true);
  const char* const extensions[] = {"exr", "tif", "png", "jpg"};
  for (const int run : {1, 2}) {
    for (const char* ext : extensions) {
      const RunResult r = Run({"render", Path("in.png"), Path("run" + std::to_string(run) + "." + ext), "-q"});
      ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    if (run == 1) std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // a stamp would change
  }
  for (const char* ext : extensions) {
    EXPECT_EQ(Slurp(Path(std::string("run1.") + ext)), Slurp(Path(std::string("run2.") + ext))) << ext;
  }
}

// --data-format picks the written samples; a type the format cannot hold is refused, by name.
TEST_F(CliImageFiles, DataFormatAndWhatEachFormatHolds) {
  const ArgbImage picture = TestPicture(false, 32, 24);
  WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, 32, 24, picture.argb.data()), Path("in.png"), false);
  struct Case {
    std::vector<std::string> options;
    const char* out;
    int exitCode;
    OIIO::TypeDesc written;  // when it succeeds
    const char* message;     // when it fails
  };
  const Case cases[] = {
      {{}, "a.exr", 0, OIIO::TypeDesc::HALF, ""},  // 8-bit into OpenEXR: half keeps every value
      {{}, "a.tif", 0, OIIO::TypeDesc::UINT8, ""},
      {{"--depth", "16"}, "b.png", 0, OIIO::TypeDesc::UINT16, ""},
      {{"-d", "uint16"}, "c.png", 0, OIIO::TypeDesc::UINT16, ""},
      {{"--depth", "32", "--data-format", "half"}, "d.exr", 0, OIIO::TypeDesc::HALF, ""},
      {{"--data-format", "float"}, "e.tif", 0, OIIO::TypeDesc::FLOAT, ""},
      {{"--depth", "32", "-d", "uint8"}, "f.png", 0, OIIO::TypeDesc::UINT8, ""},
      {{"--depth", "32"}, "g.png", 2, OIIO::TypeDesc::UNKNOWN,
       "g.png\" cannot hold float samples: PNG files hold uint8 or uint16; give --data-format uint8 or uint16"},
      {{"--depth", "16"}, "h.jpg", 2, OIIO::TypeDesc::UNKNOWN, "cannot hold uint16 samples: JPEG files hold uint8"},
      {{"-d", "uint8"}, "i.exr", 2, OIIO::TypeDesc::UNKNOWN, "OpenEXR files hold half or float"},
      {{"-d", "double"}, "j.exr", 2, OIIO::TypeDesc::UNKNOWN, "--data-format \"double\": expected uint8, uint16"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    std::vector<std::string> args{"render", Path("in.png"), Path(c.out), "-q"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult r = Run(args);
    ASSERT_EQ(r.exitCode, c.exitCode) << r.err;
    if (c.exitCode != 0) {
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_FALSE(fs::exists(Path(c.out)));
      continue;
    }
    auto in = OIIO::ImageInput::open(Path(c.out));
    ASSERT_TRUE(in);
    EXPECT_EQ(in->spec().format, c.written);
  }
}

TEST_F(CliImageFiles, SeveralSubimagesAreRefusedNotCut) {
  OIIO::ImageSpec header(8, 6, 3, OIIO::TypeDesc::UINT8);
  const std::vector<unsigned char> pixels(8 * 6 * 3, 100);
  auto out = OIIO::ImageOutput::create(Path("two.tif"));
  const OIIO::ImageSpec specs[] = {header, header};
  ASSERT_TRUE(out->open(Path("two.tif"), 2, specs));
  ASSERT_TRUE(out->write_image(OIIO::TypeDesc::UINT8, pixels.data()));
  ASSERT_TRUE(out->open(Path("two.tif"), header, OIIO::ImageOutput::AppendSubimage));
  ASSERT_TRUE(out->write_image(OIIO::TypeDesc::UINT8, pixels.data()));
  ASSERT_TRUE(out->close());
  const RunResult r = Run({"render", Path("two.tif"), Path("out.tif")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("\"" + Path("two.tif") + "\" holds 2 subimages; morvane renders one picture"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(Path("out.tif")));
}

}  // namespace
}  // namespace morvane::cli_test
