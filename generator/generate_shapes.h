// The shape generator: draws every shape of one frame into the output, with colours and chains
// taken from the input. A plain function of two buffers and the settings; it keeps no state
// between calls, takes no lock and allocates nothing, so any number of frames can render at once.
#pragma once
#include <cstdint>

#include "generator/build_chain.h"
#include "generator/draw_shape.h"
#include "generator/generator_clock.h"
#include "generator/generator_settings.h"
#include "generator/random.h"
#include "generator/shape_placement.h"
#include "generator/worker_pool.h"
#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

// A generation stops at the first check (every 512 shapes) after this much elapsed time; the
// shapes drawn so far stay.
inline constexpr int64_t kGenerationTimeLimitMs = 61000;
inline constexpr int32_t kTimeCheckInterval = 512;

// Frames wider or taller than this draw nothing. Far beyond any host frame, the bound keeps all
// coordinate arithmetic of chains and shapes inside int32_t.
inline constexpr int32_t kMaxGeneratorExtent = 1 << 28;

// The input has at least the output's width and height; its own size is not read. Uses up to
// `threads` threads (0: one per processor core); the picture is the same for any number.
template <class P>
void GenerateShapes(const Surface<P>& output, const InputSurface<P>& input,
                    const GeneratorSettings<P>& settings,
                    const GeneratorClock& clock = GeneratorClock::Steady(), int32_t threads = 1);

// The same on the threads of `pool` (a render that also prepares its output on them).
template <class P>
void GenerateShapes(const Surface<P>& output, const InputSurface<P>& input,
                    const GeneratorSettings<P>& settings, const GeneratorClock& clock,
                    WorkerPool& pool);

// The shapes of one generation: how many, and for "Grid" the grid they sit in (count 0: none).
struct ShapePlan {
  GridLayout grid;
  int32_t count = 0;
};

template <class P>
ShapePlan PlanShapes(const GeneratorSettings<P>& settings, int32_t width, int32_t height) {
  ShapePlan plan;
  int64_t total = settings.shapeCount;
  if (settings.startStrategy == kStartGrid) {
    plan.grid = MakeGridLayout(settings.shapeCount, width, height, settings.gridRandomization);
    total = plan.grid.cells;
  }
  // Shape indices are 32-bit; a grid of more cells would outlast the time limit anyway.
  plan.count = total < 1 ? 0 : (total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total));
  return plan;
}

// Chooses shape i's starting point and colour and builds its chain; false when the shape is
// skipped. For "Stable Random" and "Grid" `random` must be seeded for this shape.
template <class P>
bool PlaceShape(const InputSurface<P>& input, const GeneratorSettings<P>& settings,
                const ShapePlan& plan, const SweepAngles& sweeps, int32_t i, RandomSource& random,
                ShapeColour<P>& source, Chain& chain) {
  int32_t x, y;
  if (!ChooseStartingPoint(input, settings, plan.grid, i, random, x, y)) return false;
  const typename P::Channel* pixel = input.PixelAt(x, y);
  source = ShapeColour<P>{{pixel[3], pixel[2], pixel[1], pixel[0]}};
  BuildChain(input, x, y, source, settings, sweeps, random, chain);
  return true;
}

// The limit is checked before every shape i with i % 512 == 511; this is the first such i after
// `after`.
inline int64_t NextTimeCheck(int64_t after) {
  return ((after + 1) / kTimeCheckInterval + 1) * kTimeCheckInterval - 1;
}

// The generation loop over any drawing target, one shape after the other on the calling thread
// (tests pass a recorder of the rasteriser calls; GenerateShapes makes the same calls in the same
// order per band). The input surface carries the frame's width and height.
template <class P, class Target>
void GenerateShapesInto(Target& target, const InputSurface<P>& input,
                        const GeneratorSettings<P>& settings, const GeneratorClock& clock) {
  const int32_t width = input.width;
  const int32_t height = input.height;
  if (width <= 0 || height <= 0 || width > kMaxGeneratorExtent || height > kMaxGeneratorExtent) {
    return;
  }
  const ShapePlan plan = PlanShapes(settings, width, height);
  RandomSource random(static_cast<uint32_t>(settings.seed));
  const int64_t start = clock.Milliseconds();
  if (plan.count == 0) return;

  const SweepAngles sweeps = SweepAnglesOf(settings);
  ShapeColour<P> source;
  Chain chain;
  for (int32_t i = 0; i < plan.count; ++i) {
    if (i % kTimeCheckInterval == kTimeCheckInterval - 1 &&
        clock.Milliseconds() - start >= kGenerationTimeLimitMs) {
      return;
    }
    if (settings.startStrategy != kStartRandom) random.Seed(ShapeSeed(settings.seed, i));
    if (PlaceShape(input, settings, plan, sweeps, i, random, source, chain)) {
      DrawShape(target, chain, source, settings);
    }
  }
}

}  // namespace morvane
