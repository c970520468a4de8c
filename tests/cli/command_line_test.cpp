// The program's interface as a user meets it: listings, presets by name and number, and every
// error with its exit code, its one line and no file left behind.
#include "cli_test_support.h"
#include "effect/controls.h"
#include "effect/presets.h"

namespace morvane::cli_test {
namespace {

class CliCommandLine : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    const ArgbImage picture = TestPicture(/*alpha=*/false, 32, 24);
    WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, picture.width, picture.height, picture.argb.data()),
               Path("in.png"), false);
  }
};

TEST_F(CliCommandLine, VersionHelpAndListings) {
  RunResult r = Run({"--version"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Morvane, v1.0.1\n");

  r = Run({"render", "--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("morvane render IN OUT"), std::string::npos);
  EXPECT_NE(r.out.find("Exit codes"), std::string::npos);

  r = Run({"controls"});
  EXPECT_EQ(r.exitCode, 0);
  for (const ControlDef& c : Controls()) {
    if (c.kind != ControlKind::kGroupEnd) {
      EXPECT_NE(r.out.find(c.name), std::string::npos) << c.name;
    }
  }
  EXPECT_NE(r.out.find("Line Width                slider    1 to 32         default 1.8\n"), std::string::npos);
  EXPECT_NE(r.out.find("1 Line, 2 Curve, 3 Triangle, 4 Square, 5 Circle, 6 Rectangle"), std::string::npos);

  r = Run({"presets"});
  EXPECT_EQ(r.exitCode, 0);
  std::string expected;
  for (int p = 1; p <= kPresetCount; ++p) {
    expected += (p < 10 ? " " : "") + std::to_string(p) + "  " + std::string(PresetName(p)) + "\n";
  }
  EXPECT_EQ(r.out, expected);
}

TEST_F(CliCommandLine, PresetByNameEqualsPresetByNumber) {
  ASSERT_EQ(Run({"render", Path("in.png"), Path("by-name.png"), "--preset", "tiny lines"}).exitCode, 0);
  ASSERT_EQ(Run({"render", Path("in.png"), Path("by-number.png"), "--preset=5"}).exitCode, 0);
  ASSERT_EQ(Run({"render", Path("in.png"), Path("other.png"), "--preset", "Hatched Shade"}).exitCode, 0);
  const auto byName = ReadWorld(Path("by-name.png"), WorldDepth::k8).PixelBytes();
  EXPECT_TRUE(byName == ReadWorld(Path("by-number.png"), WorldDepth::k8).PixelBytes());
  EXPECT_FALSE(byName == ReadWorld(Path("other.png"), WorldDepth::k8).PixelBytes());
}

TEST_F(CliCommandLine, OverridesChangeThePictureAndApplyAfterThePreset) {
  ASSERT_EQ(Run({"render", Path("in.png"), Path("a.png"), "--preset", "3"}).exitCode, 0);
  ASSERT_EQ(Run({"render", Path("in.png"), Path("b.png"), "--preset", "3", "--set", "Random Seed (Evolution)=778"})
                .exitCode,
            0);
  // The preset writes the seed 777 back; an override given first would be lost.
  ASSERT_EQ(Run({"render", Path("in.png"), Path("c.png"), "--set", "Random Seed (Evolution)=778", "--preset", "3"})
                .exitCode,
            0);
  const auto a = ReadWorld(Path("a.png"), WorldDepth::k8).PixelBytes();
  const auto b = ReadWorld(Path("b.png"), WorldDepth::k8).PixelBytes();
  const auto c = ReadWorld(Path("c.png"), WorldDepth::k8).PixelBytes();
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(b == c);
}

struct ErrorCase {
  std::vector<std::string> args;  // "IN" and "OUT" stand for the folder's input and an output
  int exitCode;
  std::string message;            // expected inside the one line
};

TEST_F(CliCommandLine, EveryErrorGivesOneLineItsExitCodeAndNoFile) {
  fs::create_directory(Path("taken.png"));  // an output name that cannot be replaced by a file
  {
    std::ofstream(Path("text.png")) << "not an image\n";
  }
  const std::vector<ErrorCase> cases = {
      {{}, 2, "no command given; try \"morvane --help\""},
      {{"paint", "IN", "OUT"}, 2, "unknown command \"paint\"; commands: render, controls, presets, contact-sheet"},
      {{"render", "IN"}, 2, "render needs two files, IN and OUT; got 1"},
      {{"render", "IN", "OUT", "--colour", "red"}, 2, "unknown option \"--colour\"; options of render: --preset"},
      {{"render", "IN", "OUT", "--cell-width", "40"}, 2, "--cell-width does not apply to render"},
      {{"render", "IN", "OUT", "--preset"}, 2, "--preset needs a value"},
      {{"render", "IN", "OUT", "--set", "Sise=12"}, 2,
       "unknown control \"Sise\"; valid controls: Keep Original Image, Shape type, Count,"},
      {{"render", "IN", "OUT", "--set", "Shape=3"}, 2, "unknown control \"Shape\""},
      {{"render", "IN", "OUT", "--set", "Size"}, 2, "expected \"Control=value\""},
      {{"render", "IN", "OUT", "--set", "Preset=3"}, 2, "\"Preset\" is chosen with --preset"},
      {{"render", "IN", "OUT", "--set", "Line Width=40"}, 2, "\"Line Width\" must be from 1 to 32, got 40"},
      {{"render", "IN", "OUT", "--set", "Line Width=32.00001"}, 2, "\"Line Width\" must be from 1 to 32"},
      {{"render", "IN", "OUT", "--set", "Line Width=0.99999"}, 2, "\"Line Width\" must be from 1 to 32"},
      {{"render", "IN", "OUT", "--set", "Count=0"}, 2, "\"Count\" must be from 1 to 16384, got 0"},
      {{"render", "IN", "OUT", "--set", "Opacity=101%"}, 2, "\"Opacity\" must be from 0 to 100 (percent)"},
      {{"render", "IN", "OUT", "--set", "Size=-3"}, 2, "\"Size\" must be from 1 to 512"},
      {{"render", "IN", "OUT", "--set", "Size=1e3"}, 2, "\"Size\" takes a number from 1 to 512, got \"1e3\""},
      {{"render", "IN", "OUT", "--set", "Shape type=Hexagon"}, 2,
       "\"Shape type\" takes one of 1 Line, 2 Curve, 3 Triangle, 4 Square, 5 Circle, 6 Rectangle"},
      {{"render", "IN", "OUT", "--set", "Shape type=7"}, 2, "\"Shape type\" takes one of"},
      {{"render", "IN", "OUT", "--set", "Fill=yes"}, 2, "\"Fill\" takes on, off, 1 or 0, got \"yes\""},
      {{"render", "IN", "OUT", "--set", "Minimum Luminosity=200", "--set", "Maximum Luminosity=100"}, 2,
       "\"Minimum Luminosity\" (200) must not exceed \"Maximum Luminosity\" (100)"},
      {{"render", "IN", "OUT", "--preset", "Foo"}, 2, "unknown preset \"Foo\"; valid: 1 to 20 or Rough Scratch,"},
      {{"render", "IN", "OUT", "--preset", "21"}, 2, "unknown preset \"21\""},
      {{"render", "IN", "OUT", "--depth", "12"}, 2, "--depth \"12\": expected 8, 16 or 32"},
      {{"render", "IN", "OUT", "--threads", "0"}, 2, "--threads \"0\": expected a thread count from 1"},
      {{"render", "IN", "out.%04d.png"}, 2, "a frame number pattern needs --frames"},
      {{"render", "IN", "OUT", "--frames", "1-3"}, 2, "--frames needs a frame number pattern in OUT"},
      {{"render", "IN", "out.####.png", "--frames", "3-1"}, 2, "--frames \"3-1\": expected FIRST-LAST"},
      {{"render", "IN", "out.%04d.%04d.png", "--frames", "1-2"}, 2, "has more than one frame number pattern"},
      {{"render", "IN", "OUT", "--evolve"}, 2, "--evolve needs an image sequence"},
      {{"render", "IN", "out.####.png", "--frames", "1-20000", "--evolve"}, 2,
       "--evolve takes \"Random Seed (Evolution)\" to 20777 at frame 20000, above its maximum 16384"},
      {{"render", "IN", "out.xyz"}, 2, "no image format for"},
      {{"render", "missing.png", "OUT"}, 1, "missing.png\": no such file"},
      {{"render", "text.png", "OUT"}, 1, "cannot read"},
      {{"render", "IN", "no-such-folder/out.png"}, 1, "cannot write"},
      {{"render", "IN", "taken.png"}, 1, "cannot write"},
      {{"contact-sheet", "IN", "OUT", "--preset", "3"}, 2, "--preset does not apply to contact-sheet"},
      {{"contact-sheet", "missing.png", "OUT"}, 1, "no such file"},
      {{"controls", "extra"}, 2, "controls takes no files or options"},
  };
  const std::vector<std::string> before = WorkFiles();
  for (const ErrorCase& c : cases) {
    std::vector<std::string> args;
    std::string shown;
    for (const std::string& a : c.args) {
      std::string arg = a;
      if (a == "IN") arg = Path("in.png");
      if (a == "OUT") arg = Path("out.png");
      if (a != "IN" && a != "OUT" && (a.find(".png") != std::string::npos || a.find(".xyz") != std::string::npos)) {
        arg = Path(a);
      }
      args.push_back(arg);
      shown += " " + a;
    }
    SCOPED_TRACE("morvane" + shown);
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.rfind("morvane: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "not one line: " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(WorkFiles(), before) << "a file was left behind";
  }
}

TEST_F(CliCommandLine, SuccessIsSilentWhenStandardErrorIsNotATerminal) {
  const RunResult r = Run({"render", Path("in.png"), Path("out.png"), "--preset", "Scrapes"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace morvane::cli_test
