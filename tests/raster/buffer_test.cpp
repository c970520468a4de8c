// Buffer handling shared by every rasteriser: nothing but pixels is written, shapes partly
// outside are cut exactly, any height is drawn in full, offsets are 64-bit, and the per-thread
// scratch carries nothing from one shape to the next.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "raster/circle.h"
#include "raster/polygon.h"
#include "raster/rect.h"
#include "raster/stroke.h"
#include "tests/raster/raster_test_util.h"
#include "tests/raster/sample_shapes.h"

namespace morvane {
namespace {

using test::AllDepths;
using test::Depth;
using test::drawSampleShapes;
using test::TestImage;

// Points for every rasteriser at once: a line a→b (joined with next c), circles at a with
// radius r, triangle a b c, quad a b c d, rectangle a–b.
struct Geometry {
  Point a, b, c, d;
  int32_t r;
  float lineWidth;
};

template <class P>
void drawAll(TestImage<P>& img, const Geometry& g, typename P::Coverage opacity) {
  const auto colour = Depth<P>::colour();
  auto* base = img.base();
  const int32_t w = img.width(), h = img.height(), s = img.stride();
  DrawThickLine<P>(Surface<P>{base, w, h, s}, g.a.x, g.a.y, g.b.x, g.b.y, g.lineWidth, colour, opacity);
  DrawJoinedSegment<P>(Surface<P>{base, w, h, s}, g.a.x, g.a.y, g.b.x, g.b.y, g.lineWidth, g.c.x, g.c.y, colour,
                       opacity);
  DrawCircleOutline<P>(Surface<P>{base, w, h, s}, g.a.x, g.a.y, g.r, colour, opacity);
  FillCircle<P>(Surface<P>{base, w, h, s}, g.a.x, g.a.y, g.r, colour, opacity);
  FillTriangle<P>(Surface<P>{base, w, h, s}, g.a, g.b, g.c, colour, opacity);
  FillQuad<P>(Surface<P>{base, w, h, s}, {g.a.x, g.a.y}, {g.b.x, g.b.y}, {g.c.x, g.c.y}, {g.d.x, g.d.y}, colour,
              opacity);
  FillRect<P>(Surface<P>{base, w, h, s}, g.a.x, g.a.y, g.b.x, g.b.y, colour, opacity);
}

template <class P>
class RasterBuffer : public ::testing::Test {};
TYPED_TEST_SUITE(RasterBuffer, AllDepths);

TYPED_TEST(RasterBuffer, WritesNothingButPixels) {
  using P = TypeParam;
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const Geometry shapes[] = {
      {{-5, 3}, {10, 8}, {3, 20}, {-8, 14}, 6, 2.5f},          // across the left and bottom
      {{20, 12}, {30, 4}, {26, 22}, {14, 19}, 9, 4.0f},        // across the right and bottom
      {{12, -6}, {3, 2}, {22, -1}, {15, -20}, 7, 1.0f},        // across the top
      {{-3, -3}, {27, 19}, {27, -3}, {-3, 19}, 30, 1.0f},      // corner to corner
      {{11, 7}, {11, 7}, {11, 7}, {11, 7}, 0, 50.0f},          // wider than the buffer
      {{-30, 2}, {-10, 10}, {-20, 14}, {-40, 5}, 5, 3.0f},     // wholly left
      {{40, 2}, {30, 10}, {50, 14}, {26, 5}, 5, 3.0f},         // wholly right
      {{2, -30}, {10, -9}, {14, -20}, {5, -40}, 5, 3.0f},      // wholly above
      {{2, 30}, {10, 17}, {14, 20}, {5, 40}, 5, 3.0f},         // wholly below
      {{-100000, 8}, {100000, 9}, {12, 70000}, {-40000, -40000}, 100000, 1.8f},
      {{5, 5}, {19, 12}, {2, 13}, {9, 1}, 4, 0.3f},            // width below 0.5
      {{5, 5}, {19, 12}, {2, 13}, {9, 1}, -3, -5.0f},          // negative radius and width
      {{5, 5}, {19, 12}, {2, 13}, {9, 1}, 4, kNaN},
      {{5, 5}, {19, 12}, {2, 13}, {9, 1}, 4, kInf},
      {{5, 5}, {19, 12}, {2, 13}, {9, 1}, 4, 1e30f},
  };
  std::vector<typename P::Coverage> opacities = {Depth<P>::part(), Depth<P>::full(), 0};
  if constexpr (std::is_same_v<P, PixelFloat>) {
    opacities.insert(opacities.end(), {kNaN, kInf, -kInf, 1e30f, -2.0f});
  } else {
    opacities.push_back(std::numeric_limits<typename P::Coverage>::max());
  }
  for (const auto opacity : opacities) {
    TestImage<P> img(24, 16);
    for (const Geometry& g : shapes) {
      drawAll<P>(img, g, opacity);
      ASSERT_TRUE(img.OutsideIntact()) << g.a.x << "," << g.a.y << " opacity " << +opacity;
    }
  }

  // Coordinates at the ends of the int32 range, for the shapes whose cost does not grow with
  // their length (horizontal strokes, circles, rectangles).
  TestImage<P> img(24, 16);
  const auto colour = Depth<P>::colour();
  const auto o = Depth<P>::part();
  const int32_t w = img.width(), h = img.height(), s = img.stride();
  DrawThickLine<P>(Surface<P>{img.base(), w, h, s}, INT32_MIN, 5, INT32_MAX, 5, 2.0f, colour, o);
  DrawJoinedSegment<P>(Surface<P>{img.base(), w, h, s}, INT32_MIN, 5, INT32_MAX, 5, 2.0f, INT32_MIN, 5, colour,
                       o);
  for (const int32_t cx : {INT32_MIN, INT32_MAX}) {
    DrawCircleOutline<P>(Surface<P>{img.base(), w, h, s}, cx, cx, 5, colour, o);
    FillCircle<P>(Surface<P>{img.base(), w, h, s}, cx, 3, 5, colour, o);
  }
  DrawCircleOutline<P>(Surface<P>{img.base(), w, h, s}, 8, 8, INT32_MIN, colour, o);
  FillCircle<P>(Surface<P>{img.base(), w, h, s}, 8, 8, INT32_MIN, colour, o);
  FillRect<P>(Surface<P>{img.base(), w, h, s}, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, colour, o);
  EXPECT_TRUE(img.OutsideIntact());

  // Empty buffers draw nothing.
  for (const Geometry& g : shapes) {
    TestImage<P> empty(0, 4);
    drawAll<P>(empty, g, Depth<P>::part());
    EXPECT_TRUE(empty.OutsideIntact());
  }
}

// Strokes, circles and rectangles do not depend on where the buffer starts, so a shape cut by a
// small buffer must equal the same window of a larger buffer that holds it whole.
TYPED_TEST(RasterBuffer, CutShapesMatchTheirUncutWindow) {
  using P = TypeParam;
  const Geometry shapes[] = {
      {{-5, 3}, {10, 8}, {3, 20}, {}, 6, 2.5f},
      {{16, 12}, {30, 4}, {26, 22}, {}, 9, 4.0f},
      {{12, -6}, {3, 2}, {22, -1}, {}, 7, 1.0f},
      {{-3, -3}, {23, 19}, {23, -3}, {}, 12, 1.4f},
      {{-6, 8}, {-6, 8}, {0, 0}, {}, 8, 6.0f},     // disc and circle centred left of the buffer
      {{21, -4}, {21, 30}, {-4, 30}, {}, 3, 2.0f}, // vertical, across top and bottom
      {{-8, 5}, {30, 5}, {30, 30}, {}, 2, 3.0f},   // horizontal, across both sides
  };
  constexpr int32_t kOff = 20;
  for (const Geometry& g : shapes) {
    TestImage<P> cut(20, 16), whole(60, 56);
    auto moved = [](Point p) { return Point{p.x + kOff, p.y + kOff}; };
    const Geometry h{moved(g.a), moved(g.b), moved(g.c), {}, g.r, g.lineWidth};
    for (auto [img, geo] : {std::pair{&cut, &g}, std::pair{&whole, &h}}) {
      const auto colour = Depth<P>::colour();
      const auto o = Depth<P>::part();
      auto* b = img->base();
      const int32_t w = img->width(), ht = img->height(), s = img->stride();
      DrawThickLine<P>(Surface<P>{b, w, ht, s}, geo->a.x, geo->a.y, geo->b.x, geo->b.y, geo->lineWidth, colour,
                       o);
      DrawJoinedSegment<P>(Surface<P>{b, w, ht, s}, geo->b.x, geo->b.y, geo->c.x, geo->c.y, geo->lineWidth,
                           geo->a.x, geo->a.y, colour, o);
      DrawCircleOutline<P>(Surface<P>{b, w, ht, s}, geo->a.x, geo->a.y, geo->r, colour, Depth<P>::full());
      FillCircle<P>(Surface<P>{b, w, ht, s}, geo->c.x, geo->c.y, geo->r, colour, o);
      FillRect<P>(Surface<P>{b, w, ht, s}, geo->b.x, geo->b.y, geo->c.x, geo->c.y, colour, o);
    }
    EXPECT_EQ(cut.pixels(), whole.window(kOff, kOff, 20, 16)) << g.a.x << "," << g.a.y;
    EXPECT_TRUE(cut.OutsideIntact());
  }
}

// Rows from 4096 on are drawn exactly as rows near the top.
TYPED_TEST(RasterBuffer, TallBufferDrawsEveryRow) {
  using P = TypeParam;
  TestImage<P> tall(8, 5000), top(8, 40);
  drawSampleShapes<P>(tall.base(), 8, 5000, tall.stride(), 4480);
  drawSampleShapes<P>(top.base(), 8, 40, top.stride(), 0);
  EXPECT_NE(top.pixels(), TestImage<P>(8, 40).pixels());
  EXPECT_EQ(tall.window(0, 4480, 8, 40), top.pixels());
  EXPECT_EQ(tall.window(0, 0, 8, 4480), TestImage<P>(8, 4480).pixels());
  EXPECT_EQ(tall.window(0, 4520, 8, 480), TestImage<P>(8, 480).pixels());
  EXPECT_TRUE(tall.OutsideIntact());
}

// The span and row tables live in per-thread scratch: a shape must not see what an earlier,
// larger shape left there, and threads must not share it.
TYPED_TEST(RasterBuffer, ScratchCarriesNothingBetweenShapes) {
  using P = TypeParam;
  TestImage<P> first(8, 40);
  drawSampleShapes<P>(first.base(), 8, 40, first.stride(), 0);

  TestImage<P> big(300, 700);
  const auto colour = Depth<P>::colour();
  DrawThickLine<P>(Surface<P>{big.base(), 300, 700, big.stride()}, 5, 0, 290, 699, 3.0f, colour, 1);
  FillCircle<P>(Surface<P>{big.base(), 300, 700, big.stride()}, 150, 350, 140, colour, 1);
  FillTriangle<P>(Surface<P>{big.base(), 300, 700, big.stride()}, {0, 0}, {299, 3}, {10, 699}, colour, 1);

  TestImage<P> again(8, 40);
  drawSampleShapes<P>(again.base(), 8, 40, again.stride(), 0);
  EXPECT_EQ(again.pixels(), first.pixels());

  std::vector<TestImage<P>> images(4, TestImage<P>(8, 40));
  std::vector<std::thread> threads;
  for (auto& img : images) {
    threads.emplace_back([&img] {
      for (int i = 0; i < 50; ++i) {
        img.Fill(0, 0, 0, 0);
        drawSampleShapes<P>(img.base(), 8, 40, img.stride(), 0);
      }
    });
  }
  for (auto& t : threads) t.join();
  for (const auto& img : images) EXPECT_EQ(img.pixels(), first.pixels());
}

// Row offsets beyond 2^31 channels: a three-row buffer whose rows are 2^30 channels apart,
// reserved but never committed except where drawn, against the same picture in a compact buffer.
TYPED_TEST(RasterBuffer, OffsetsBeyond32Bits) {
  using P = TypeParam;
  using Ch = typename P::Channel;
  constexpr int32_t kStride = (1 << 30) + 64;
  const std::size_t bytes = (2 * static_cast<std::size_t>(kStride) + 16) * sizeof(Ch);
  void* map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (map == MAP_FAILED) GTEST_SKIP() << "cannot reserve " << bytes << " bytes";
  Ch* base = static_cast<Ch*>(map);

  TestImage<P> compact(4, 3);
  const auto colour = Depth<P>::colour();
  const auto o = Depth<P>::part();
  for (auto [b, s] : {std::pair{base, kStride}, std::pair{compact.base(), compact.stride()}}) {
    DrawThickLine<P>(Surface<P>{b, 4, 3, s}, 0, 2, 3, 1, 1.0f, colour, o);
    DrawJoinedSegment<P>(Surface<P>{b, 4, 3, s}, 3, 2, 0, 2, 1.0f, 0, 0, colour, o);
    DrawCircleOutline<P>(Surface<P>{b, 4, 3, s}, 1, 2, 1, colour, o);
    FillCircle<P>(Surface<P>{b, 4, 3, s}, 2, 2, 1, colour, o);
    FillTriangle<P>(Surface<P>{b, 4, 3, s}, {0, 2}, {3, 2}, {2, 1}, colour, o);
    FillQuad<P>(Surface<P>{b, 4, 3, s}, {0, 1}, {3, 2}, {2, 2}, {1, 2}, colour, o);
    FillRect<P>(Surface<P>{b, 4, 3, s}, 1, 2, 3, 2, colour, o);
  }
  for (int32_t y = 0; y < 3; ++y) {
    const Ch* row = base + static_cast<std::ptrdiff_t>(y) * kStride;
    const auto expected = compact.window(0, y, 4, 1);
    EXPECT_EQ(std::vector<unsigned char>(reinterpret_cast<const unsigned char*>(row),
                                         reinterpret_cast<const unsigned char*>(row + 16)),
              expected)
        << "row " << y;
  }
  munmap(map, bytes);
}

}  // namespace
}  // namespace morvane
