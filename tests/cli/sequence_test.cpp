// Image sequences: frame patterns, parallel frames, and --evolve stepping the seed per frame.
#include <algorithm>
#include <sstream>

#include "cli/cli_error.h"
#include "cli/frame_pattern.h"
#include "cli/progress.h"
#include "cli_test_support.h"

namespace morvane::cli_test {
namespace {

// File name patterns as oiiotool writes them: "#" four digits, "@" one digit each, printf's
// "%0Nd" (the width counts a minus sign), "%%" a literal percent sign.
TEST(CliFramePattern, PatternsAsOiiotoolWritesThem) {
  struct Case {
    const char* path;
    int frame;
    const char* expected;
  };
  const Case cases[] = {
      {"out.%04d.png", 7, "out.0007.png"},
      {"out.#.png", 12, "out.0012.png"},
      {"out.##.png", 12, "out.00000012.png"},
      {"out.@.png", 7, "out.7.png"},
      {"out.@@@.png", 7, "out.007.png"},
      {"out.@@@.png", 12345, "out.12345.png"},
      {"f%d.exr", 123, "f123.exr"},
      {"a/b_%2d.tif", 5, "a/b_05.tif"},
      {"x.%04d.png", 123456, "x.123456.png"},
      {"neg.%04d.png", -5, "neg.-005.png"},
      {"neg.#.png", -12, "neg.-012.png"},
      {"neg.@.png", -3, "neg.-3.png"},
      {"100%%.%03d.png", 4, "100%.004.png"},
      {"%%04d.#.png", 4, "%04d.0004.png"},
      {"still.png", 3, "still.png"},
      {"50%%.png", 3, "50%.png"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cli::FramePath(cli::ParseFramePattern(c.path), c.frame), c.expected) << c.path;
  }
  for (const char* two : {"a.#.@.png", "%d%d.png", "#_#.png", "a.@.%04d.png"}) {
    EXPECT_THROW(cli::ParseFramePattern(two), cli::CliError) << two;
  }
}

TEST(CliFrameList, RangesStepsListsAndNegativeFrames) {
  struct Case {
    const char* text;
    std::vector<int> frames;
  };
  const Case cases[] = {
      {"5", {5}},
      {"1-4", {1, 2, 3, 4}},
      {"1-10x3", {1, 4, 7, 10}},
      {"1-10:3", {1, 4, 7, 10}},
      {"1-9x4", {1, 5, 9}},
      {"1,5,10-12", {1, 5, 10, 11, 12}},
      {" 3 , 1 ", {3, 1}},                // the order given
      {"1-3,2-4", {1, 2, 3, 4}},          // each frame once
      {"-2-2", {-2, -1, 0, 1, 2}},
      {"-5--3", {-5, -4, -3}},
      {"-99999999", {-99999999}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cli::ParseFrameList(c.text).numbers, c.frames) << c.text;
  }
  for (const char* bad : {"", "3-", "a-b", "4-2", "1-2-3", "1-999999999", "1x2", "1-5x", "1-5x-1", ",", "1,", "--3"}) {
    EXPECT_THROW(cli::ParseFrameList(bad), cli::CliError) << bad;
  }
}

TEST(CliProgress, LineShowsFramesElapsedAndRemaining) {
  EXPECT_EQ(cli::ProgressLine(0, 4, 0.4), "[..............................] 0/4 frames  elapsed 0:00  remaining --:--");
  EXPECT_EQ(cli::ProgressLine(1, 4, 10.0), "[#######.......................] 1/4 frames  elapsed 0:10  remaining 0:30");
  EXPECT_EQ(cli::ProgressLine(1, 1, 3725.0), "[##############################] 1/1 frame  elapsed 1:02:05  remaining 0:00");
  // Narrower terminals: the bar narrows, then the words go, then the line is cut; it always ends
  // before the last column, so it never wraps.
  EXPECT_EQ(cli::ProgressLine(1, 4, 10.0, 60), "[####............] 1/4 frames  elapsed 0:10  remaining 0:30");
  EXPECT_EQ(cli::ProgressLine(1, 4, 10.0, 40), "[#####.................] 1/4 0:10 -0:30");
  EXPECT_EQ(cli::ProgressLine(1, 4, 10.0, 20), "1/4 0:10 -0:30");
  EXPECT_EQ(cli::ProgressLine(1, 4, 10.0, 10), "1/4 0:10 ");
  for (int columns = 1; columns <= 100; ++columns) {
    EXPECT_LT(cli::ProgressLine(123, 456, 7890.0, columns).size(), static_cast<size_t>(std::max(columns, 2)));
  }
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
  run("two.#.png", "2");
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
  ASSERT_EQ(Run({"render", Path("src.#.png"), Path("dst.#.png"), "--frames", "4-5"}).exitCode, 0);
  ASSERT_EQ(Run({"render", Path("src.0005.png"), Path("single.png")}).exitCode, 0);
  EXPECT_TRUE(Pixels("dst.0005.png") == Pixels("single.png"));
  EXPECT_FALSE(Pixels("dst.0004.png") == Pixels("dst.0005.png"));

  // A missing frame fails the run with its name; frames already written are whole files.
  const RunResult r = Run({"render", Path("src.#.png"), Path("gap.#.png"), "--frames", "5-6", "--threads", "1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("src.0006.png\": no such file"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Path("gap.0006.png")));
}

// A farm renders a sequence in chunks, one call each: frames 1-6 in one call equal 1-3 plus 4-6 in
// two, byte for byte, at 8-bit and in float, with --evolve and a frame pattern in IN.
TEST_F(CliSequence, ChunkedSequenceEqualsOneCall) {
  for (int f = 1; f <= 6; ++f) fs::copy_file(Path("in.png"), Path("src." + std::to_string(f) + ".png"));
  for (const std::string ext : {"png", "exr"}) {
    SCOPED_TRACE(ext);
    const std::vector<std::string> common{"--evolve", "-q", "--preset", "Wiggly Felt Pen", "--depth",
                                          ext == "png" ? "8" : "32"};
    const auto run = [&](const std::string& out, const std::string& frames) {
      std::vector<std::string> args{"render", Path("src.@.png"), Path(out + ".#." + ext), "--frames", frames};
      args.insert(args.end(), common.begin(), common.end());
      const RunResult r = Run(args);
      ASSERT_EQ(r.exitCode, 0) << r.err;
    };
    run("whole", "1-6");
    run("chunk", "1-3");
    run("chunk", "4-6");
    for (int f = 1; f <= 6; ++f) {
      const std::string n = "000" + std::to_string(f);
      EXPECT_EQ(Slurp(Path("whole." + n + "." + ext)), Slurp(Path("chunk." + n + "." + ext))) << f;
    }
    EXPECT_NE(Slurp(Path("whole.0001." + ext)), Slurp(Path("whole.0002." + ext)));
  }
}

TEST_F(CliSequence, ProgressBarOnATerminalUnlessQuiet) {
  // util-linux's script gives the program a terminal and copies what it draws to our output.
  if (!fs::exists("/usr/bin/script")) GTEST_SKIP() << "no /usr/bin/script to provide a terminal";
  const std::string command =
      std::string(MORVANE_CLI_PATH) + " render " + Path("in.png") + " " + Path("bar.#.png") + " --frames 1-3";
  const RunResult bar = RunProgram({"/usr/bin/script", "-qec", command, "/dev/null"});
  ASSERT_EQ(bar.exitCode, 0) << bar.out;
  EXPECT_NE(bar.out.find("3/3 frames  elapsed"), std::string::npos) << bar.out;

  const RunResult quiet = RunProgram({"/usr/bin/script", "-qec", command + " --quiet", "/dev/null"});
  ASSERT_EQ(quiet.exitCode, 0) << quiet.out;
  EXPECT_EQ(quiet.out.find("frames"), std::string::npos) << quiet.out;

  // On a 40-column terminal every redraw fits the width, so the bar never wraps.
  const RunResult narrow = RunProgram({"/usr/bin/script", "-qec", "stty cols 40; " + command, "/dev/null"});
  ASSERT_EQ(narrow.exitCode, 0) << narrow.out;
  EXPECT_NE(narrow.out.find("3/3 "), std::string::npos) << narrow.out;
  std::string drawn = narrow.out;
  std::replace(drawn.begin(), drawn.end(), '\n', '\r');
  std::istringstream redraws(drawn);
  for (std::string line; std::getline(redraws, line, '\r');) EXPECT_LT(line.size(), 40u) << line;
}

}  // namespace
}  // namespace morvane::cli_test
