// Image sequences: frame patterns, parallel frames, and --evolve stepping the seed per frame.
#include "cli/cli_error.h"
#include "cli/frame_pattern.h"
#include "cli/progress.h"
#include "cli_test_support.h"

namespace morvane::cli_test {
namespace {

TEST(CliFramePattern, PatternsAndRanges) {
  struct Case {
    const char* path;
    int frame;
    const char* expected;
  };
  const Case cases[] = {
      {"out.%04d.png", 7, "out.0007.png"}, {"out.####.png", 12, "out.0012.png"}, {"f%d.exr", 123, "f123.exr"},
      {"a/b_%2d.tif", 5, "a/b_05.tif"},    {"#.png", 42, "42.png"},              {"still.png", 3, "still.png"},
      {"x.%04d.png", 123456, "x.123456.png"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cli::FramePath(cli::ParseFramePattern(c.path), c.path, c.frame), c.expected) << c.path;
  }
  EXPECT_EQ(cli::ParseFrameRange("1-240").count(), 240);
  EXPECT_EQ(cli::ParseFrameRange("5").first, 5);
  EXPECT_EQ(cli::ParseFrameRange("5").last, 5);
  for (const char* bad : {"", "-3", "3-", "a-b", "4-2", "1-2-3", "1-999999999"}) {
    EXPECT_THROW(cli::ParseFrameRange(bad), cli::CliError) << bad;
  }
}

TEST(CliProgress, LineShowsFramesElapsedAndRemaining) {
  EXPECT_EQ(cli::ProgressLine(0, 4, 0.4), "[..............................] 0/4 frames  elapsed 0:00  remaining --:--");
  EXPECT_EQ(cli::ProgressLine(1, 4, 10.0), "[#######.......................] 1/4 frames  elapsed 0:10  remaining 0:30");
  EXPECT_EQ(cli::ProgressLine(1, 1, 3725.0), "[##############################] 1/1 frame  elapsed 1:02:05  remaining 0:00");
}

class CliSequence : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    const ArgbImage picture = TestPicture(/*alpha=*/true);
    WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, picture.width, picture.height, picture.argb.data()),
               Path("in.png"), true);
  }
  std::vector<uint8_t> Pixels(const std::string& name) { return ReadWorld(Path(name), WorldDepth::k8).PixelBytes(); }
};

TEST_F(CliSequence, EvolvingFramesDifferAndRepeatWhateverTheThreads) {
  const std::vector<std::string> common{"render", Path("in.png"), "", "--frames", "1-3", "--evolve", "--quiet"};
  auto run = [&](const std::string& pattern, const char* threads) {
    std::vector<std::string> args = common;
    args[2] = Path(pattern);
    args.insert(args.end(), {"--threads", threads});
    const RunResult r = Run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
  };
  run("two.####.png", "2");
  run("again.%04d.png", "2");
  run("one.%d.png", "1");
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"again.0001.png", "again.0002.png", "again.0003.png", "in.png",
                                                   "one.1.png", "one.2.png", "one.3.png", "two.0001.png",
                                                   "two.0002.png", "two.0003.png"}));
  for (int f = 1; f <= 3; ++f) {
    const std::string n = "000" + std::to_string(f);
    EXPECT_TRUE(Pixels("two." + n + ".png") == Pixels("again." + n + ".png")) << f;
    EXPECT_TRUE(Pixels("two." + n + ".png") == Pixels("one." + std::to_string(f) + ".png")) << f;
  }
  EXPECT_FALSE(Pixels("two.0001.png") == Pixels("two.0002.png"));
  EXPECT_FALSE(Pixels("two.0002.png") == Pixels("two.0003.png"));
  EXPECT_FALSE(Pixels("two.0001.png") == Pixels("two.0003.png"));

  // Frame 2 is the still rendered with the seed 777 + 2, as a keyframed seed steps in a host.
  ASSERT_EQ(Run({"render", Path("in.png"), Path("seed.png"), "--set", "Random Seed (Evolution)=779"}).exitCode, 0);
  EXPECT_TRUE(Pixels("seed.png") == Pixels("two.0002.png"));
}

TEST_F(CliSequence, InputPatternReadsEachFrame) {
  const ArgbImage other = TestPicture(/*alpha=*/false);
  fs::copy_file(Path("in.png"), Path("src.0004.png"));
  WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, other.width, other.height, other.argb.data()), Path("src.0005.png"),
             false);
  ASSERT_EQ(Run({"render", Path("src.####.png"), Path("dst.####.png"), "--frames", "4-5"}).exitCode, 0);
  ASSERT_EQ(Run({"render", Path("src.0005.png"), Path("single.png")}).exitCode, 0);
  EXPECT_TRUE(Pixels("dst.0005.png") == Pixels("single.png"));
  EXPECT_FALSE(Pixels("dst.0004.png") == Pixels("dst.0005.png"));

  // A missing frame fails the run with its name; frames already written are whole files.
  const RunResult r = Run({"render", Path("src.####.png"), Path("gap.####.png"), "--frames", "5-6", "--threads", "1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("src.0006.png\": no such file"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Path("gap.0006.png")));
}

TEST_F(CliSequence, ProgressBarOnATerminalUnlessQuiet) {
  // util-linux's script gives the program a terminal and copies what it draws to our output.
  if (!fs::exists("/usr/bin/script")) GTEST_SKIP() << "no /usr/bin/script to provide a terminal";
  const std::string command =
      std::string(MORVANE_CLI_PATH) + " render " + Path("in.png") + " " + Path("bar.####.png") + " --frames 1-3";
  const RunResult bar = RunProgram({"/usr/bin/script", "-qec", command, "/dev/null"});
  ASSERT_EQ(bar.exitCode, 0) << bar.out;
  EXPECT_NE(bar.out.find("3/3 frames  elapsed"), std::string::npos) << bar.out;

  const RunResult quiet = RunProgram({"/usr/bin/script", "-qec", command + " --quiet", "/dev/null"});
  ASSERT_EQ(quiet.exitCode, 0) << quiet.out;
  EXPECT_EQ(quiet.out.find("frames"), std::string::npos) << quiet.out;
}

}  // namespace
}  // namespace morvane::cli_test
