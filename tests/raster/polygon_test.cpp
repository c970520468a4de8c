#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "raster/polygon.h"
#include "raster/polygon_p.h"
#include "tests/raster/raster_test_util.h"

namespace morvane {
namespace {

using test::Depth;
using test::shapeColour;
using test::TestImage;

// A span table over rows first..first + rows − 1, reset to "no edge reached".
struct OwnedSpans {
  std::vector<int32_t> lo, hi;
  SpanTable table;
  OwnedSpans(int32_t first, int32_t rows) : lo(rows), hi(rows) {
    table.spanMin = lo.data();
    table.spanMax = hi.data();
    table.firstRow = first;
    table.lastRow = first + rows - 1;
    table.Reset();
  }
};

TEST(RasterPolygon, ClipSegment) {
  struct Case {
    int32_t in[4];
    bool accepted;
    int32_t out[4];
  };
  const Case cases[] = {
      {{2, 3, 7, 8}, true, {2, 3, 7, 8}},
      {{-5, 1, -1, 9}, false, {}},              // both left
      {{1, 10, 8, 14}, false, {}},              // both below
      {{5, 5, 15, 5}, true, {5, 5, 9, 5}},      // right end moved to the border
      {{-3, 2, 6, 8}, true, {0, 4, 6, 8}},      // y = trunc(6 × (3 / 9) + 2)
      // Right and above: moved twice, ending on (9, 0), which is not on the line (it meets
      // row 0 at x = 10).
      {{15, -5, 5, 5}, true, {9, 0, 5, 5}},
      // Left of one border and above the other: the line passes outside the corner, yet both
      // ends are clamped to (0, 0) and the segment is accepted.
      {{-5, 3, 3, -5}, true, {0, 0, 0, 0}},
      // Ends near the int32 limits: the direction is taken in 64 bits.
      {{-2000000000, 5, 2000000000, 5}, true, {0, 5, 9, 5}},
      {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, true, {0, 0, 9, 9}},
  };
  for (const Case& c : cases) {
    int32_t x0 = c.in[0], y0 = c.in[1], x1 = c.in[2], y1 = c.in[3];
    ASSERT_EQ(ClipSegment(x0, y0, x1, y1, 10, 10), c.accepted) << c.in[0] << "," << c.in[1];
    if (!c.accepted) continue;
    EXPECT_EQ((std::vector<int32_t>{x0, y0, x1, y1}),
              (std::vector<int32_t>(c.out, c.out + 4)))
        << c.in[0] << "," << c.in[1];
  }
}

// Spans as (row, lo, hi) for the rows an edge reached.
std::vector<std::vector<int32_t>> spansOf(const SpanTable& t) {
  std::vector<std::vector<int32_t>> out;
  for (int32_t row = t.firstRow; row <= t.lastRow; ++row) {
    const int32_t i = row - t.firstRow;
    if (t.spanMin[i] != kSpanEmptyMin) out.push_back({row, t.spanMin[i], t.spanMax[i]});
  }
  return out;
}

TEST(RasterPolygon, ScanEdge) {
  using Spans = std::vector<std::vector<int32_t>>;
  struct Case {
    int32_t e[4];
    Spans spans;
  };
  const Case cases[] = {
      // horizontal: shallow, every column of the row
      {{6, 2, 1, 2}, {{2, 1, 6}}},
      // |dx| = |dy|: steep, one column per row
      {{1, 1, 4, 4}, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}}},
      // The half pixel sits at the start point: the same edge stepped the other way records
      // other columns.
      {{0, 0, 1, 6}, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 1, 1}, {5, 1, 1}, {6, 1, 1}}},
      {{1, 6, 0, 0}, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 1, 1}, {4, 1, 1}, {5, 1, 1}, {6, 1, 1}}},
      {{0, 0, 6, 1}, {{0, 0, 3}, {1, 4, 6}}},
      {{6, 1, 0, 0}, {{0, 0, 2}, {1, 3, 6}}},
      // a single point
      {{3, 2, 3, 2}, {{2, 3, 3}}},
  };
  for (const Case& c : cases) {
    OwnedSpans s(0, 8);
    ScanEdge(c.e[0], c.e[1], c.e[2], c.e[3], s.table);
    EXPECT_EQ(spansOf(s.table), c.spans) << c.e[0] << "," << c.e[1] << "→" << c.e[2] << "," << c.e[3];
  }
}

