// Every rasteriser against its reference copy: random geometry (mostly near the frame, some far
// outside it), line widths from below one pixel to beyond the control's
// range, opacities across the depth's range, frames from 1×1 to 700×500 with padded rows, over
// pictures with alpha ramps and, at float depth, values below 0 and above 1. The shipped code must
// give the same bytes, padding and guards included.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "raster/circle.h"
#include "raster/polygon.h"
#include "raster/rect.h"
#include "raster/stroke.h"
#include "tests/differential/differential_support.h"
#include "tests/reference/reference_raster.h"

namespace morvane {
namespace {

using differential::Frame;
using differential::Rng;

enum class Op { kThickLine, kJoinedSegment, kCircleOutline, kFillCircle, kTriangle, kQuad, kRect };

template <class P>
typename P::Coverage RandomOpacity(Rng& rng) {
  if constexpr (std::is_same_v<P, PixelFloat>) {
    const float values[] = {1.0f, 0.5f, 0.0f, 1.25f, -0.25f};
    return rng.Chance(60) ? rng.Real(0.0f, 1.0f) : rng.Pick(values);
  } else {
    return static_cast<typename P::Coverage>(rng.Chance(30) ? P::kFull : rng.Int(0, P::kFull));
  }
}

// Chain points lie within 2^17 pixels of the frame (sizes are held to 2^16), so the far values
// stay there: the stepping of a segment or an octant takes one step per pixel of its length.
int32_t Coordinate(Rng& rng, int32_t extent) {
  const int32_t far[] = {-200000, 200000, -131072, 131072, -70000, 70000};
  if (rng.Chance(3)) return rng.Pick(far);
  if (rng.Chance(15)) return rng.Int(-3 * extent - 40, 4 * extent + 40);
  return rng.Int(-8, extent + 8);
}

float LineWidth(Rng& rng) {
  const float widths[] = {0.25f, 1.0f, 1.5f, 1.75f, 1.8f, 2.0f, 6.0f, 14.0f, 32.0f, 40.0f};
  return rng.Chance(50) ? rng.Pick(widths) : rng.Real(0.1f, 36.0f);
}

template <class P>
void Draw(bool fast, Op op, const Surface<P>& s, const int32_t* c, float w,
          const ShapeColour<P>& k, typename P::Coverage o) {
  const Point a{c[0], c[1]}, b{c[2], c[3]}, d{c[4], c[5]}, e{c[6], c[7]};
  switch (op) {
    case Op::kThickLine:
      fast ? DrawThickLine<P>(s, c[0], c[1], c[2], c[3], w, k, o)
           : reference::DrawThickLine<P>(s, c[0], c[1], c[2], c[3], w, k, o);
      break;
    case Op::kJoinedSegment:
      fast ? DrawJoinedSegment<P>(s, c[0], c[1], c[2], c[3], w, c[4], c[5], k, o)
           : reference::DrawJoinedSegment<P>(s, c[0], c[1], c[2], c[3], w, c[4], c[5], k, o);
      break;
    case Op::kCircleOutline:
      fast ? DrawCircleOutline<P>(s, c[0], c[1], c[8], k, o)
           : reference::DrawCircleOutline<P>(s, c[0], c[1], c[8], k, o);
      break;
    case Op::kFillCircle:
      fast ? FillCircle<P>(s, c[0], c[1], c[8], k, o)
           : reference::FillCircle<P>(s, c[0], c[1], c[8], k, o);
      break;
    case Op::kTriangle:
      fast ? FillTriangle<P>(s, a, b, d, k, o) : reference::FillTriangle<P>(s, a, b, d, k, o);
      break;
    case Op::kQuad:
      fast ? FillQuad<P>(s, a, b, d, e, k, o) : reference::FillQuad<P>(s, a, b, d, e, k, o);
      break;
    case Op::kRect:
      fast ? FillRect<P>(s, c[0], c[1], c[2], c[3], k, o)
           : reference::FillRect<P>(s, c[0], c[1], c[2], c[3], k, o);
      break;
  }
}

template <class P>
class RasterDifferential : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(RasterDifferential, Depths);

// Many shapes on small frames, a few on large ones; each frame receives a run of shapes so that
// later shapes blend over earlier ones. Some are drawn in bands of rows (empty bands too).
TYPED_TEST(RasterDifferential, EveryRasteriserMatchesItsReference) {
  using P = TypeParam;
  Rng rng(0x5EEDull + sizeof(typename P::Channel));
  const Op ops[] = {Op::kThickLine, Op::kJoinedSegment, Op::kCircleOutline, Op::kFillCircle,
                    Op::kTriangle,  Op::kQuad,          Op::kRect};
  for (int frameCase = 0; frameCase < 160; ++frameCase) {
    const bool large = frameCase % 40 == 0;
    const int32_t w = large ? rng.Int(300, 700) : rng.Int(1, 64);
    const int32_t h = large ? rng.Int(200, 500) : rng.Int(1, 64);
    const int32_t pad = 4 * rng.Int(0, 3);
    Frame<P> fast(w, h, pad);
    differential::FillPicture(fast, rng, true);
    Frame<P> slow = fast;
    for (int shape = 0; shape < (large ? 60 : 25); ++shape) {
      const Op op = rng.Pick(ops);
      int32_t c[9];
      for (int i = 0; i < 8; i += 2) {
        c[i] = Coordinate(rng, w);
        c[i + 1] = Coordinate(rng, h);
      }
      // Segments are mostly short, as chains make them; radii mostly those of shapes.
      if (rng.Chance(70) && c[0] > -100 && c[0] < w + 100 && c[1] > -100 && c[1] < h + 100) {
        for (int i = 2; i < 8; i += 2) {
          c[i] = c[0] + rng.Int(-60, 60);
          c[i + 1] = c[1] + rng.Int(-60, 60);
        }
      }
      const int32_t radii[] = {0, 1, 2, 3, -1, -100000, 100000, 300000};
      c[8] = rng.Chance(10) ? rng.Pick(radii) : rng.Int(0, 80);
      const float width = LineWidth(rng);
      const ShapeColour<P> colour{{differential::Level<P>(rng.Real(-0.2f, 1.2f)),
                                   differential::Level<P>(rng.Real(0, 1)),
                                   differential::Level<P>(rng.Real(0, 1)),
                                   differential::Level<P>(1.0f)}};
      const auto opacity = RandomOpacity<P>(rng);
      // A third of the shapes are drawn band by band, as the threads of a render draw them, in
      // bands of rows, and a fifth of the others in bands of columns: the bands together must
      // give the unclipped reference's bytes.
      const bool rows = rng.Chance(33);
      if (rows || rng.Chance(20)) {
        const int32_t extent = rows ? h : w;
        int32_t from = -rng.Int(0, 2);
        while (from < extent) {
          const int32_t to = rng.Chance(20) ? extent + 3 : from + rng.Int(0, 12);
          Draw<P>(true, op, fast.View().Band(!rows, from, to), c, width, colour, opacity);
          from = to;
        }
      } else {
        Draw<P>(true, op, fast.View(), c, width, colour, opacity);
      }
      Draw<P>(false, op, slow.View(), c, width, colour, opacity);
      ASSERT_TRUE(fast.SameBytes(slow))
          << "frame " << frameCase << " (" << w << "x" << h << " pad " << pad << ") shape "
          << shape << " op " << static_cast<int>(op) << " at " << c[0] << "," << c[1] << " "
          << c[2] << "," << c[3] << " " << c[4] << "," << c[5] << " r " << c[8] << " width "
          << width;
    }
  }
}

// Thin strokes whose rows are longer than the evaluation's chunk of pixels: nearly horizontal
// segments across a wide frame, joined to a next segment that reaches back over the same rows
// (its coverage is taken off row by row), drawn whole, in bands of rows and in bands of columns
// (which cut the rows).
TYPED_TEST(RasterDifferential, ThinStrokesWithLongRowsMatchTheirReference) {
  using P = TypeParam;
  struct Case {
    Op op;
    int32_t c[6];
    float width;
  };
  const Case cases[] = {
      {Op::kJoinedSegment, {5, 20, 690, 24, 10, 30}, 1.75f},
      {Op::kJoinedSegment, {690, 24, 5, 20, 680, 30}, 1.75f},
      {Op::kJoinedSegment, {3, 10, 696, 11, 300, 12}, 1.0f},
      {Op::kJoinedSegment, {20, 40, 650, 52, 40, 41}, 2.0f},
      {Op::kJoinedSegment, {0, 5, 699, 5, 0, 6}, 0.25f},
      {Op::kThickLine, {2, 30, 697, 33, 0, 0}, 1.75f},
      {Op::kThickLine, {697, 8, 2, 9, 0, 0}, 1.0f},
  };
  Rng rng(0x10A6ull + sizeof(typename P::Channel));
  enum class Bands { kNone, kRows, kColumns };
  for (const Case& k : cases) {
    for (const Bands bands : {Bands::kNone, Bands::kRows, Bands::kColumns}) {
      Frame<P> fast(700, 60, 4);
      differential::FillPicture(fast, rng, false);
      Frame<P> slow = fast;
      const int32_t c[9] = {k.c[0], k.c[1], k.c[2], k.c[3], k.c[4], k.c[5], 0, 0, 0};
      const ShapeColour<P> colour{{differential::Level<P>(0.9f), differential::Level<P>(0.2f),
                                   differential::Level<P>(0.6f), differential::Level<P>(1.0f)}};
      const auto opacity = RandomOpacity<P>(rng);
      if (bands == Bands::kNone) {
        Draw<P>(true, k.op, fast.View(), c, k.width, colour, opacity);
      } else {
        const bool columns = bands == Bands::kColumns;
        const int32_t extent = columns ? 700 : 60, step = columns ? 97 : 7;
        for (int32_t from = 0; from < extent; from += step) {
          Draw<P>(true, k.op, fast.View().Band(columns, from, from + step), c, k.width, colour, opacity);
        }
      }
      Draw<P>(false, k.op, slow.View(), c, k.width, colour, opacity);
      ASSERT_TRUE(fast.SameBytes(slow)) << "op " << static_cast<int>(k.op) << " from " << c[0] << "," << c[1]
                                        << " to " << c[2] << "," << c[3] << " width " << k.width
                                        << (bands == Bands::kRows      ? " in bands of rows"
                                            : bands == Bands::kColumns ? " in bands of columns"
                                                                       : "");
    }
  }
}

}  // namespace
}  // namespace morvane
