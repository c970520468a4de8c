// Frames of extreme shape through EffectMain: a few pixels one way and 100000 the other, at every
// depth, through both host paths. Under the sanitizer preset this is the out-of-bounds and
// overflow check for row tables, bands and spans sized by one dimension only. The 30000 × 30000
// frame is checked by hand (bench/huge_frame_run, see docs/reliability.md): it needs 7 GB.
#include <gtest/gtest.h>

#include <string>

#include "effect/control_id.h"
#include "tests/fake_host/fake_host.h"

namespace morvane {
namespace {

using testing::FakeHost;
using testing::FakeWorld;
using testing::WorldDepth;

TEST(HostExtremeFrames, ThinFramesRenderWithinTheirRows) {
  struct Case {
    int32_t width, height;
    int preset;
  };
  const Case cases[] = {
      {4, 100000, 1}, {100000, 4, 1}, {1, 70000, 16}, {70000, 1, 16}, {4, 100000, 18}, {100000, 4, 5},
  };
  for (const Case& c : cases) {
    for (const WorldDepth depth : {WorldDepth::k8, WorldDepth::k16, WorldDepth::kFloat}) {
      for (const bool premiere : {false, true}) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " preset " << c.preset << " depth "
                                          << static_cast<int>(depth) << (premiere ? " Premiere" : " smart"));
        FakeHost host(premiere ? FakeHost::kPremiereApplId : FakeHost::kAfterEffectsApplId);
        ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
        ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
        host.value(ControlId::kPreset) = c.preset;
        ASSERT_EQ(host.UserChanged(ControlId::kPreset), PF_Err_NONE);
        FakeWorld input(depth, c.width, c.height, 8);
        for (int32_t y = 0; y < c.height; ++y) {
          for (int32_t x = 0; x < c.width; ++x) {
            const double v = ((x * 7 + y * 13) % 64) / 64.0;
            const double full = depth == WorldDepth::k8 ? 255 : depth == WorldDepth::k16 ? 32768 : 1;
            input.SetChannel(x, y, 0, full);
            input.SetChannel(x, y, 1, v * full);
            input.SetChannel(x, y, 2, (1 - v) * full);
            input.SetChannel(x, y, 3, full / 2);
          }
        }
        FakeWorld output(depth, c.width, c.height, 8);
        const PF_Err err = premiere ? host.RenderPremiere(input, output) : host.RenderSmart(input, output);
        EXPECT_EQ(err, PF_Err_NONE);
        EXPECT_TRUE(output.PaddingIntact());
        EXPECT_NE(output.PixelBytes(), input.PixelBytes()) << "nothing was drawn";
      }
    }
  }
}

}  // namespace
}  // namespace morvane
