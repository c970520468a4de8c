// Renders with controls far outside their ranges, as a damaged project or a script can hold
// them, on small frames where no colour matches: each must end within a bound, not hang the host.
// The bounds are generous (machines and sanitizers differ); the times measured on the reference
// machine are in the closing note of the work that set the caps.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <climits>
#include <cmath>
#include <limits>
#include <random>

#include "effect/control_id.h"
#include "tests/fake_host/fake_host.h"

namespace morvane {
namespace {

using testing::FakeHost;
using testing::FakeWorld;
using testing::WorldDepth;

// Noise, and at float depth a share of NaN, infinities, negatives and values above 1.
FakeWorld Noise(WorldDepth depth, int32_t w, int32_t h, bool hostile) {
  FakeWorld world(depth, w, h);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double scale = depth == WorldDepth::k8 ? 255 : depth == WorldDepth::k16 ? 32768 : 1;
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(), -0.5, 3.0};
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      world.SetChannel(x, y, 0, scale);
      for (int c = 1; c < 4; ++c) {
        double v = unit(rng) * scale;
        if (hostile && rng() % 3 == 0) v = odd[rng() % 5];
        world.SetChannel(x, y, c, v);
      }
    }
  }
  return world;
}

double SecondsToRender(FakeHost& host, FakeWorld& input) {
  FakeWorld output(input.depth(), input.width(), input.height());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host.RenderSmart(input, output), PF_Err_NONE);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The render that did not end after 100 s: "Angle Range" at the largest 16.16 value, "Size" −1,
// "Minimum Luminosity" at its 16.16 maximum, on a float frame of NaN, infinities and noise.
TEST(HostBoundedTime, HostileAnglesAndSizesOnANonFiniteFrame) {
  FakeHost host;
  ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
  host.value(ControlId::kAngleRange) = INT32_MAX;
  host.value(ControlId::kSize) = -65536;
  host.value(ControlId::kMinLuminosity) = INT32_MAX;
  FakeWorld input = Noise(WorldDepth::kFloat, 18, 37, true);
  EXPECT_LT(SecondsToRender(host, input), 20.0);

  FakeHost steps;
  ASSERT_EQ(steps.SetupParams(), PF_Err_NONE);
  steps.value(ControlId::kAngleRange) = 0x4809FFFE;
  steps.value(ControlId::kRecursionSteps) = 1000 * 65536;
  FakeWorld small = Noise(WorldDepth::kFloat, 4, 27, true);
  EXPECT_LT(SecondsToRender(steps, small), 20.0);
}

// Every control at the largest value its record can hold: the caps bring the work per shape to
// that of the largest valid controls, and at worst the 61-second limit, checked every 512 shapes,
// ends the rest. The bound is the limit plus room for one batch under a sanitizer.
TEST(HostBoundedTime, EveryControlAtItsLargestValueEndsWithinTheTimeLimit) {
  FakeHost host;
  ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
  for (int slot = 1; slot < kControlSlotCount; ++slot) host.value(slot) = INT32_MAX;
  FakeWorld input = Noise(WorldDepth::kFloat, 16, 16, true);
  EXPECT_LT(SecondsToRender(host, input), 90.0);
}

// The cases where every ring of every shape is swept to its end because no colour matches: a
// small noise frame with the default controls and with "Count" at its valid maximum, and a large
// float frame whose NaN patch gives shapes a colour that can match nothing, against the same frame
// without the patch. The times are printed for the record.
TEST(HostBoundedTime, NoMatchesAndNaNColoursStayCheap) {
  FakeWorld noise = Noise(WorldDepth::k8, 40, 16, false);
  FakeHost defaults;
  ASSERT_EQ(defaults.SetupParams(), PF_Err_NONE);
  const double defaultSeconds = SecondsToRender(defaults, noise);
  FakeHost most;
  ASSERT_EQ(most.SetupParams(), PF_Err_NONE);
  most.value(ControlId::kCount) = 16384 * 65536;
  const double mostSeconds = SecondsToRender(most, noise);

  FakeWorld plain = Noise(WorldDepth::kFloat, 960, 540, false);
  FakeWorld patched = Noise(WorldDepth::kFloat, 960, 540, false);
  for (int32_t y = 70; y < 270; ++y) {
    for (int32_t x = 30; x < 480; ++x) {
      for (int c = 1; c < 4; ++c) patched.SetChannel(x, y, c, std::nan(""));
    }
  }
  FakeHost ordinary, withPatch;
  ASSERT_EQ(ordinary.SetupParams(), PF_Err_NONE);
  ASSERT_EQ(withPatch.SetupParams(), PF_Err_NONE);
  const double plainSeconds = SecondsToRender(ordinary, plain);
  const double patchSeconds = SecondsToRender(withPatch, patched);
  std::printf("40x16 noise: default %.3f s, Count 16384 %.3f s; 960x540 float: plain %.3f s, "
              "NaN patch %.3f s\n",
              defaultSeconds, mostSeconds, plainSeconds, patchSeconds);
  EXPECT_LT(defaultSeconds, 20.0);
  EXPECT_LT(mostSeconds, 60.0);
  EXPECT_LT(patchSeconds, 2.0 * plainSeconds + 1.0);
}

}  // namespace
}  // namespace morvane
