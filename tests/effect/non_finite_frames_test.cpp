// Float frames can carry ±Inf (an over-range render upstream, a division in a compositing chain).
// Whatever a frame holds, a render must not create NaN where the frame had none: every preset
// (every shape type, so every blend path) over a frame with infinite colours and alphas.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "effect/controls.h"
#include "effect/presets.h"
#include "effect/render_buffers.h"
#include "effect/shape_settings.h"

namespace morvane {
namespace {

constexpr int32_t kWidth = 96;
constexpr int32_t kHeight = 72;
constexpr float kInf = std::numeric_limits<float>::infinity();

// A colour ramp that runs outside 0..1, with patches of +Inf and −Inf colour and of infinite and
// negative alpha.
std::vector<float> HostileFrame() {
  std::vector<float> argb(static_cast<size_t>(kWidth) * kHeight * 4);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      float* px = &argb[(static_cast<size_t>(y) * kWidth + x) * 4];
      px[0] = 1.0f;
      px[1] = -0.5f + 2.0f * x / kWidth;
      px[2] = 1.5f - 2.0f * y / kHeight;
      px[3] = 0.25f;
      if (x >= 10 && x < 40 && y >= 10 && y < 40) px[1] = px[2] = px[3] = kInf;
      if (x >= 50 && x < 80 && y >= 10 && y < 40) px[1] = px[2] = px[3] = -kInf;
      if (x >= 30 && x < 60 && y >= 30 && y < 60) px[2] = kInf;
      if (x >= 10 && x < 30 && y >= 50 && y < 70) px[0] = kInf;
      if (x >= 70 && x < 90 && y >= 50 && y < 70) px[0] = -kInf;
      if (x >= 40 && x < 50 && y >= 60) px[0] = -2.0f;
    }
  }
  return argb;
}

TEST(NonFiniteFrames, NoPresetCreatesNaN) {
  std::vector<float> input = HostileFrame();
  const FrameBuffer in{input.data(), kWidth, kHeight, kWidth * 16};
  for (int preset = 1; preset <= kPresetCount; ++preset) {
    for (const bool keepOriginal : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "preset " << preset << (keepOriginal ? ", kept" : ", cleared"));
      ControlValues values = DefaultControlValues();
      ApplyPresetColumns(values, preset);
      values[SlotOf(ControlId::kKeepOriginal)] = keepOriginal ? 1 : 0;
      std::vector<float> output(input.size(), 0.0f);
      RenderBuffers(Depth::kFloat, in, FrameBuffer{output.data(), kWidth, kHeight, kWidth * 16},
                    SettingsOfControls(values), kWidth);
      int nans = 0;
      for (float v : output) nans += std::isnan(v) ? 1 : 0;
      EXPECT_EQ(nans, 0);
    }
  }
}

}  // namespace
}  // namespace morvane
