#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "raster/circle.h"
#include "tests/raster/raster_test_util.h"

namespace morvane {
namespace {

using test::Depth;
using test::shapeColour;
using test::TestImage;

// On a transparent pixel one blend leaves alpha = coverage at every depth, so alpha reads back
// the coverage of a pixel that receives a single blend with non-zero coverage.
template <class P>
struct OutlineCoverage {
  typename P::Coverage opacity;
  typename P::Channel inner;  // (cx + 9, cy + 3) of radius 10
  typename P::Channel outer;  // (cx + 10, cy + 3)
};

template <class P>
void expectRadius10(const OutlineCoverage<P>& c) {
  TestImage<P> img(30, 30);
  DrawCircleOutline<P>(Surface<P>{img.base(), 30, 30, img.stride()}, 12, 12, 10, Depth<P>::colour(), c.opacity);
  EXPECT_EQ(img.at(21, 15)[0], c.inner);
  EXPECT_EQ(img.at(22, 15)[0], c.outer);
  // The same step mirrored into the other octants.
  EXPECT_EQ(img.at(3, 9)[0], c.inner);
  EXPECT_EQ(img.at(15, 2)[0], c.outer);
  EXPECT_TRUE(img.OutsideIntact());
}

TEST(RasterCircle, OutlineRadius10Coverage) {
  // s = sqrt(91) = 9.539...: the fraction 0.539 goes outside, the rest inside.
  expectRadius10<Pixel8>({255, 117, 137});
  expectRadius10<Pixel16>({32768, 15093, 17674});
  expectRadius10<PixelFloat>({1.0f, 0.460607976f, 0.539391994f});
}

// Which pixels a circle touches on a transparent buffer whose colour channels hold 77: alpha
// above 0 = covered, colour changed but alpha 0 = zero-coverage blends only.
struct Touched {
  std::set<std::pair<int, int>> covered, recoloured;
};

Touched touched(TestImage<Pixel8>& img) {
  Touched t;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const uint8_t* px = img.at(x, y);
      if (px[0] != 0) t.covered.insert({x, y});
      else if (px[1] != 77) t.recoloured.insert({x, y});
    }
  }
  return t;
}

TEST(RasterCircle, OutlineSmallRadii) {
  const auto colour = shapeColour<Pixel8>(10, 20, 30);
  {
    // Radius 1: each axis neighbour receives four blends of the full opacity (opacity 100:
    // alpha 0 → 100 → 160 → 197 → 219); diagonals and the pixels two out only zero-coverage
    // blends; the centre nothing.
    TestImage<Pixel8> img(9, 9);
    img.Fill(0, 77, 77, 77);
    DrawCircleOutline<Pixel8>(Surface<Pixel8>{img.base(), 9, 9, img.stride()}, 4, 4, 1, colour, 100);
    const Touched t = touched(img);
    EXPECT_EQ(t.covered, (std::set<std::pair<int, int>>{{3, 4}, {5, 4}, {4, 3}, {4, 5}}));
    for (const auto& [x, y] : t.covered) EXPECT_EQ(img.at(x, y)[0], 219);
    EXPECT_EQ(t.recoloured, (std::set<std::pair<int, int>>{
                                {3, 3}, {5, 3}, {3, 5}, {5, 5}, {2, 4}, {6, 4}, {4, 2}, {4, 6}}));
  }
  {
    // Radius 0: eight full blends on the centre (alpha 249 at opacity 100), zero-coverage
    // blends on the axis neighbours; step k = 1 has a negative root and draws nothing.
    TestImage<Pixel8> img(9, 9);
    img.Fill(0, 77, 77, 77);
    DrawCircleOutline<Pixel8>(Surface<Pixel8>{img.base(), 9, 9, img.stride()}, 4, 4, 0, colour, 100);
    const Touched t = touched(img);
    EXPECT_EQ(t.covered, (std::set<std::pair<int, int>>{{4, 4}}));
    EXPECT_EQ(img.at(4, 4)[0], 249);
    EXPECT_EQ(t.recoloured, (std::set<std::pair<int, int>>{{3, 4}, {5, 4}, {4, 3}, {4, 5}}));
  }
}

