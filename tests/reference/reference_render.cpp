#include "tests/reference/reference_render.h"

#include <algorithm>
#include <climits>

#include "effect/convert_settings.h"
#include "generator/draw_shape.h"
#include "generator/generate_shapes.h"
#include "generator/shape_placement.h"
#include "tests/reference/reference_raster.h"

namespace morvane::reference {
namespace {

template <class P>
struct Target {
  using Cov = typename P::Coverage;
  Surface<P> surface;

  void DrawThickLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float w,
                     const ShapeColour<P>& c, Cov o) {
    reference::DrawThickLine<P>(surface, x0, y0, x1, y1, w, c, o);
  }
  void DrawJoinedSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float w, int32_t x2,
                         int32_t y2, const ShapeColour<P>& c, Cov o) {
    reference::DrawJoinedSegment<P>(surface, x0, y0, x1, y1, w, x2, y2, c, o);
  }
  void FillTriangle(const Point& a, const Point& b, const Point& c, const ShapeColour<P>& k,
                    Cov o) {
    reference::FillTriangle<P>(surface, a, b, c, k, o);
  }
  void FillQuad(const Point& a, const Point& b, const Point& c, const Point& d,
                const ShapeColour<P>& k, Cov o) {
    reference::FillQuad<P>(surface, a, b, c, d, k, o);
  }
  void FillRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColour<P>& c, Cov o) {
    reference::FillRect<P>(surface, x0, y0, x1, y1, c, o);
  }
  void DrawCircleOutline(int32_t cx, int32_t cy, int32_t r, const ShapeColour<P>& c, Cov o) {
    reference::DrawCircleOutline<P>(surface, cx, cy, r, c, o);
  }
  void FillCircle(int32_t cx, int32_t cy, int32_t r, const ShapeColour<P>& c, Cov o) {
    reference::FillCircle<P>(surface, cx, cy, r, c, o);
  }
};

template <class P>
void Generate(const FrameBuffer& out, const FrameBuffer& in, const ShapeSettings& settings,
              float scale) {
  reference::GenerateShapes<P>(SurfaceOfBytes<P>(out.data, out.width, out.height, out.rowBytes),
                    SurfaceOfBytes<P, const typename P::Channel>(in.data, out.width, out.height,
                                                                 in.rowBytes),
                    ConvertSettings<P>(settings, scale));
}

}  // namespace

// The generation loop without a time limit: a reference render always draws every shape.
template <class P>
void GenerateShapes(const Surface<P>& output, const InputSurface<P>& input,
                    const GeneratorSettings<P>& settings) {
  const int32_t width = output.width;
  const int32_t height = output.height;
  if (width <= 0 || height <= 0 || width > kMaxGeneratorExtent || height > kMaxGeneratorExtent) {
    return;
  }
  const InputSurface<P> view{input.base, width, height, input.rowStride};
  GridLayout grid;
  int64_t total = settings.shapeCount;
  if (settings.startStrategy == kStartGrid) {
    grid = MakeGridLayout(settings.shapeCount, width, height, settings.gridRandomization);
    total = grid.cells;
  }
  RandomSource random(static_cast<uint32_t>(settings.seed));
  if (total < 1) return;
  const int32_t count = total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
  Target<P> target{output};
  Chain chain;
  for (int32_t i = 0; i < count; ++i) {
    if (settings.startStrategy != kStartRandom) random.Seed(ShapeSeed(settings.seed, i));
    int32_t x, y;
    if (!ChooseStartingPoint(view, settings, grid, i, random, x, y)) continue;
    const typename P::Channel* pixel = view.PixelAt(x, y);
    const ShapeColour<P> source{{pixel[3], pixel[2], pixel[1], pixel[0]}};
    reference::BuildChain(view, x, y, source, settings, random, chain);
    DrawShape(target, chain, source, settings);
  }
}

void RenderBuffers(Depth depth, const FrameBuffer& input, const FrameBuffer& output,
                   const ShapeSettings& settings, int32_t layerWidth) {
  PrepareOutput(input, output, BytesPerPixel(depth), settings.keepOriginal != 0);
  if (depth == Depth::kUnknown || output.data == nullptr || input.data == nullptr) return;
  const int32_t width = std::min(output.width, input.width);
  const int32_t height = std::min(output.height, input.height);
  if (width <= 0 || height <= 0) return;
  const FrameBuffer out{output.data, width, height, output.rowBytes};
  const FrameBuffer in{input.data, width, height, input.rowBytes};
  const float scale = ScaleFactor(output.width, layerWidth);
  switch (depth) {
    case Depth::k8: Generate<Pixel8>(out, in, settings, scale); break;
    case Depth::k16: Generate<Pixel16>(out, in, settings, scale); break;
    case Depth::kFloat: Generate<PixelFloat>(out, in, settings, scale); break;
    case Depth::kUnknown: break;
  }
}

#define MORVANE_INSTANTIATE(P)                                                          \
  template void GenerateShapes<P>(const Surface<P>&, const InputSurface<P>&,           \
                                  const GeneratorSettings<P>&);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane::reference
