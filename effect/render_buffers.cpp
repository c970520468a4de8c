#include "effect/render_buffers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "effect/convert_settings.h"
#include "generator/generate_shapes.h"
#include "generator/worker_pool.h"
#include "raster/surface.h"
#include "support/byte_span.h"

namespace morvane {
namespace {

unsigned char* RowAt(const FrameBuffer& b, int32_t y) {
  return static_cast<unsigned char*>(b.data) + static_cast<ptrdiff_t>(y) * b.rowBytes;
}

// The bytes of a buffer's rows of pixels.
ByteSpan SpanOf(const FrameBuffer& b, int32_t bytesPerPixel) {
  return ByteSpan::OfRows(b.data, b.height, b.rowBytes, int64_t{std::max(b.width, 0)} * bytesPerPixel);
}

template <class P>
void Generate(const FrameBuffer& out, const FrameBuffer& in, const ShapeSettings& settings,
              float scale, WorkerPool& pool) {
  GenerateShapes<P>(SurfaceOfBytes<P>(out.data, out.width, out.height, out.rowBytes),
                    SurfaceOfBytes<P, const typename P::Channel>(in.data, in.width, in.height,
                                                                 in.rowBytes),
                    ConvertSettings<P>(settings, scale), GeneratorClock::Steady(), pool);
}

}  // namespace

int32_t BytesPerPixel(Depth depth) {
  switch (depth) {
    case Depth::k16: return 8;
    case Depth::kFloat: return 16;
    default: return 4;
  }
}

void PrepareOutput(const FrameBuffer& input, const FrameBuffer& output, int32_t bytesPerPixel,
                   bool keepOriginal, WorkerPool* pool) {
  if (output.data == nullptr || output.width <= 0 || output.height <= 0) return;
  const size_t rowPixelBytes = static_cast<size_t>(output.width) * bytesPerPixel;
  const bool haveInput = keepOriginal && input.data != nullptr && input.width > 0;
  const size_t copyBytes =
      haveInput ? static_cast<size_t>(std::min(input.width, output.width)) * bytesPerPixel : 0;
  const auto prepare = [&](int32_t first, int32_t end) {
    for (int32_t y = first; y < end; ++y) {
      unsigned char* dst = RowAt(output, y);
      size_t copied = 0;
      if (haveInput && y < input.height) {
        std::memmove(dst, RowAt(input, y), copyBytes);
        copied = copyBytes;
      }
      std::memset(dst + copied, 0, rowPixelBytes - copied);
    }
  };
  // A host may hand over buffers that share memory; their rows then go in order, as one thread
  // would copy them.
  if (pool == nullptr || pool->Threads() == 1 || (haveInput && SpanOf(input, bytesPerPixel).Overlaps(SpanOf(output, bytesPerPixel)))) {
    prepare(0, output.height);
    return;
  }
  // A few parts per thread, so that a thread held up elsewhere delays little.
  const int32_t parts = std::min(output.height, 4 * pool->Threads());
  pool->ForEach(parts, [&](int32_t part) {
    prepare(static_cast<int32_t>(int64_t{output.height} * part / parts),
            static_cast<int32_t>(int64_t{output.height} * (part + 1) / parts));
  });
}

void RenderBuffers(Depth depth, const FrameBuffer& input, const FrameBuffer& output,
                   const ShapeSettings& settings, int32_t layerWidth, const RenderOptions& options) {
  if (output.data == nullptr || output.width <= 0 || output.height <= 0) return;
  // One set of threads for the whole render: preparing the output, then drawing.
  WorkerPool pool(ThreadsFor(options.threads));
  PrepareOutput(input, output, BytesPerPixel(depth), settings.keepOriginal != 0, &pool);
  if (depth == Depth::kUnknown) return;

  // The generator reads the input at the output's size. A host may hand over a smaller input
  // world, so shapes are generated only where both buffers have pixels.
  const bool haveInput = input.data != nullptr;
  const int32_t width = haveInput ? std::min(output.width, input.width) : 0;
  const int32_t height = haveInput ? std::min(output.height, input.height) : 0;
  if (width <= 0 || height <= 0) return;
  const FrameBuffer out{output.data, width, height, output.rowBytes};
  const FrameBuffer in{input.data, width, height, input.rowBytes};
  const float scale = ScaleFactor(output.width, layerWidth);

  switch (depth) {
    case Depth::k8: Generate<Pixel8>(out, in, settings, scale, pool); break;
    case Depth::k16: Generate<Pixel16>(out, in, settings, scale, pool); break;
    case Depth::kFloat: Generate<PixelFloat>(out, in, settings, scale, pool); break;
    case Depth::kUnknown: break;
  }
}

}  // namespace morvane
