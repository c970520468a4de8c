#include "cli/render_job.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

#include "cli/cli_error.h"
#include "cli/frame_pipeline.h"
#include "cli/output_file.h"
#include "cli/progress.h"
#include "effect/controls.h"
#include "effect/render_buffers.h"
#include "effect/shape_settings.h"

namespace morvane::cli {
namespace {

// The seed of one frame: the frame number is added in whole units, as a keyframed seed steps.
ControlValues ValuesOfFrame(const ControlValues& values, bool evolve, int frame) {
  ControlValues v = values;
  if (evolve) v[SlotOf(ControlId::kRandomSeed)] += frame * 65536;
  return v;
}

void CheckEvolvedSeed(const ControlValues& values, const FrameList& frames) {
  const ControlDef& seed = Control(ControlId::kRandomSeed);
  const int64_t base = static_cast<int64_t>(values[SlotOf(ControlId::kRandomSeed)]) >> 16;
  for (const int frame : {frames.Lowest(), frames.Highest()}) {
    const int64_t reached = base + frame;
    if (reached < seed.validMin || reached > seed.validMax) {
      throw UsageError("--evolve takes \"Random Seed (Evolution)\" to " + std::to_string(reached) + " at frame " +
                       std::to_string(frame) + ", outside its range " + std::to_string(seed.validMin) + " to " +
                       std::to_string(seed.validMax) + "; change the seed or the frame numbers");
    }
  }
}

// Before rendering: a warning for each change the panel would grey out (unless --quiet), and with
// --verbose the settings used.
void ReportSettings(const Job& job, const ControlValues& values) {
  if (job.report != Report::kSilent) {
    for (const std::string& w : IneffectiveOverrideWarnings(values, job.overrides)) {
      std::fprintf(stderr, "morvane: warning: %s\n", w.c_str());
    }
  }
  if (job.verbose) std::fprintf(stderr, "morvane: settings: %s\n", SettingsText(values).c_str());
}

}  // namespace

int ThreadCount(int threads) {
  if (threads > 0) return threads;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

void ForEachParallel(int count, int threads, const std::function<void(int)>& work) {
  const int workers = std::min(ThreadCount(threads), count);
  std::atomic<int> next{0};
  std::atomic<bool> failed{false};
  std::mutex errorMutex;
  std::exception_ptr error;
  auto loop = [&] {
    while (!failed.load()) {
      const int i = next.fetch_add(1);
      if (i >= count) return;
      try {
        work(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(errorMutex);
        if (!error) error = std::current_exception();
        failed = true;
      }
    }
  };
  if (workers <= 1) {
    loop();
  } else {
    std::vector<std::thread> pool;
    pool.reserve(workers);
    for (int t = 0; t < workers; ++t) pool.emplace_back(loop);
    for (std::thread& t : pool) t.join();
  }
  if (error) std::rethrow_exception(error);
}

std::optional<SampleType> AskedSampleType(const Job& job) {
  if (job.dataFormat) return job.dataFormat;
  if (job.depth) return SampleTypeOf(*job.depth);
  return std::nullopt;
}

Image RenderImage(const Image& input, const ControlValues& values, int threads, SampleType fileType) {
  // Every output pixel is written: the render first copies the input into it or clears it.
  Image output = UninitialisedImage(input.depth, input.width, input.height, fileType);
  output.extras = input.extras;
  RenderOptions options;
  options.threads = std::max(threads, 1);
  RenderBuffers(input.depth, input.buffer(), output.buffer(), SettingsOfControls(values),
                input.width, options);
  return output;
}

int ThreadsPerFrame(int threads, int frames) {
  const int total = ThreadCount(threads);
  const int inFlight = std::max(1, std::min(total, frames));
  return std::max(1, total / inFlight);
}

void RenderFiles(const Job& job) {
  const ControlValues values = BuildControlValues(job.preset, job.overrides);
  const FramePattern inPattern = ParseFramePattern(job.input);
  const FramePattern outPattern = ParseFramePattern(job.output);
  ReportSettings(job, values);

  if (!job.frames) {
    if (inPattern.present || outPattern.present) {
      throw UsageError("a frame number pattern needs --frames, such as --frames 1-240");
    }
    if (job.evolve) throw UsageError("--evolve needs an image sequence: give --frames and a pattern in OUT");
    const std::string in = FramePath(inPattern, 0);
    const std::string out = FramePath(outPattern, 0);
    const std::optional<SampleType> asked = AskedSampleType(job);
    CheckWritableName(out, asked);
    RefuseOverwritingInputs({in}, {out});
    CheckOutputWritable(out);
    Progress progress(job.report, 1);
    const auto start = std::chrono::steady_clock::now();
    const Image input = ReadImage(in, job.depth, job.maxPixels);
    WriteImage(RenderImage(input, values, ThreadCount(job.threads), OutputSampleType(out, input.fileType, asked)),
               out);
    progress.FrameDone(std::nullopt, out, MillisecondsSince(start));
    return;
  }

  const FrameList& frames = *job.frames;
  if (!outPattern.present) {
    throw UsageError("--frames needs a frame number pattern in OUT, such as out.%04d.png, out.#.png or out.@@@.png");
  }
  if (job.evolve) CheckEvolvedSeed(values, frames);
  const std::optional<SampleType> asked = AskedSampleType(job);
  CheckWritableName(FramePath(outPattern, frames.numbers[0]), asked);
  {
    std::vector<std::string> inputs, outputs;
    for (const int frame : frames.numbers) {
      if (inputs.empty() || inPattern.present) inputs.push_back(FramePath(inPattern, frame));
      outputs.push_back(FramePath(outPattern, frame));
    }
    RefuseOverwritingInputs(inputs, outputs);
  }
  CheckOutputWritable(FramePath(outPattern, frames.numbers[0]));

  // Without a pattern in IN every frame starts from the same picture, read once and shared:
  // the render only reads its input.
  std::optional<Image> still;
  if (!inPattern.present) still = ReadImage(FramePath(inPattern, 0), job.depth, job.maxPixels);

  Progress progress(job.report, frames.count());
  const int perFrame = ThreadsPerFrame(job.threads, frames.count());
  const int inFlight = std::min(ThreadCount(job.threads), frames.count());
  const auto frameAt = [&frames](int i) { return frames.numbers[static_cast<size_t>(i)]; };
  FrameStages stages;
  stages.read = [&](int i) { return ReadImage(FramePath(inPattern, frameAt(i)), job.depth, job.maxPixels); };
  stages.render = [&](int i, const Image& input) {
    const std::string out = FramePath(outPattern, frameAt(i));
    return RenderImage(input, ValuesOfFrame(values, job.evolve, frameAt(i)), perFrame,
                       OutputSampleType(out, input.fileType, asked));
  };
  stages.write = [&](int i, const Image& output) { WriteImage(output, FramePath(outPattern, frameAt(i))); };
  stages.done = [&](int i, double milliseconds) {
    progress.FrameDone(frameAt(i), FramePath(outPattern, frameAt(i)), milliseconds);
  };
  RunFramePipeline(frames.count(), inFlight, stages, still ? &*still : nullptr);
}

}  // namespace morvane::cli
