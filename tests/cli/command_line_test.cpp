// The program's interface as a user meets it: listings, presets by name and number, and every
// error with its exit code, its one line and no file left behind.
#include <zlib.h>

#include <algorithm>
#include <sstream>

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

// A PNG built chunk by chunk with correct checksums: `width` × `height` 16-bit RGBA with `pixelData`
// as its one IDAT chunk, and an IEND chunk unless the file is to end early.
void WritePng(const std::string& path, uint32_t width, uint32_t height, const std::string& pixelData, bool ended) {
  std::string png("\x89PNG\r\n\x1a\n", 8);
  const auto chunk = [&](const char* type, const std::string& data) {
    const std::string body = std::string(type, 4) + data;
    for (int s = 24; s >= 0; s -= 8) png += static_cast<char>((data.size() >> s) & 0xff);
    png += body;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    for (int s = 24; s >= 0; s -= 8) png += static_cast<char>((crc >> s) & 0xff);
  };
  std::string ihdr;
  for (uint32_t v : {width, height}) {
    for (int s = 24; s >= 0; s -= 8) ihdr += static_cast<char>((v >> s) & 0xff);
  }
  ihdr += std::string("\x10\x06\x00\x00\x00", 5);  // 16-bit, RGBA
  chunk("IHDR", ihdr);
  chunk("IDAT", pixelData);
  if (ended) chunk("IEND", "");
  std::ofstream(path, std::ios::binary) << png;
}

