// The program renders the picture the module renders in a host: the same pixels and control
// values through EffectMain with the fake host (the preset applied by the module's own
// UserChangedParam) and through `morvane render` give identical pixels at every depth.
#include <utility>

#include "cli_test_support.h"
#include "effect/control_id.h"

namespace morvane::cli_test {
namespace {

constexpr int32_t F(int32_t whole) { return whole * 65536; }

struct DepthCase {
  WorldDepth depth;
  const char* extension;  // a format that holds the depth's samples exactly
};

constexpr DepthCase kDepths[] = {
    {WorldDepth::k8, "png"},
    {WorldDepth::k16, "png"},
    {WorldDepth::kFloat, "exr"},
};

struct ControlCase {
  const char* name;
  std::vector<std::string> args;               // after "render IN OUT"
  int preset;                                  // applied in the host through UserChangedParam
  std::vector<std::pair<int, int32_t>> values; // then set in the host's records
};

const std::vector<ControlCase>& ControlCases() {
  static const std::vector<ControlCase> cases = {
      {"defaults", {}, 0, {}},
      {"Rectangle Mosaic by name, keeps the original",
       {"--preset", "rectangle MOSAIC", "--set", "Size=12"},
       8,
       {{SlotOf(ControlId::kSize), F(12)}}},
      {"Bold Strokes with a typed line width", {"--preset", "Bold Strokes", "--set", "Line Width=2.3"}, 16,
       {{SlotOf(ControlId::kLineWidth), 150732}}},
      {"Dense Pointillism by number with popup, checkbox and percent overrides",
       {"--preset", "14", "--set", "shape type=Square", "--set", "Fill=off", "--set", "Opacity=40%",
        "--set", "Keep Original Image=on"},
       14,
       {{SlotOf(ControlId::kShapeType), 4}, {SlotOf(ControlId::kFill), 0}, {SlotOf(ControlId::kOpacity), F(40)}, {SlotOf(ControlId::kKeepOriginal), 1}}},
      // The two presets that write values outside their sliders' ranges, applied as stored.
      {"Creased Aquarel (Count 20000)", {"--preset", "Creased Aquarel"}, 15, {}},
      {"Dotten Mosaic (Recursion Steps 0)", {"--preset", "9"}, 9, {}},
      {"Grid start with fractional angle", {"--preset", "20", "--set", "Starting Angle=12.75"}, 20,
       {{SlotOf(ControlId::kStartingAngle), F(12) + 49152}}},
  };
  return cases;
}

class CliHostParity : public CliTest {};

TEST_F(CliHostParity, EveryDepthAndControlCaseGivesTheHostsPixels) {
  const ArgbImage picture = TestPicture(/*alpha=*/true);
  for (const DepthCase& d : kDepths) {
    FakeWorld input = FakeWorld::FromArgb8(d.depth, picture.width, picture.height, picture.argb.data());
    const std::string in = Path(std::string("in.") + d.extension);
    WriteWorld(input, in, /*alpha=*/true);
    for (const ControlCase& c : ControlCases()) {
      SCOPED_TRACE(std::string(c.name) + ", ." + d.extension + " depth " + std::to_string(static_cast<int>(d.depth)));
      const std::string out = Path(std::string("out.") + d.extension);
      std::vector<std::string> args{"render", in, out, "--quiet"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      const RunResult r = Run(args);
      ASSERT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(r.err, "");

      FakeHost host;
      ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
      if (c.preset != 0) {
        host.value(SlotOf(ControlId::kPreset)) = c.preset;
        ASSERT_EQ(host.UserChanged(SlotOf(ControlId::kPreset)), PF_Err_NONE);
      }
      for (const auto& [index, value] : c.values) host.value(index) = value;
      FakeWorld hostOut(d.depth, picture.width, picture.height);
      ASSERT_EQ(host.RenderSmart(input, hostOut), PF_Err_NONE);

      const FakeWorld cliOut = ReadWorld(out, d.depth);
      ASSERT_EQ(cliOut.width(), hostOut.width());
      ASSERT_EQ(cliOut.height(), hostOut.height());
      EXPECT_TRUE(cliOut.PixelBytes() == hostOut.PixelBytes());
      // A render that changed nothing would pass trivially.
      EXPECT_FALSE(hostOut.PixelBytes() == input.PixelBytes());
    }
  }
}

TEST_F(CliHostParity, ImageWithoutAlphaRendersAsOpaque) {
  const ArgbImage picture = TestPicture(/*alpha=*/false);
  FakeWorld input = FakeWorld::FromArgb8(WorldDepth::k8, picture.width, picture.height, picture.argb.data());
  WriteWorld(input, Path("rgb.png"), /*alpha=*/false);
  const RunResult r = Run({"render", Path("rgb.png"), Path("out.png"), "--set", "Keep Original Image=on"});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  FakeHost host;
  ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
  host.value(SlotOf(ControlId::kKeepOriginal)) = 1;
  FakeWorld hostOut(WorldDepth::k8, picture.width, picture.height);
  ASSERT_EQ(host.RenderSmart(input, hostOut), PF_Err_NONE);

  int channels = 0;
  const FakeWorld cliOut = ReadWorld(Path("out.png"), WorldDepth::k8, &channels);
  EXPECT_EQ(channels, 4);  // the output keeps an alpha channel for the transparent pixels
  EXPECT_TRUE(cliOut.PixelBytes() == hostOut.PixelBytes());
}

}  // namespace
}  // namespace morvane::cli_test
