// Shared pieces of the command-line tests: running the built `morvane` in a scratch folder, the
// test picture, and image files read and written straight through OpenImageIO (not through the
// program's own file code), so a fault there shows as a difference.
#pragma once
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/image_file.h"
#include "tests/fake_host/fake_host.h"
#include "tests/fake_host/ppm.h"

extern char** environ;

namespace morvane::cli_test {

namespace fs = std::filesystem;
using testing::ArgbImage;
using testing::FakeHost;
using testing::FakeWorld;
using testing::WorldDepth;

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// A scratch folder per test: `work` holds the files a command reads and writes, so a listing of
// it shows anything a failed command left behind; standard output and error go elsewhere.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::path(::testing::TempDir()) / "morvane-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    root_ = templ;
    fs::create_directory(root_ / "work");
    fs::create_directory(root_ / "capture");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  std::string Path(const std::string& name) const { return (root_ / "work" / name).string(); }

  std::vector<std::string> WorkFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root_ / "work")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  RunResult Run(const std::vector<std::string>& args) const {
    std::vector<std::string> all{MORVANE_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(all);
  }

  // argv[0] is the program's path.
  RunResult RunProgram(std::vector<std::string> all) const { return Finish(StartProgram(std::move(all))); }

  // Starts the program without waiting for it (0 when it could not start); Finish waits.
  pid_t Start(const std::vector<std::string>& args) const {
    std::vector<std::string> all{MORVANE_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return StartProgram(std::move(all));
  }

  pid_t StartProgram(std::vector<std::string> all) const {
    const std::string outPath = (root_ / "capture" / "stdout").string();
    const std::string errPath = (root_ / "capture" / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // A defined standard input: what the test runner hands down varies (a terminal, a closed pipe),
    // and `script`, which gives the progress test a terminal, stops early on some of them.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : 0;
  }

  // Exit code as a shell reports it: 128 + the signal for a process a signal ended.
  RunResult Finish(pid_t pid) const {
    RunResult r;
    if (pid == 0) return r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Slurp(root_ / "capture" / "stdout");
    r.err = Slurp(root_ / "capture" / "stderr");
    return r;
  }

  fs::path root_;
};

// 64 × 48 of the cat crop. With `alpha`, the left eight columns fade from transparent (0, 32,
// ... 224) and every fourth pixel is half covered, so unassociated colour and the channel order
// both show in the output.
inline ArgbImage TestPicture(bool alpha, int width = 64, int height = 48) {
  ArgbImage full;
  EXPECT_TRUE(testing::ReadPpm(std::string(MORVANE_TEST_DATA_DIR) + "/chelsea-crop.ppm", full));
  ArgbImage p;
  p.width = width;
  p.height = height;
  p.argb.resize(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* src = &full.argb[(static_cast<size_t>(y + 24) * full.width + (x + 32)) * 4];
      uint8_t* dst = &p.argb[(static_cast<size_t>(y) * width + x) * 4];
      std::memcpy(dst, src, 4);
      if (alpha) dst[0] = x < 8 ? static_cast<uint8_t>(x * 32) : (x + y) % 4 == 0 ? 128 : 255;
    }
  }
  return p;
}

inline OIIO::TypeDesc FileTypeOf(WorldDepth d) {
  switch (d) {
    case WorldDepth::k8: return OIIO::TypeDesc::UINT8;
    case WorldDepth::k16: return OIIO::TypeDesc::UINT16;
    case WorldDepth::kFloat: return OIIO::TypeDesc::FLOAT;
  }
  return OIIO::TypeDesc::FLOAT;
}

template <class T>
void WriteSamples(OIIO::ImageOutput& out, const std::vector<double>& samples, OIIO::TypeDesc type) {
  const std::vector<T> typed(samples.begin(), samples.end());
  ASSERT_TRUE(out.write_image(type, typed.data())) << out.geterror();
}

// A world's pixels as a file at its depth: 16-bit through the 0..65535 scale, red, green, blue
// (and alpha) in the file's order, colour unassociated.
inline void WriteWorld(const FakeWorld& w, const std::string& path, bool alpha) {
  const int n = alpha ? 4 : 3;
  const OIIO::TypeDesc type = FileTypeOf(w.depth());
  OIIO::ImageSpec header(w.width(), w.height(), n, type);
  header.alpha_channel = alpha ? 3 : -1;
  header.attribute("oiio:UnassociatedAlpha", 1);
  std::vector<double> samples;
  for (int y = 0; y < w.height(); ++y) {
    for (int x = 0; x < w.width(); ++x) {
      for (int c : {1, 2, 3, 0}) {
        if (c == 0 && !alpha) continue;
        const double v = w.channel(x, y, c);
        samples.push_back(w.depth() == WorldDepth::k16 ? cli::EffectToFile16(static_cast<uint32_t>(v)) : v);
      }
    }
  }
  auto out = OIIO::ImageOutput::create(path);
  ASSERT_TRUE(out && out->open(path, header)) << path;
  switch (w.depth()) {
    case WorldDepth::k8: WriteSamples<uint8_t>(*out, samples, type); break;
    case WorldDepth::k16: WriteSamples<uint16_t>(*out, samples, type); break;
    case WorldDepth::kFloat: WriteSamples<float>(*out, samples, type); break;
  }
  ASSERT_TRUE(out->close());
}

template <class T>
void ReadSamplesInto(OIIO::ImageInput& in, FakeWorld& w) {
  const OIIO::ImageSpec header = in.spec_dimensions(0);
  const int n = header.nchannels;
  std::vector<T> samples(static_cast<size_t>(header.width) * header.height * n);
  ASSERT_TRUE(in.read_image(0, 0, 0, n, header.format, samples.data()));
  const double opaque = w.depth() == WorldDepth::k8 ? 255 : w.depth() == WorldDepth::k16 ? 65535 : 1;
  for (int y = 0; y < header.height; ++y) {
    for (int x = 0; x < header.width; ++x) {
      const T* px = &samples[(static_cast<size_t>(y) * header.width + x) * n];
      for (int c = 0; c < 4; ++c) {
        double v = c == 0 ? (n >= 4 ? static_cast<double>(px[3]) : opaque) : static_cast<double>(px[c - 1]);
        if (w.depth() == WorldDepth::k16) v = cli::FileToEffect16(static_cast<uint32_t>(v));
        w.SetChannel(x, y, c, v);
      }
    }
  }
}

// A file's pixels as a world at `depth`, which must be the file's own sample type; a file without
// alpha reads as opaque.
inline FakeWorld ReadWorld(const std::string& path, WorldDepth depth, int* channels = nullptr) {
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto in = OIIO::ImageInput::open(path, &config);
  EXPECT_TRUE(in) << path << ": " << OIIO::geterror();
  if (!in) return FakeWorld(depth, 1, 1);
  const OIIO::ImageSpec header = in->spec_dimensions(0);
  EXPECT_EQ(header.format, FileTypeOf(depth)) << path;
  if (channels != nullptr) *channels = header.nchannels;
  FakeWorld w(depth, header.width, header.height);
  switch (depth) {
    case WorldDepth::k8: ReadSamplesInto<uint8_t>(*in, w); break;
    case WorldDepth::k16: ReadSamplesInto<uint16_t>(*in, w); break;
    case WorldDepth::kFloat: ReadSamplesInto<float>(*in, w); break;
  }
  return w;
}

}  // namespace morvane::cli_test
