// Timing by hand, not a test of speed: milliseconds per frame of every preset at each depth,
// rendered through a module's EffectMain as After Effects asks (the module's own threads), the
// fastest of a few runs. The Linux test program and the Windows one under Wine print the same
// table, so a module built from one commit can be set against another on either system.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "effect/presets.h"
#include "tests/cross_platform/picture_cases.h"

namespace morvane::testing {

inline void PrintPresetTimes(PF_FilterProc effectMain, const ArgbImage& photo, int runs) {
  std::printf("  %-24s %8s %8s %8s   (ms per %dx%d frame, fastest of %d)\n", "preset", "8-bit",
              "16-bit", "float", photo.width, photo.height, runs);
  for (int preset = 1; preset <= kPresetCount; ++preset) {
    const PictureControls controls{"timing", preset};
    double ms[3];
    int d = 0;
    for (const WorldDepth depth : kPictureDepths) {
      double best = 1e30;
      for (int run = 0; run < runs; ++run) {
        std::vector<uint8_t> pixels;
        const auto start = std::chrono::steady_clock::now();
        if (RenderPicture(effectMain, photo, controls, depth, PictureHost::kAfterEffects, pixels) != PF_Err_NONE) {
          best = -1;
          break;
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      }
      ms[d++] = best;
    }
    std::printf("  preset %-17d %8.1f %8.1f %8.1f\n", preset, ms[0], ms[1], ms[2]);
  }
}

}  // namespace morvane::testing