TEST(RasterPolygon, ScanEdgeFarFromOriginMatchesNearIt) {
  const int32_t edges[][4] = {{0, 0, 2, 4}, {5, 2, 0, 0}, {3, 60, 41, 1}, {50, 7, 2, 9}};
  for (const auto& e : edges) {
    OwnedSpans near(0, 64);
    ScanEdge(e[0], e[1], e[2], e[3], near.table);
    for (const int32_t ox : {40000, -700000}) {  // columns stay within the ±777777 marks
      const int32_t oy = 50000;
      OwnedSpans far(oy, 64);
      ScanEdge(e[0] + ox, e[1] + oy, e[2] + ox, e[3] + oy, far.table);
      auto expected = spansOf(near.table);
      for (auto& s : expected) s = {s[0] + oy, s[1] + ox, s[2] + ox};
      EXPECT_EQ(spansOf(far.table), expected);
    }
  }
}

// Band coverage of a horizontal edge on rows no edge reached: the near pixels get weight
// 65535, the far ones weight 0. Read back as alpha over a transparent buffer.
template <class P>
void expectBand(typename P::Coverage opacity, typename P::Channel nearAlpha) {
  TestImage<P> img(12, 6);
  OwnedSpans none(0, 6);
  DrawEdgeBand<P>(Surface<P>{img.base(), 12, 6, img.stride()}, 2, 3, 9, 3, Depth<P>::colour(), opacity,
                none.table);
  for (int32_t x = 2; x <= 9; ++x) {
    EXPECT_EQ(img.at(x, 3)[0], nearAlpha) << x;
    EXPECT_EQ(img.at(x, 4)[0], 0) << x;
  }
  EXPECT_EQ(img.at(1, 3)[0], 0);
  EXPECT_EQ(img.at(10, 3)[0], 0);
}

TEST(RasterPolygon, BandCoverageAtEveryDepth) {
  expectBand<Pixel8>(255, 254);  // (65535 × 255) >> 16: never 255
  expectBand<Pixel8>(128, 127);
  expectBand<Pixel16>(32768, 32639);  // (254 × 32768) / 255: not 32768
  expectBand<Pixel16>(16384, 16191);
  expectBand<PixelFloat>(1.0f, 0.996078432f);  // 254 / 255.0
  expectBand<PixelFloat>(0.5f, 0.494117647f);
  expectBand<PixelFloat>(-1.0f, -1.0f);
  // Opacities that float frames with HDR or NaN alpha produce: o8 saturates, NaN gives 0.
  expectBand<PixelFloat>(1e30f, 8421376.0f);
  expectBand<PixelFloat>(std::numeric_limits<float>::infinity(), 8421376.0f);
  expectBand<PixelFloat>(std::nanf(""), 0.0f);
}

TEST(RasterPolygon, RightTriangleFillsItsLatticePixels) {
  // 45-degree and axis edges put every band pixel inside a span or at weight 0, so the result is
  // exactly the pixels with x ≥ 2, y ≥ 2, x + y ≤ 10.
  TestImage<Pixel8> img(12, 12);
  FillTriangle<Pixel8>(Surface<Pixel8>{img.base(), 12, 12, img.stride()}, {2, 2}, {8, 2}, {2, 8},
                       shapeColour<Pixel8>(10, 20, 30), 255);
  for (int32_t y = 0; y < 12; ++y) {
    for (int32_t x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && y >= 2 && x + y <= 10;
      EXPECT_EQ(img.at(x, y)[0], inside ? 255 : 0) << x << "," << y;
      if (inside) {
        EXPECT_EQ(img.at(x, y)[1], 30);
      }
    }
  }
}

