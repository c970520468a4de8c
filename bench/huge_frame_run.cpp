// One render of a very large or very thin frame through EffectMain, for the hardening checks run by
// hand: prints the time, the peak memory of the process and what it holds beyond the two frames.
//   build/linux/bench/huge_frame_run 30000 30000          (8-bit, default preset; needs ~7.5 GB)
//   build/linux/bench/huge_frame_run 4 100000 16           ("Bold Strokes")
// Arguments: WIDTH HEIGHT [PRESET (0: defaults)] [DEPTH 8, 16 or 32]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effect/control_id.h"
#include "tests/fake_host/fake_host.h"

using morvane::ControlId;
using morvane::testing::FakeHost;
using morvane::testing::FakeWorld;
using morvane::testing::WorldDepth;

namespace {

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: huge_frame_run WIDTH HEIGHT [PRESET] [DEPTH 8|16|32]\n");
    return 2;
  }
  const int32_t width = std::atoi(argv[1]);
  const int32_t height = std::atoi(argv[2]);
  const int preset = argc > 3 ? std::atoi(argv[3]) : 0;
  const int bits = argc > 4 ? std::atoi(argv[4]) : 8;
  const WorldDepth depth = bits == 16 ? WorldDepth::k16 : bits == 32 ? WorldDepth::kFloat : WorldDepth::k8;

  FakeHost host;
  if (host.GlobalSetup() != PF_Err_NONE || host.SetupParams() != PF_Err_NONE) return 1;
  if (preset > 0) {
    host.value(ControlId::kPreset) = preset;
    host.UserChanged(ControlId::kPreset);
  }
  const double baseline = PeakMiB();
  FakeWorld input(depth, width, height, 0);
  FakeWorld output(depth, width, height, 0);
  // A colour field with large regions, as a photograph has, written row by row in its own bytes.
  const int32_t bytesPerPixel = input.bytesPerPixel();
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = input.row(y);
    for (int32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 4; ++c) {
        const int v = c == 0 ? 255 : ((x / 97 + y / 89) * (c * 53)) & 255;
        uint8_t* ch = row + static_cast<size_t>(x) * bytesPerPixel + c * (bytesPerPixel / 4);
        if (depth == WorldDepth::k8) {
          *ch = static_cast<uint8_t>(v);
        } else if (depth == WorldDepth::k16) {
          const uint16_t s = static_cast<uint16_t>(v * 32768 / 255);
          std::memcpy(ch, &s, 2);
        } else {
          const float f = v / 255.0f;
          std::memcpy(ch, &f, 4);
        }
      }
    }
  }
  const double frames = 2.0 * width * height * bytesPerPixel / (1024.0 * 1024.0);
  const auto start = std::chrono::steady_clock::now();
  const PF_Err err = host.RenderSmart(input, output);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const double peak = PeakMiB();
  std::printf("%dx%d %d-bit preset %d: error %d, %.0f ms, padding %s, peak %.0f MiB, frames %.0f MiB, "
              "beyond the frames and the program %.0f MiB\n",
              width, height, bits, preset, static_cast<int>(err), ms, output.PaddingIntact() ? "intact" : "TOUCHED",
              peak, frames, peak - frames - baseline);
  return err == PF_Err_NONE && output.PaddingIntact() ? 0 : 1;
}