TEST(RasterCircle, FillRadius3SpansAndFringe) {
  TestImage<Pixel8> img(30, 30);
  img.Fill(0, 77, 77, 77);
  FillCircle<Pixel8>(Surface<Pixel8>{img.base(), 30, 30, img.stride()}, 10, 10, 3, shapeColour<Pixel8>(10, 20, 30),
                     255);
  const std::pair<int, int> spans[] = {{10, 10}, {8, 12}, {8, 12}, {7, 13},
                                       {8, 12},  {8, 12}, {10, 10}};  // rows 7..13
  std::set<std::pair<int, int>> spanPixels;
  for (int row = 7; row <= 13; ++row) {
    for (int x = spans[row - 7].first; x <= spans[row - 7].second; ++x) {
      spanPixels.insert({x, row});
      const uint8_t* px = img.at(x, row);
      EXPECT_EQ(px[0], 255);
      EXPECT_EQ(px[1], 30);
      EXPECT_EQ(px[3], 10);
    }
  }
  const std::set<std::pair<int, int>> fringe211 = {{13, 11}, {7, 11}, {7, 9},  {13, 9},
                                                   {11, 13}, {9, 13}, {9, 7},  {11, 7}};
  const std::set<std::pair<int, int>> fringe60 = {{13, 12}, {7, 12}, {7, 8},  {13, 8},
                                                  {12, 13}, {8, 13}, {8, 7},  {12, 7}};
  for (const auto& [x, y] : fringe211) EXPECT_EQ(img.at(x, y)[0], 211) << x << "," << y;
  for (const auto& [x, y] : fringe60) EXPECT_EQ(img.at(x, y)[0], 60) << x << "," << y;

  const Touched t = touched(img);
  std::set<std::pair<int, int>> covered = spanPixels;
  covered.insert(fringe211.begin(), fringe211.end());
  covered.insert(fringe60.begin(), fringe60.end());
  EXPECT_EQ(t.covered, covered);
  // Zero-coverage fringe of the k = 0 step, vertical pairs included for radius 3.
  EXPECT_EQ(t.recoloured, (std::set<std::pair<int, int>>{{14, 10}, {6, 10}, {10, 14}, {10, 6}}));
}

TEST(RasterCircle, FillRadius3FringeAtEveryDepth) {
  // f = sqrt(8) − 2 on row 11 and sqrt(5) − 2 on row 12, scaled to each depth.
  TestImage<Pixel16> i16(30, 30);
  FillCircle<Pixel16>(Surface<Pixel16>{i16.base(), 30, 30, i16.stride()}, 10, 10, 3, Depth<Pixel16>::colour(), 32768);
  EXPECT_EQ(i16.at(13, 11)[0], 27145);
  EXPECT_EQ(i16.at(13, 12)[0], 7735);
  TestImage<PixelFloat> iF(30, 30);
  FillCircle<PixelFloat>(Surface<PixelFloat>{iF.base(), 30, 30, iF.stride()}, 10, 10, 3, Depth<PixelFloat>::colour(),
                         1.0f);
  EXPECT_EQ(iF.at(13, 11)[0], 0.828427136f);
  EXPECT_EQ(iF.at(13, 12)[0], 0.236067981f);
}

TEST(RasterCircle, FillRadius2HasNoVerticalFringe) {
  // Radius ≤ 2 records and blends only the horizontal pairs: the pixels just above and below
  // the disc stay untouched, while radius 3 reaches them with zero-coverage blends.
  for (int radius : {2, 3}) {
    TestImage<Pixel8> img(20, 20);
    img.Fill(0, 77, 77, 77);
    FillCircle<Pixel8>(Surface<Pixel8>{img.base(), 20, 20, img.stride()}, 10, 10, radius,
                       shapeColour<Pixel8>(10, 20, 30), 255);
    const Touched t = touched(img);
    const bool reached = t.recoloured.count({10, 10 + radius + 1}) != 0;
    EXPECT_EQ(reached, radius > 2) << radius;
    EXPECT_EQ(t.covered.count({10, 10 + radius}), 1u) << radius;
    EXPECT_EQ(t.covered.count({10, 10 + radius + 1}), 0u) << radius;
  }
}

}  // namespace
}  // namespace morvane
