// Whole-frame render time of every preset on the 1920 × 1080 coffee photograph at the three depths:
// the shipped render on one thread and on every core, and the test-only reference (the straight
// code as it was before any speed work) in the same run, so the ratio survives a noisy machine.
// "Worst in-range batch" is the most work one batch of 512 shapes (the time limit's unit) can take
// with controls in range. Ends with a table of medians and ratios. Run with:
//   build/linux/bench/render_bench --benchmark_repetitions=3
// A filter on the benchmark names (e.g. --benchmark_filter='Rough Scratch/8-bit') narrows it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "effect/controls.h"
#include "effect/presets.h"
#include "effect/render_buffers.h"
#include "effect/shape_settings.h"
#include "tests/fake_host/ppm.h"
#include "tests/reference/reference_render.h"

namespace morvane {
namespace {

struct Picture {
  int32_t width = 0, height = 0;
  std::vector<float> input[3];  // by depth, storage aligned for any channel type
  std::vector<float> output;
};

template <class Ch>
void Convert(const testing::ArgbImage& image, std::vector<float>& storage) {
  storage.assign(static_cast<size_t>(image.width) * image.height * 4 * sizeof(Ch) / sizeof(float) + 1,
                 0.0f);
  Ch* out = reinterpret_cast<Ch*>(storage.data());
  for (size_t i = 0; i < image.argb.size(); ++i) {
    const uint8_t v = image.argb[i];
    if constexpr (sizeof(Ch) == 1) out[i] = v;
    if constexpr (sizeof(Ch) == 2) out[i] = static_cast<Ch>(v * 32768 / 255);
    if constexpr (sizeof(Ch) == 4) out[i] = static_cast<float>(v) / 255.0f;
  }
}

// Noise: almost no colour matches, so every ring of every shape is swept to its end.
void FillNoise(Picture& p) {
  uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<uint8_t>(state >> 24);
  };
  testing::ArgbImage image{p.width, p.height,
                           std::vector<uint8_t>(static_cast<size_t>(p.width) * p.height * 4)};
  for (size_t i = 0; i < image.argb.size(); ++i) image.argb[i] = i % 4 == 0 ? 255 : next();
  Convert<uint8_t>(image, p.input[0]);
  Convert<uint16_t>(image, p.input[1]);
  Convert<float>(image, p.input[2]);
}

Picture& Noise() {
  static Picture picture = [] {
    Picture p;
    p.width = 1920;
    p.height = 1080;
    FillNoise(p);
    p.output.assign(static_cast<size_t>(p.width) * p.height * 4, 0.0f);
    return p;
  }();
  return picture;
}

// The most work a batch of shapes can take with every control in range: the largest size, growth,
// angle range and recursion on a frame where no colour matches ("Count" 16384 over 512 steps is
// one batch of 512 shapes), each ring swept through a full turn at the strictest accuracy.
ControlValues WorstBatchControls() {
  constexpr int32_t F = 65536;
  ControlValues v = DefaultControlValues();
  v[SlotOf(ControlId::kCount)] = 16384 * F;
  v[SlotOf(ControlId::kRecursionSteps)] = 512 * F;
  v[SlotOf(ControlId::kSize)] = 512 * F;
  v[SlotOf(ControlId::kSizeGrowth)] = 256 * F;
  v[SlotOf(ControlId::kAngleRange)] = 360 * F;
  v[SlotOf(ControlId::kAngleRandomization)] = 360 * F;
  v[SlotOf(ControlId::kMatchingAccuracy)] = 100 * F;
  v[SlotOf(ControlId::kMinLuminosity)] = 0;
  return v;
}

Picture& Coffee() {
  static Picture picture = [] {
    Picture p;
    testing::ArgbImage image;
    if (!testing::ReadPpm(MORVANE_IMAGES_DIR "/coffee-1080p.ppm", image)) return p;
    p.width = image.width;
    p.height = image.height;
    Convert<uint8_t>(image, p.input[0]);
    Convert<uint16_t>(image, p.input[1]);
    Convert<float>(image, p.input[2]);
    p.output.assign(static_cast<size_t>(p.width) * p.height * 4, 0.0f);
    return p;
  }();
  return picture;
}

enum class Path { kOneThread, kAllCores, kReference };

void RenderPreset(benchmark::State& state, int preset, Depth depth, Path path) {
  Picture& picture = preset == 0 ? Noise() : Coffee();
  if (picture.width == 0) {
    state.SkipWithError("tests/data/coffee-1080p.ppm is missing");
    return;
  }
  ControlValues values = DefaultControlValues();
  if (preset == 0) values = WorstBatchControls();
  ApplyPresetColumns(values, preset);
  const ShapeSettings settings = SettingsOfControls(values);
  const int d = depth == Depth::k8 ? 0 : depth == Depth::k16 ? 1 : 2;
  const int32_t rowBytes = picture.width * BytesPerPixel(depth);
  const FrameBuffer in{picture.input[d].data(), picture.width, picture.height, rowBytes};
  const FrameBuffer out{picture.output.data(), picture.width, picture.height, rowBytes};
  RenderOptions options;
  options.threads = path == Path::kOneThread ? 1 : 0;
  for (auto _ : state) {
    if (path == Path::kReference) {
      reference::RenderBuffers(depth, in, out, settings, picture.width);
    } else {
      RenderBuffers(depth, in, out, settings, picture.width, options);
    }
    benchmark::ClobberMemory();
  }
}

const char* const kDepthNames[] = {"8-bit", "16-bit", "float"};

// Preset 0 stands for the worst batch.
std::string NameOf(int preset) {
  return preset == 0 ? std::string("Worst in-range batch") : std::string(PresetName(preset));
}
const char* const kPathNames[] = {"one thread", "all cores", "reference"};

// Collects the median (or the single run) of every benchmark for the closing table.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> medianMs;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate || !medianMs.count(name)) {
        medianMs[name] = run.GetAdjustedRealTime();
      }
    }
  }
};

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
  using namespace morvane;
  for (int preset = 0; preset <= kPresetCount; ++preset) {
    for (int d = 0; d < 3; ++d) {
      const Depth depth = d == 0 ? Depth::k8 : d == 1 ? Depth::k16 : Depth::kFloat;
      for (int p = 0; p < 3; ++p) {
        const std::string name = NameOf(preset) + "/" + kDepthNames[d] + "/" + kPathNames[p];
        benchmark::RegisterBenchmark(name.c_str(), RenderPreset, preset, depth,
                                     static_cast<Path>(p))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(0.2);
      }
    }
  }
  benchmark::Initialize(&argc, argv);
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nmilliseconds per 1920x1080 frame (medians), %u hardware threads\n",
              std::max(1u, std::thread::hardware_concurrency()));
  std::printf("%-24s %-7s %10s %10s %10s %9s %9s\n", "preset", "depth", "reference", "1 thread",
              "all cores", "ref/1", "1/all");
  for (int preset = 0; preset <= kPresetCount; ++preset) {
    for (int d = 0; d < 3; ++d) {
      const std::string base = NameOf(preset) + "/" + kDepthNames[d] + "/";
      const auto find = [&](const char* path) {
        const auto it = reporter.medianMs.find(base + path);
        return it == reporter.medianMs.end() ? 0.0 : it->second;
      };
      const double ref = find("reference"), one = find("one thread"), all = find("all cores");
      if (ref == 0.0 && one == 0.0 && all == 0.0) continue;
      std::printf("%-24s %-7s %10.1f %10.1f %10.1f %9.1f %9.2f\n", NameOf(preset).c_str(),
                  kDepthNames[d], ref, one, all,
                  one > 0 ? ref / one : 0.0, all > 0 ? one / all : 0.0);
    }
  }
  benchmark::Shutdown();
  return 0;
}