TEST(RasterPolygon, EdgesAreSteppedInTheirFixedOrder) {
  // (0, 0) → (6, 1) reaches column 3 on row 0; stepped from (6, 1) it stops at column 2. The
  // triangle steps B → C and the quad A → B, so (3, 0) is in the span, not in the band.
  TestImage<Pixel8> tri(8, 8), quad(8, 8);
  const auto colour = shapeColour<Pixel8>(10, 20, 30);
  FillTriangle<Pixel8>(Surface<Pixel8>{tri.base(), 8, 8, tri.stride()}, {0, 6}, {0, 0}, {6, 1}, colour, 255);
  FillQuad<Pixel8>(Surface<Pixel8>{quad.base(), 8, 8, quad.stride()}, {0, 0}, {6, 1}, {6, 6}, {0, 6}, colour, 255);
  EXPECT_EQ(tri.at(3, 0)[0], 255);
  EXPECT_EQ(quad.at(3, 0)[0], 255);
  EXPECT_LT(quad.at(4, 0)[0], 255);
}

TEST(RasterPolygon, DegenerateAndCrossingOutlines) {
  {
    // All vertices equal: one pixel; the band adds only a zero-coverage blend.
    TestImage<Pixel8> img(8, 8);
    FillTriangle<Pixel8>(Surface<Pixel8>{img.base(), 8, 8, img.stride()}, {3, 4}, {3, 4}, {3, 4},
                         shapeColour<Pixel8>(10, 20, 30), 200);
    for (int32_t y = 0; y < 8; ++y) {
      for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(img.at(x, y)[0], x == 3 && y == 4 ? 200 : 0);
    }
  }
  {
    // A self-crossing quad fills each row from its leftmost to its rightmost edge column.
    TestImage<Pixel8> img(24, 24);
    FillQuad<Pixel8>(Surface<Pixel8>{img.base(), 24, 24, img.stride()}, {0, 0}, {20, 20}, {20, 0}, {0, 20}, shapeColour<Pixel8>(10, 20, 30), 255);
    for (int32_t y = 0; y <= 20; ++y) {
      for (int32_t x = 0; x <= 20; ++x) EXPECT_EQ(img.at(x, y)[0], 255) << x << "," << y;
    }
  }
}

// At full opacity the interior becomes exactly the colour with full alpha, whatever the pixels
// held, malformed 16-bit values and NaN floats included.
template <class P>
void expectFullOpacityInterior(typename P::Channel junk) {
  TestImage<P> img(20, 20);
  img.Fill(junk, junk, junk, junk);
  const auto colour = Depth<P>::colour();
  FillTriangle<P>(Surface<P>{img.base(), 20, 20, img.stride()}, {1, 1}, {18, 4}, {6, 18}, colour,
                  Depth<P>::full());
  FillQuad<P>(Surface<P>{img.base(), 20, 20, img.stride()}, {12, 10}, {17, 14}, {13, 19}, {9, 15}, colour,
              Depth<P>::full());
  const std::pair<int32_t, int32_t> interior[] = {{6, 6}, {10, 8}, {6, 14}, {13, 14}};
  for (const auto& [x, y] : interior) {
    const auto* px = img.at(x, y);
    EXPECT_EQ(px[0], static_cast<typename P::Channel>(P::kFull)) << x << "," << y;
    EXPECT_EQ(px[1], colour.channel[2]);
    EXPECT_EQ(px[2], colour.channel[1]);
    EXPECT_EQ(px[3], colour.channel[0]);
  }
}

TEST(RasterPolygon, FullOpacityInteriorIsExact) {
  expectFullOpacityInterior<Pixel8>(99);
  expectFullOpacityInterior<Pixel16>(60000);
  expectFullOpacityInterior<PixelFloat>(std::nanf(""));
}

TEST(RasterPolygon, TrianglePartlyAboveStartsOnRowZero) {
  TestImage<Pixel8> img(20, 10);
  FillTriangle<Pixel8>(Surface<Pixel8>{img.base(), 20, 10, img.stride()}, {2, -30}, {18, -12}, {9, 6},
                       shapeColour<Pixel8>(10, 20, 30), 255);
  int full = 0, partial = 0;
  for (int32_t x = 0; x < 20; ++x) {
    full += img.at(x, 0)[0] == 255;
    partial += img.at(x, 0)[0] > 0 && img.at(x, 0)[0] < 255;
  }
  EXPECT_GT(full, 0);
  EXPECT_GT(partial, 0);
  EXPECT_TRUE(img.OutsideIntact());
}

}  // namespace
}  // namespace morvane
