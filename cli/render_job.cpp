#include "cli/render_job.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "cli/cli_error.h"
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

void CheckEvolvedSeed(const ControlValues& values, const FrameRange& frames) {
  const ControlDef& seed = Control(ControlId::kRandomSeed);
  const int64_t last = (static_cast<int64_t>(values[SlotOf(ControlId::kRandomSeed)]) >> 16) + frames.last;
  if (last > seed.validMax) {
    throw UsageError("--evolve takes \"Random Seed (Evolution)\" to " + std::to_string(last) + " at frame " +
                     std::to_string(frames.last) + ", above its maximum " + std::to_string(seed.validMax) +
                     "; lower the seed or the frame numbers");
  }
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

Image RenderImage(const Image& input, const ControlValues& values, int threads) {
  // Every output pixel is written: the render first copies the input into it or clears it.
  Image output = UninitialisedImage(input.depth, input.width, input.height, input.fileType);
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

  if (!job.frames) {
    if (inPattern.present || outPattern.present) {
      throw UsageError("a frame number pattern needs --frames FIRST-LAST, such as --frames 1-240");
    }
    if (job.evolve) throw UsageError("--evolve needs an image sequence: give --frames and a pattern in OUT");
    CheckWritableName(job.output);
    RefuseOverwritingInputs({job.input}, {job.output});
    CheckOutputWritable(job.output);
    Progress progress(job.progress, 1);
    const Image input = ReadImage(job.input, job.depth, job.maxPixels);
    WriteImage(RenderImage(input, values, ThreadCount(job.threads)), job.output);
    progress.FrameDone();
    return;
  }

  const FrameRange frames = *job.frames;
  if (!outPattern.present) {
    throw UsageError("--frames needs a frame number pattern in OUT, such as out.%04d.png or out.####.png");
  }
  if (job.evolve) CheckEvolvedSeed(values, frames);
  CheckWritableName(FramePath(outPattern, job.output, frames.first));
  {
    std::vector<std::string> inputs, outputs;
    for (int frame = frames.first; frame <= frames.last; ++frame) {
      if (inputs.empty() || inPattern.present) inputs.push_back(FramePath(inPattern, job.input, frame));
      outputs.push_back(FramePath(outPattern, job.output, frame));
    }
    RefuseOverwritingInputs(inputs, outputs);
  }
  CheckOutputWritable(FramePath(outPattern, job.output, frames.first));

  // Without a pattern in IN every frame starts from the same picture, read once and shared:
  // the render only reads its input.
  std::optional<Image> still;
  if (!inPattern.present) still = ReadImage(job.input, job.depth, job.maxPixels);

  Progress progress(job.progress, frames.count());
  const int perFrame = ThreadsPerFrame(job.threads, frames.count());
  ForEachParallel(frames.count(), job.threads, [&](int i) {
    const int frame = frames.first + i;
    const ControlValues frameValues = ValuesOfFrame(values, job.evolve, frame);
    const std::string out = FramePath(outPattern, job.output, frame);
    if (still) {
      WriteImage(RenderImage(*still, frameValues, perFrame), out);
    } else {
      WriteImage(RenderImage(ReadImage(FramePath(inPattern, job.input, frame), job.depth, job.maxPixels),
                             frameValues, perFrame),
                 out);
    }
    progress.FrameDone();
  });
}

}  // namespace morvane::cli
