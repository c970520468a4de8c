#include "effect/render_buffers.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "effect/convert_settings.h"
#include "generator/generate_shapes.h"
#include "raster/surface.h"

namespace morvane {
namespace {

unsigned char* RowAt(const FrameBuffer& b, int32_t y) {
  return static_cast<unsigned char*>(b.data) + static_cast<ptrdiff_t>(y) * b.rowBytes;
}

template <class P>
void Generate(const FrameBuffer& out, const FrameBuffer& in, const ShapeSettings& settings,
              float scale, int32_t threads) {
  GenerateShapes<P>(SurfaceOfBytes<P>(out.data, out.width, out.height, out.rowBytes),
                    SurfaceOfBytes<P, const typename P::Channel>(in.data, in.width, in.height,
                                                                 in.rowBytes),
                    ConvertSettings<P>(settings, scale), GeneratorClock::Steady(), threads);
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
                   bool keepOriginal) {
  if (output.data == nullptr || output.width <= 0 || output.height <= 0) return;
  const size_t rowPixelBytes = static_cast<size_t>(output.width) * bytesPerPixel;
  const bool haveInput = keepOriginal && input.data != nullptr && input.width > 0;
  const size_t copyBytes =
      haveInput ? static_cast<size_t>(std::min(input.width, output.width)) * bytesPerPixel : 0;
  for (int32_t y = 0; y < output.height; ++y) {
    unsigned char* dst = RowAt(output, y);
    size_t copied = 0;
    if (haveInput && y < input.height) {
      std::memmove(dst, RowAt(input, y), copyBytes);
      copied = copyBytes;
    }
    std::memset(dst + copied, 0, rowPixelBytes - copied);
  }
}

void RenderBuffers(Depth depth, const FrameBuffer& input, const FrameBuffer& output,
                   const ShapeSettings& settings, int32_t layerWidth, const RenderOptions& options) {
  PrepareOutput(input, output, BytesPerPixel(depth), settings.keepOriginal != 0);
  if (depth == Depth::kUnknown || output.data == nullptr) return;

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
    case Depth::k8: Generate<Pixel8>(out, in, settings, scale, options.threads); break;
    case Depth::k16: Generate<Pixel16>(out, in, settings, scale, options.threads); break;
    case Depth::kFloat: Generate<PixelFloat>(out, in, settings, scale, options.threads); break;
    case Depth::kUnknown: break;
  }
}

}  // namespace morvane
