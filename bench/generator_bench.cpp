// Whole-frame render time (output preparation and generator, single-threaded) at 1920 x 1080 on
// the coffee photograph, for the default preset and the heaviest ones, at the three depths.
// Reported as milliseconds per frame.
#include <benchmark/benchmark.h>

#include <string>

#include "effect/controls.h"
#include "effect/presets.h"
#include "effect/render_buffers.h"
#include "effect/shape_settings.h"
#include "tests/generator/generator_test_support.h"

namespace morvane {
namespace {

using test::Argb8Image;
using test::TestImage;

const Argb8Image& Coffee() {
  static const Argb8Image image = [] {
    Argb8Image read;
    testing::ReadPpm(MORVANE_IMAGES_DIR "/coffee-1080p.ppm", read);
    return read;
  }();
  return image;
}

template <class P>
void RenderPreset(benchmark::State& state, int preset, Depth depth) {
  const Argb8Image& image = Coffee();
  if (image.width == 0) {
    state.SkipWithError("tests/data/coffee-1080p.ppm is missing");
    return;
  }
  TestImage<P> input = test::FromArgb8<P>(image);
  TestImage<P> output(image.width, image.height);
  ControlValues values = DefaultControlValues();
  ApplyPresetColumns(values, preset);
  const ShapeSettings settings = SettingsOfControls(values);
  const FrameBuffer in{input.bytes(), input.width, input.height, input.rowBytes()};
  const FrameBuffer out{output.bytes(), output.width, output.height, output.rowBytes()};
  for (auto _ : state) {
    RenderBuffers(depth, in, out, settings, image.width);
    benchmark::ClobberMemory();
  }
}

const bool kRegistered = [] {
  for (const char* name : {"Rough Scratch", "Recursive Lines", "Dense Pointillism",
                           "Creased Aquarel", "Continuous Dots"}) {
    const int preset = FindPreset(name);
    const std::string label = std::string(name) + "/";
    for (auto* b : {
             benchmark::RegisterBenchmark((label + "8-bit").c_str(), RenderPreset<Pixel8>, preset,
                                          Depth::k8),
             benchmark::RegisterBenchmark((label + "16-bit").c_str(), RenderPreset<Pixel16>, preset,
                                          Depth::k16),
             benchmark::RegisterBenchmark((label + "float").c_str(), RenderPreset<PixelFloat>,
                                          preset, Depth::kFloat),
         }) {
      b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
  }
  return true;
}();

}  // namespace
}  // namespace morvane