// Nine bytes of a zlib stream: a few zero bytes of pixel data, far too few for a large picture.
const std::string kFewPixels("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);
// Not a zlib stream at all, with a correct chunk checksum: only the decoder can find it broken.
const std::string kNotDeflate("\x78\x9c\xff\xff\xff\xff\xff\xff\xff\xff", 10);

TEST_F(CliCommandLine, EveryErrorGivesOneLineItsExitCodeAndNoFile) {
  fs::create_directory(Path("taken.png"));  // an output name that cannot be replaced by a file
  {
    std::ofstream(Path("text.png")) << "not an image\n";
    std::ofstream(Path("plain-file")) << "a file where a folder should be\n";
  }
  // Damaged copies of a real picture: cut short, and one byte of its pixel data changed.
  const ArgbImage big = TestPicture(false, 64, 48);
  WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, big.width, big.height, big.argb.data()), Path("whole.png"), false);
  WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, big.width, big.height, big.argb.data()), Path("whole.jpg"), false);
  const std::string png = Slurp(Path("whole.png"));
  const std::string jpg = Slurp(Path("whole.jpg"));
  std::ofstream(Path("cut.png"), std::ios::binary) << png.substr(0, png.size() / 2);
  std::ofstream(Path("cut.jpg"), std::ios::binary) << jpg.substr(0, jpg.size() / 2);
  std::string flipped = png;
  flipped[png.size() / 2] = static_cast<char>(flipped[png.size() / 2] ^ 0x5a);
  std::ofstream(Path("flipped.png"), std::ios::binary) << flipped;
  fs::remove(Path("whole.png"));
  fs::remove(Path("whole.jpg"));
  WritePng(Path("huge.png"), 16384, 16384, kFewPixels, true);     // a bomb's header on a 66-byte file
  WritePng(Path("huge-cut.png"), 16384, 16384, kFewPixels, false);
  WritePng(Path("not-deflate.png"), 4, 4, kNotDeflate, true);
  std::ofstream(Path("cut.ppm"), std::ios::binary) << "P6\n20 20\n255\n" << std::string(1000, '\x80');
  {
    const ArgbImage narrow = TestPicture(false, 1, 48);
    WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, 1, 48, narrow.argb.data()), Path("narrow.png"), false);
  }
  fs::copy_file(Path("in.png"), Path("kept.png"));
  fs::permissions(Path("kept.png"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_symlink(Path("in.png"), Path("link-to-in.png"));
  fs::create_hard_link(Path("in.png"), Path("hard-link-to-in.png"));
  for (int f = 1; f <= 3; ++f) fs::copy_file(Path("in.png"), Path("seq." + std::to_string(f) + ".png"));
  for (int f = 1; f <= 11; ++f) fs::copy_file(Path("in.png"), Path("x" + std::to_string(f) + ".png"));
  const std::string cutBytes = std::to_string(png.size() / 2);
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
      {{"render", "IN", "OUT", "--set", "Size=1e3"}, 2, "\"Size\" must be from 1 to 512, got 1e3"},
      {{"render", "IN", "OUT", "--set", "Size=1e"}, 2, "\"Size\" takes a number from 1 to 512, got \"1e\""},
      {{"render", "IN", "OUT", "--set", "Shape type=Hexagon"}, 2,
       "\"Shape type\" takes one of 1 Line, 2 Curve, 3 Triangle, 4 Square, 5 Circle, 6 Rectangle"},
      {{"render", "IN", "OUT", "--set", "Shape type=7"}, 2, "\"Shape type\" takes one of"},
      {{"render", "IN", "OUT", "--set", "Fill=yes"}, 2, "\"Fill\" takes on, off, 1 or 0, got \"yes\""},
      {{"render", "IN", "OUT", "--set", "Minimum Luminosity=200", "--set", "Maximum Luminosity=100"}, 2,
       "\"Minimum Luminosity\" (200) must not exceed \"Maximum Luminosity\" (100)"},
      {{"render", "IN", "OUT", "--preset", "Foo"}, 2, "unknown preset \"Foo\"; valid: 1 to 20 or Rough Scratch,"},
      {{"render", "IN", "OUT", "--preset", "21"}, 2, "unknown preset \"21\""},
      {{"render", "IN", "OUT", "--depth", "12"}, 2, "--depth \"12\": expected 8, 16 or 32"},
      {{"render", "IN", "OUT", "--threads", "-1"}, 2, "--threads \"-1\": expected a thread count (0: all cores) from 0"},
      {{"render", "IN", "out.%04d.png"}, 2, "a frame number pattern needs --frames"},
      {{"render", "IN", "OUT", "--frames", "1-3"}, 2, "--frames needs a frame number pattern in OUT"},
      {{"render", "IN", "out.####.png", "--frames", "3-1"}, 2, "--frames \"3-1\": a range must not run backwards"},
      {{"render", "IN", "out.####.png", "--frames", "1-9x0"}, 2, "expected a step of 1 or more after \"x\" or \":\""},
      {{"render", "IN", "out.####.png", "--frames", "1,,2"}, 2, "--frames \"1,,2\": expected a frame number"},
      {{"render", "IN", "out.####.png", "--frames", "1-3y2"}, 2, "unexpected \"y2\""},
      {{"render", "IN", "out.####.png", "--frames", "0-1000000"}, 2, "more than 1000000 frames"},
      {{"render", "IN", "out.%04d.%04d.png", "--frames", "1-2"}, 2, "has more than one frame number pattern"},
      {{"render", "IN", "OUT", "--evolve"}, 2, "--evolve needs an image sequence"},
      {{"render", "IN", "out.####.png", "--frames", "1-20000", "--evolve"}, 2,
       "--evolve takes \"Random Seed (Evolution)\" to 20777 at frame 20000, outside its range 2 to 16384"},
      {{"render", "IN", "out.####.png", "--frames", "-800-1", "--evolve"}, 2,
       "--evolve takes \"Random Seed (Evolution)\" to -23 at frame -800, outside its range 2 to 16384"},
      {{"render", "IN", "out.xyz"}, 2, "no image format for"},
      {{"render", "missing.png", "OUT"}, 1, "missing.png\": no such file"},
      {{"render", "text.png", "OUT"}, 1, "cannot read"},
      {{"render", "IN", "no-such-folder/out.png"}, 1, "cannot write"},
      {{"render", "IN", "no-such-folder/sub/out.png"}, 1, "/no-such-folder/sub\""},
      {{"render", "IN", "no-such-folder/out.png"}, 1, ": no such folder \""},
      {{"render", "IN", "plain-file/out.png"}, 1, "plain-file\" is not a folder"},
      {{"render", "IN", "taken.png"}, 1, "taken.png\": it is a folder"},
      {{"render", "IN", "kept.png"}, 1, "kept.png\": permission denied (the file is read-only)"},
      // the output is the input, by name, through a link or as a frame of a sequence
      {{"render", "IN", "IN"}, 2, "is the input file"},
      {{"render", "IN", "link-to-in.png"}, 2, "is the input file"},
      {{"render", "IN", "hard-link-to-in.png"}, 2, "is the input file"},
      {{"render", "seq.%d.png", "seq.%d.png", "--frames", "1-3"}, 2, "seq.1.png\" is the input file"},
      {{"render", "seq.%d.png", "seq.@.png", "--frames", "2-3"}, 2, "seq.2.png\" is the input file"},
      {{"render", "seq.2.png", "seq.%d.png", "--frames", "1-3"}, 2, "seq.2.png\" is the input file"},
      // frame 1's output is frame 11's input
      {{"render", "x%d.png", "x1%d.png", "--frames", "1-11"}, 2, "x11.png\" is the input file"},
      {{"render", "seq.%d.png", "seq.%d.png", "--frames", "3-5"}, 2, "seq.3.png\" is the input file"},
      {{"contact-sheet", "IN", "IN"}, 2, "is the input file"},
      // broken and hostile inputs: said in the user's terms, before any pixel is allocated
      {{"render", "cut.png", "OUT"}, 1, "cut.png\": the file is truncated at byte " + cutBytes},
      {{"render", "flipped.png", "OUT"}, 1, "flipped.png\": the file is damaged at byte"},
      {{"render", "cut.jpg", "OUT"}, 1, "cut.jpg\": the file is truncated at byte"},
      {{"render", "cut.ppm", "OUT"}, 1, "cut.ppm\": the file is truncated or damaged (it has 1013 bytes)"},
      {{"render", "huge.png", "OUT"}, 1,
       "huge.png\" is 16384x16384, 268435456 pixels, above the limit of 134217728 pixels; --max-pixels raises it"},
      {{"render", "IN", "OUT", "--max-pixels", "767"}, 1, "is 32x24, 768 pixels, above the limit of 767 pixels"},
      {{"render", "IN", "OUT", "--max-pixels", "0"}, 2, "--max-pixels \"0\": expected a pixel count from 1"},
      {{"render", "huge-cut.png", "OUT", "--max-pixels", "300000000"}, 1,
       "huge-cut.png\": the file is truncated at byte 54"},
      {{"render", "huge.png", "OUT", "--max-pixels", "300000000"}, 1, "huge.png\": PNG read error"},
      {{"render", "not-deflate.png", "OUT"}, 1, "not-deflate.png\": PNG read error"},
      {{"contact-sheet", "narrow.png", "OUT", "--cell-width", "4096"}, 1,
       "the contact sheet is 20540x786"},
      {{"contact-sheet", "IN", "OUT", "--cell-width", "4096"}, 1, "above the limit of 134217728 pixels"},
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
      if (a != "IN" && a != "OUT" &&
          (a.find(".png") != std::string::npos || a.find(".jpg") != std::string::npos ||
           a.find(".ppm") != std::string::npos ||
           a.find(".xyz") != std::string::npos)) {
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

// An allocation that fails is one line and exit 1, not std::bad_alloc: a 30000 × 30000 frame
// (allowed by --max-pixels) in a process limited to 2 GiB of address space. The sanitizers need
// far more address space than that, so their builds skip it.
TEST_F(CliCommandLine, OutOfMemoryIsOneLine) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer builds reserve more address space than the limit";
#endif
  if (!fs::exists("/usr/bin/prlimit")) GTEST_SKIP() << "no prlimit (util-linux)";
  std::ofstream(Path("tall.ppm"), std::ios::binary) << "P6\n30000 30000\n255\n" << std::string(1000, '\0');
  const RunResult r = RunProgram({"/usr/bin/prlimit", "--as=2147483648", MORVANE_CLI_PATH, "render", Path("tall.ppm"),
                                  Path("out.png"), "--max-pixels", "1000000000"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "morvane: not enough memory for this picture; try a smaller input, a lower --depth or fewer "
                   "--threads\n");
  EXPECT_FALSE(fs::exists(Path("out.png")));
}

// Off a terminal (a render farm's log) each finished frame is one line: its number, its file and
// its time; --quiet prints nothing; --verbose adds the settings used; a change the panel would
// grey out is kept with a warning.
TEST_F(CliCommandLine, LogLinesOffATerminal) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> lineStarts;  // in any order
  };
  const std::string out = Path("out.png");
  const Case cases[] = {
      {{"render", "IN", "out.png"}, {"morvane: " + out + " ("}},
      {{"render", "IN", "out.@.png", "--frames", "1-3"},
       {"morvane: frame 1: " + Path("out.1.png") + " (", "morvane: frame 2: " + Path("out.2.png") + " (",
        "morvane: frame 3: " + Path("out.3.png") + " ("}},
      {{"render", "IN", "out.png", "--quiet"}, {}},
      {{"render", "IN", "out.png", "-q", "--set", "Grid Randomization=50"}, {}},
      {{"render", "IN", "out.png", "-v", "--preset", "Scrapes"},
       {"morvane: settings: Keep Original Image=", "morvane: " + out + " ("}},
      {{"render", "IN", "out.png", "--set", "Grid Randomization=50", "--set", "Fade Type=None", "--set",
        "Fade Level=10"},
       {"morvane: warning: \"Grid Randomization\" has no effect unless \"Starting Pos. Strategy\" is Grid",
        "morvane: warning: \"Fade Level\" has no effect with \"Fade Type\" None", "morvane: " + out + " ("}},
      {{"render", "IN", "out.png", "--set", "Shape type=Line", "--set", "Fill=on"},
       {"morvane: warning: \"Fill\" has no effect with \"Shape type\" Line or Curve", "morvane: " + out + " ("}},
      {{"render", "IN", "out.png", "--set", "Shape type=Circle", "--set", "Line Width=3"},
       {"morvane: warning: \"Line Width\" has no effect with \"Shape type\" Circle", "morvane: " + out + " ("}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a == "IN" ? Path("in.png") : a.find(".png") != std::string::npos ? Path(a) : a);
    SCOPED_TRACE(args[2] + " " + (args.size() > 3 ? args[3] : ""));
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::vector<std::string> lines;
    std::istringstream err(r.err);
    for (std::string line; std::getline(err, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), c.lineStarts.size()) << r.err;
    for (const std::string& start : c.lineStarts) {
      EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; }), 1)
          << start << "\n" << r.err;
    }
    for (const std::string& line : lines) {
      if (line.find(".png (") != std::string::npos) {
        EXPECT_EQ(line.substr(line.size() - 4), " ms)") << line;
      }
    }
  }
}

