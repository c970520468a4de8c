// The render verbs: one picture, an image sequence, or the contact sheet of all presets.
//
// Every frame is read, rendered through the host-free effect core with the image's own
// width as the layer width, and written, with its own generator state, so the frames of a
// sequence come out the same whatever the number of threads. A sequence reads, renders and
// writes different frames at once (cli/frame_pipeline.h).
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/control_values.h"
#include "cli/frame_pattern.h"
#include "cli/image_file.h"
#include "cli/progress.h"

namespace morvane::cli {

struct Job {
  std::string input;
  std::string output;
  int preset = 0;                      // 0: the defaults
  std::vector<std::string> overrides;  // "Control=value", applied in order after the preset
  std::optional<Depth> depth;          // forced render depth
  std::optional<SampleType> dataFormat;  // --data-format: the written files' sample type
  int threads = 0;                     // 0: one per core; bounds frames in flight and threads per frame
  std::optional<FrameList> frames;
  bool evolve = false;                 // adds the frame number to "Random Seed (Evolution)"
  int cellWidth = 0;                   // contact sheet cells; 0: the picture's width, at most 320
  Report report = Report::kSilent;     // what standard error shows while frames render
  bool verbose = false;                // one line of the settings used, before rendering
  int64_t maxPixels = kDefaultMaxPixels;  // largest input (and contact sheet) accepted
};

// The effect applied to one image, as the module renders it with these control values.
// One render of `input` on up to `threads` threads (the picture is the same for any number). The
// result keeps the input's windows, extra channels and metadata, and is written as `fileType`.
Image RenderImage(const Image& input, const ControlValues& values, int threads, SampleType fileType);

// The sample type asked for the written files: --data-format, else the type of a forced --depth.
std::optional<SampleType> AskedSampleType(const Job& job);

// Threads inside each frame when `threads` (0: one per core) are shared by `frames` frames in
// flight: --threads bounds both.
int ThreadsPerFrame(int threads, int frames);

// `morvane render`: one file, or each frame of --frames. Throws CliError.
void RenderFiles(const Job& job);

// Runs `work(i)` for i in 0..count−1 on up to `threads` threads (0: one per core), each index
// once; after the first failure no new index starts, and that failure is rethrown.
void ForEachParallel(int count, int threads, const std::function<void(int)>& work);

// The number of threads `threads` stands for.
int ThreadCount(int threads);

}  // namespace morvane::cli
