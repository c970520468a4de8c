// The frames of a sequence in three stages that run at once: one thread reads input frames ahead
// of the renders, up to `inFlight` frames render at a time, and as many threads write finished
// frames. A render never waits for a file to be read or written, so on a machine with cores to
// spare a sequence takes about its renders' time (or its files', when encoding is slower).
//
// Memory stays bounded: besides the frames rendering, one input frame is read ahead, and a
// finished frame is handed only to an idle writer (a slow disk holds the renders back). After the first failure in any stage no new frame starts, the frames in progress are
// abandoned (their temporary files removed, nothing half written is left), and the failure is
// rethrown.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "cli/image_file.h"

namespace morvane::cli {

struct FrameStages {
  // Frame i's input; not called when every frame renders one shared picture (`shared`).
  std::function<Image(int i)> read;
  std::function<Image(int i, const Image& input)> render;
  std::function<void(int i, const Image& output)> write;
  // After frame i is written, with the time its own read, render and write took.
  std::function<void(int i, double milliseconds)> done;
};

// Runs frames 0..count−1 through the stages with up to `inFlight` renders at a time (at least 1).
// `shared`, when given, is every frame's input.
void RunFramePipeline(int count, int inFlight, const FrameStages& stages,
                      const Image* shared = nullptr);

}  // namespace morvane::cli
