// One render: the output prepared (a copy of the input, or cleared) and the shapes drawn at the
// frame's depth. Both front ends call RenderBuffers, the host adapter with the host's frames and
// the command-line renderer with decoded files, so both draw the same pixels by construction.
// Must not: mention the host's types, keep state between calls, or touch bytes past a row's pixels.
#pragma once
#include <cstdint>

#include "effect/shape_settings.h"

namespace morvane {

class WorkerPool;

enum class Depth { k8, k16, kFloat, kUnknown };

int32_t BytesPerPixel(Depth depth);

// A frame as the host hands it over: pixels in alpha, red, green, blue order at the render's depth,
// size, and row bytes (which may exceed the pixels of a row).
struct FrameBuffer {
  void* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;
};

// Copies the input into the output or clears it, row by row, each buffer by its own row bytes.
// Output pixels the input does not cover are cleared. With a pool, its threads share the rows
// (unless the two buffers share memory, where the rows go in order).
void PrepareOutput(const FrameBuffer& input, const FrameBuffer& output, int32_t bytesPerPixel,
                   bool keepOriginal, WorkerPool* pool = nullptr);

struct RenderOptions {
  // Threads one render may use, the calling thread included; 0 means one per processor core.
  // The picture is the same whatever the number.
  int32_t threads = 0;
};

// Prepares the output and draws the shapes. An unknown depth only prepares the output.
// layerWidth is the layer's full-resolution width, by which sizes are scaled (≤ 0: unscaled).
void RenderBuffers(Depth depth, const FrameBuffer& input, const FrameBuffer& output,
                   const ShapeSettings& settings, int32_t layerWidth,
                   const RenderOptions& options = {});

}  // namespace morvane