// The settings line of --verbose is what --set takes back: every control set from it gives the same
// picture as the preset it came from.
TEST_F(CliCommandLine, VerboseSettingsReproduceThePicture) {
  const RunResult first = Run({"render", Path("in.png"), Path("a.png"), "-v", "--preset", "Curved Shade"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  const std::string prefix = "morvane: settings: ";
  ASSERT_EQ(first.err.rfind(prefix, 0), 0u) << first.err;
  const std::string settings = first.err.substr(prefix.size(), first.err.find('\n') - prefix.size());
  std::vector<std::string> args{"render", Path("in.png"), Path("b.png"), "-q"};
  for (const ControlDef& c : Controls()) {
    const size_t at = settings.find(std::string(c.name) + "=");
    if (c.kind == ControlKind::kGroupStart || c.kind == ControlKind::kGroupEnd || c.id == ControlId::kPreset) continue;
    ASSERT_NE(at, std::string::npos) << c.name;
    const size_t end = settings.find(", ", at);
    args.insert(args.end(), {"--set", settings.substr(at, end == std::string::npos ? std::string::npos : end - at)});
  }
  const RunResult second = Run(args);
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(Slurp(Path("a.png")), Slurp(Path("b.png")));
}

}  // namespace
}  // namespace morvane::cli_test
