// Golden renders: every preset at every depth on a photograph crop, through EffectMain as a host
// drives it (the preset applied by the "Preset" popup, then pre-render and smart render). Each
// output is pinned by a fingerprint, so any change that alters one pixel fails here.
//
// The fingerprints were recorded after looking at the pictures. To look again, or to print the
// table after an intended change of the picture:
//   MORVANE_GOLDEN_OUT=/tmp/golden build/linux/tests/golden_tests   (writes one PPM per case)
//   MORVANE_GOLDEN_PRINT=1 build/linux/tests/golden_tests           (prints the table rows)
#include <gtest/gtest.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "effect/presets.h"
#include "effect/control_id.h"
#include "tests/fake_host/fake_host.h"
#include "tests/fake_host/ppm.h"

namespace morvane {
namespace {

using testing::ArgbImage;
using testing::FakeHost;
using testing::FakeWorld;
using testing::WorldDepth;

const char* const kPictures[] = {"coffee-crop.ppm", "chelsea-crop.ppm", "rocket-crop.ppm"};

struct Golden {
  int preset;
  uint64_t depth8, depth16, depthFloat;
};

// Preset p renders on picture kPictures[(p - 1) % 3].
const Golden kGolden[] = {
#include "tests/golden/golden_fingerprints.inc"
};

// The output at 8 bits per channel, for looking at.
ArgbImage ToArgb8(const FakeWorld& w) {
  ArgbImage image{w.width(), w.height(), std::vector<uint8_t>(static_cast<size_t>(w.width()) * w.height() * 4)};
  const double scale = w.depth() == WorldDepth::k8 ? 1.0 : w.depth() == WorldDepth::k16 ? 255.0 / 32768.0 : 255.0;
  for (int32_t y = 0; y < w.height(); ++y) {
    for (int32_t x = 0; x < w.width(); ++x) {
      for (int c = 0; c < 4; ++c) {
        double v = w.channel(x, y, c) * scale + 0.5;
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        image.argb[(static_cast<size_t>(y) * w.width() + x) * 4 + c] = static_cast<uint8_t>(v);
      }
    }
  }
  return image;
}

uint64_t RenderPreset(int preset, WorldDepth depth, const ArgbImage& picture, const char* depthName) {
  FakeHost host;
  EXPECT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.SetupParams(), PF_Err_NONE);
  host.value(SlotOf(ControlId::kPreset)) = preset;
  EXPECT_EQ(host.UserChanged(SlotOf(ControlId::kPreset)), PF_Err_NONE);
  FakeWorld input = FakeWorld::FromArgb8(depth, picture.width, picture.height, picture.argb.data());
  FakeWorld output(depth, picture.width, picture.height);
  EXPECT_EQ(host.RenderSmart(input, output), PF_Err_NONE);
  EXPECT_TRUE(output.PaddingIntact());
  if (const char* dir = std::getenv("MORVANE_GOLDEN_OUT")) {
    char name[64];
    std::snprintf(name, sizeof name, "/preset%02d-%s.ppm", preset, depthName);
    testing::WritePpm(std::string(dir) + name, ToArgb8(output));
  }
  return testing::Fingerprint(output.PixelBytes());
}

const ArgbImage& Picture(int preset) {
  static const std::array<ArgbImage, 3> pictures = [] {
    std::array<ArgbImage, 3> p;
    for (int i = 0; i < 3; ++i) testing::ReadPpm(std::string(MORVANE_TEST_DATA_DIR) + "/" + kPictures[i], p[i]);
    return p;
  }();
  return pictures[(preset - 1) % 3];
}

class GoldenRenders : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenRenders, PresetAtEveryDepth) {
  const Golden& g = GetParam();
  const ArgbImage& picture = Picture(g.preset);
  ASSERT_GT(picture.width, 0) << kPictures[(g.preset - 1) % 3] << " could not be read";
  SCOPED_TRACE(std::string(PresetName(g.preset)) + " on " + kPictures[(g.preset - 1) % 3]);
  const uint64_t f8 = RenderPreset(g.preset, WorldDepth::k8, picture, "8");
  const uint64_t f16 = RenderPreset(g.preset, WorldDepth::k16, picture, "16");
  const uint64_t ff = RenderPreset(g.preset, WorldDepth::kFloat, picture, "float");
  if (std::getenv("MORVANE_GOLDEN_PRINT") != nullptr) {
    std::printf("    {%d, 0x%016" PRIx64 "u, 0x%016" PRIx64 "u, 0x%016" PRIx64 "u},  // %s\n", g.preset, f8, f16, ff,
                std::string(PresetName(g.preset)).c_str());
    return;
  }
  EXPECT_EQ(f8, g.depth8) << "8-bit";
  EXPECT_EQ(f16, g.depth16) << "16-bit";
  EXPECT_EQ(ff, g.depthFloat) << "float";
}

INSTANTIATE_TEST_SUITE_P(EveryPreset, GoldenRenders, ::testing::ValuesIn(kGolden),
                         [](const ::testing::TestParamInfo<Golden>& param) {
                           std::string name;
                           for (char c : PresetName(param.param.preset))
                             if (c != ' ') name += c;
                           return name;
                         });

}  // namespace
}  // namespace morvane
