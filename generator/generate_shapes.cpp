#include "generator/generate_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "generator/worker_pool.h"
#include "support/byte_span.h"

namespace morvane {
namespace {

// The shapes between two checks of the time limit are generated together: their chains first
// (on every thread when each shape draws its own random numbers; those of the next batch while
// this one is drawn), then drawn band by band, each thread drawing every shape of the batch in
// shape order into the rows (or, for "Grid", the columns) of its band. A pixel lies in one band
// and receives the same blends in the same order as in a drawing on one thread, so the picture
// is the same whatever the number of threads.
template <class P>
struct PlacedShape {
  // Provided, so that a vector of them leaves the chains' point arrays unwritten (with the
  // implicit constructor, value-initialisation zeroes all of each 6 KB chain: megabytes per render
  // written, and their pages faulted in, before any shape is placed). Only points a search has
  // found are read.
  PlacedShape() {}
  bool placed = false;
  ShapeColour<P> source{};
  Chain chain;
  // Rows outside top..bottom and columns outside left..right receive nothing from this shape.
  int64_t top = 0, bottom = 0, left = 0, right = 0;
};

// Rows and columns beyond which nothing of the shape is drawn. Every piece stays within the
// distance of two consecutive chain points plus the line width of a chain point: curves within the
// hull of their points and midpoints, circles within their radius (at most that distance plus 2)
// of a midpoint, squares within half a diagonal of one, strokes within the line width of their
// segment.
template <class P>
void FindExtent(PlacedShape<P>& shape, float lineWidth) {
  const Chain& c = shape.chain;
  int64_t top = c.y[0], bottom = c.y[0], left = c.x[0], right = c.x[0], step = 0;
  for (int32_t i = 1; i < c.count; ++i) {
    top = std::min<int64_t>(top, c.y[i]);
    bottom = std::max<int64_t>(bottom, c.y[i]);
    left = std::min<int64_t>(left, c.x[i]);
    right = std::max<int64_t>(right, c.x[i]);
    step = std::max<int64_t>(step, std::llabs(int64_t{c.x[i]} - c.x[i - 1]) +
                                       std::llabs(int64_t{c.y[i]} - c.y[i - 1]));
  }
  // A width that is not finite or beyond any frame reaches every row.
  const double width = std::isfinite(lineWidth) ? std::min<double>(lineWidth, 1e12) : 1e12;
  const int64_t margin = 2 * step + static_cast<int64_t>(width) + 4;
  shape.top = top - margin;
  shape.bottom = bottom + margin;
  shape.left = left - margin;
  shape.right = right + margin;
}

// Bands of rows for randomly placed shapes, which spread over the frame. A batch of "Grid" shapes
// lies in a strip a few grid rows high, which their extents reach far over: cut into bands of
// rows, nearly every shape would reach both sides of the cut and be set up once per band. Cut into
// bands of columns, only the shapes near a cut are.
struct BandAxis {
  bool columns;
  template <class P>
  int64_t First(const PlacedShape<P>& shape) const { return columns ? shape.left : shape.top; }
  template <class P>
  int64_t Last(const PlacedShape<P>& shape) const { return columns ? shape.right : shape.bottom; }
};

// Columns of the frame in one step of the band cuts: 64 bytes of a row at 8 bits, so that where
// rows start on a cache line no line is written by two threads.
constexpr int32_t kCutStep = 16;

// Cuts the frame's `extent` rows or columns into bands that each hold about the same number of
// shape columns (rows) of the batch, on multiples of kCutStep: band b is cuts[b] ≤ x < cuts[b + 1].
// Bands of equal size would give most of a "Grid" batch to one thread. Any cut gives the same
// picture; only the threads' shares change. Counts shapes per step of kCutStep (`steps` holds
// one entry per step and one more): one thread works the cuts out between batches while the
// others wait, and counting measured ten times quicker than sorting the shapes' ends (Dotten
// Mosaic: 24 us a batch, now 2).
template <class P>
void BalanceBands(const std::vector<PlacedShape<P>>& batch, int32_t size, BandAxis axis,
                  int32_t extent, std::vector<int64_t>& steps, std::vector<int32_t>& cuts) {
  const int64_t count = (int64_t{extent} + kCutStep - 1) / kCutStep;
  std::fill(steps.begin(), steps.begin() + count + 1, 0);
  for (int32_t j = 0; j < size; ++j) {
    const PlacedShape<P>& shape = batch[j];
    if (!shape.placed || axis.Last(shape) < 0 || axis.First(shape) >= extent) continue;
    const int64_t first = std::max<int64_t>(axis.First(shape), 0) / kCutStep;
    const int64_t last = std::min<int64_t>(axis.Last(shape), extent - 1) / kCutStep;
    ++steps[first];  // the shape reaches steps first..last
    --steps[last + 1];
  }
  int64_t covering = 0, total = 0;
  for (int64_t i = 0; i < count; ++i) {
    covering += steps[i];
    steps[i] = covering;
    total += covering;
  }
  const int64_t bands = static_cast<int64_t>(cuts.size()) - 1;
  int64_t band = 1, before = 0;
  cuts[0] = 0;
  // Band `band` ends after the first step whose shapes up to it reach its share, total × band / bands.
  for (int64_t i = 0; i < count && band < bands; ++i) {
    before += steps[i];
    while (band < bands && before * bands >= total * band) {
      cuts[band++] = static_cast<int32_t>(std::min<int64_t>((i + 1) * kCutStep, extent));
    }
  }
  while (band <= bands) cuts[band++] = extent;
}

// The bytes of a surface's rows of pixels.
template <class P, class Ch>
ByteSpan SpanOf(const Surface<P, Ch>& surface) {
  const int64_t channelBytes = sizeof(Ch);
  return ByteSpan::OfRows(surface.base, surface.height, surface.rowStride * channelBytes,
                          int64_t{std::max(surface.width, 0)} * 4 * channelBytes);
}

}  // namespace

template <class P>
void GenerateShapes(const Surface<P>& output, const InputSurface<P>& input,
                    const GeneratorSettings<P>& settings, const GeneratorClock& clock,
                    int32_t threads) {
  WorkerPool pool(ThreadsFor(threads));
  GenerateShapes(output, input, settings, clock, pool);
}

template <class P>
void GenerateShapes(const Surface<P>& output, const InputSurface<P>& input,
                    const GeneratorSettings<P>& settings, const GeneratorClock& clock,
                    WorkerPool& pool) {
  const int32_t width = output.width;
  const int32_t height = output.height;
  if (width <= 0 || height <= 0 || width > kMaxGeneratorExtent || height > kMaxGeneratorExtent) {
    return;
  }
  const InputSurface<P> view{input.base, width, height, input.rowStride};
  if (pool.Threads() == 1) {
    // One thread draws each shape as soon as its chain is found, which keeps the frame's pixels
    // and the chain in cache together.
    RasterTarget<P> target{output};
    GenerateShapesInto(target, view, settings, clock);
    return;
  }

  const ShapePlan plan = PlanShapes(settings, width, height);
  RandomSource random(static_cast<uint32_t>(settings.seed));
  const int64_t start = clock.Milliseconds();
  if (plan.count == 0) return;

  const SweepAngles sweeps = SweepAnglesOf(settings, &pool);
  const bool ownNumbers = settings.startStrategy != kStartRandom;
  // One band per thread for shapes whose chains every thread builds: more, thinner bands measured
  // slower, each shape that crosses a band edge being set up once per band. With one random
  // sequence, one thread builds the next batch's chains while the others draw, and thinner bands
  // let it join the drawing when it is done.
  const BandAxis axis{settings.startStrategy == kStartGrid};
  const int32_t extent = axis.columns ? width : height;
  const int32_t bands = std::min(extent, pool.Threads() * (ownNumbers ? 1 : 4));
  // The batch being drawn and the next one, whose chains are built meanwhile.
  const size_t batchSize = static_cast<size_t>(std::min(plan.count, kTimeCheckInterval));
  std::vector<PlacedShape<P>> batches[2] = {std::vector<PlacedShape<P>>(batchSize),
                                            std::vector<PlacedShape<P>>(batchSize)};
  std::vector<int64_t> steps(axis.columns ? static_cast<size_t>(extent / kCutStep + 2) : 0);
  // Bands of equal height, kept for randomly placed shapes, which spread over the frame; a Grid
  // batch lies in a strip, and its cuts are balanced batch by batch.
  std::vector<int32_t> cuts(static_cast<size_t>(bands) + 1);
  for (int32_t b = 0; b <= bands; ++b) cuts[b] = static_cast<int32_t>(int64_t{extent} * b / bands);
  const float lineWidth = EffectiveLineWidth(settings.lineWidth);
  // Chains read the input while shapes are drawn into the output: only buffers apart allow it
  // (a host rendering in place gets the chains of a batch built before its drawing starts).
  const bool buildAhead = !SpanOf(output).Overlaps(SpanOf(view));

  // The chains of shapes begin .. begin + size − 1 into `batch`: part `part` of Parts(size).
  const auto parts = [ownNumbers](int32_t size) { return ownNumbers ? size : 1; };
  const auto build = [&](int32_t begin, int32_t size, std::vector<PlacedShape<P>>& batch, int32_t part) {
    const auto place = [&](int32_t j, RandomSource& numbers) {
      PlacedShape<P>& shape = batch[j];
      shape.placed = PlaceShape(view, settings, plan, sweeps, begin + j, numbers, shape.source, shape.chain);
      if (shape.placed) FindExtent(shape, lineWidth);
    };
    if (ownNumbers) {
      RandomSource own(ShapeSeed(settings.seed, begin + part));
      place(part, own);
    } else {
      // One random sequence runs through all shapes, so they are placed one after the other.
      for (int32_t j = 0; j < size; ++j) place(j, random);
    }
  };
  const auto draw = [&](const std::vector<PlacedShape<P>>& batch, int32_t size, int32_t band) {
    const int32_t first = cuts[band], end = cuts[band + 1];
    if (first >= end) return;
    RasterTarget<P> target{output.Band(axis.columns, first, end)};
    for (int32_t j = 0; j < size; ++j) {
      const PlacedShape<P>& shape = batch[j];
      if (!shape.placed || axis.Last(shape) < first || axis.First(shape) >= end) continue;
      DrawShape(target, shape.chain, shape.source, settings);
    }
  };
  const auto batchEnd = [&plan](int32_t begin) {
    return static_cast<int32_t>(std::min<int64_t>(plan.count, NextTimeCheck(begin)));
  };

  int32_t begin = 0, end = batchEnd(0), current = 0;
  pool.ForEach(parts(end), [&](int32_t part) { build(0, end, batches[0], part); });
  for (;;) {
    const std::vector<PlacedShape<P>>& batch = batches[current];
    const int32_t size = end - begin;
    if (axis.columns) BalanceBands(batch, size, axis, extent, steps, cuts);
    const int32_t next = end, nextSize = end < plan.count ? batchEnd(end) - end : 0;
    std::vector<PlacedShape<P>>& following = batches[1 - current];
    const int32_t nextParts = buildAhead && nextSize > 0 ? parts(nextSize) : 0;
    // One task list: for one random sequence its chains first, so that a thread starts on them
    // at once; for chains of their own the bands first, the chains filling in behind them.
    pool.ForEach(bands + nextParts, [&](int32_t task) {
      const int32_t chainTask = ownNumbers ? task - bands : task;
      if (chainTask >= 0 && chainTask < nextParts) {
        build(next, nextSize, following, chainTask);
      } else {
        draw(batch, size, ownNumbers ? task : task - nextParts);
      }
    });
    if (nextSize == 0) return;
    // The limit is checked before the next batch is drawn (its first shape is one of the shapes
    // that are checked at); chains built for a batch that is not drawn are dropped.
    if (next % kTimeCheckInterval == kTimeCheckInterval - 1 &&
        clock.Milliseconds() - start >= kGenerationTimeLimitMs) {
      return;
    }
    if (nextParts == 0) pool.ForEach(parts(nextSize), [&](int32_t part) { build(next, nextSize, following, part); });
    begin = next;
    end = next + nextSize;
    current = 1 - current;
  }
}

#define MORVANE_INSTANTIATE(P)                                                          \
  template void GenerateShapes<P>(const Surface<P>&, const InputSurface<P>&,           \
                                  const GeneratorSettings<P>&, const GeneratorClock&,  \
                                  int32_t);                                             \
  template void GenerateShapes<P>(const Surface<P>&, const InputSurface<P>&,           \
                                  const GeneratorSettings<P>&, const GeneratorClock&,  \
                                  WorkerPool&);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
