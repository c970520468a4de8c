#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "raster/blend.h"
#include "raster/rect.h"
#include "tests/raster/raster_test_util.h"

namespace morvane {
namespace {

using test::AllDepths;
using test::Depth;
using test::TestImage;

template <class P>
class RasterRect : public ::testing::Test {};
TYPED_TEST_SUITE(RasterRect, AllDepths);

// Against the obvious version: every pixel inside both corners' bounds, one blend each.
TYPED_TEST(RasterRect, MatchesPerPixelReference) {
  using P = TypeParam;
  std::vector<std::array<int32_t, 4>> rects = {
      {3, 2, 9, 7},     {9, 7, 3, 2},    {9, 2, 3, 7},     // corner order does not matter
      {5, 5, 5, 5},     {4, 1, 4, 11},                      // one pixel, one column
      {16, 0, 20, 5},   {0, 12, 5, 20},                     // starts exactly at width / height
      {-5, -5, 40, 40}, {-3, 4, 2, 6},   {14, 9, 30, 30},   // larger than, or across the border
      {-9, -9, -1, 20}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {INT32_MAX, 0, INT32_MAX, 5},
  };
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> coord(-6, 22);
  for (int i = 0; i < 40; ++i) rects.push_back({coord(rng), coord(rng), coord(rng), coord(rng)});

  for (const auto& r : rects) {
    TestImage<P> img(16, 12), ref(16, 12);
    img.Fill(Depth<P>::part(), 0, 0, 0);
    ref.Fill(Depth<P>::part(), 0, 0, 0);
    const auto colour = Depth<P>::colour();
    FillRect<P>(Surface<P>{img.base(), 16, 12, img.stride()}, r[0], r[1], r[2], r[3], colour, Depth<P>::part());
    for (int32_t y = 0; y < 12; ++y) {
      for (int32_t x = 0; x < 16; ++x) {
        if (x >= std::min(r[0], r[2]) && x <= std::max(r[0], r[2]) && y >= std::min(r[1], r[3]) &&
            y <= std::max(r[1], r[3])) {
          BlendPixel<P>(Surface<P>{ref.base(), 16, 12, ref.stride()}, x, y, colour, Depth<P>::part());
        }
      }
    }
    EXPECT_EQ(img.pixels(), ref.pixels()) << r[0] << "," << r[1] << " " << r[2] << "," << r[3];
    EXPECT_TRUE(img.OutsideIntact());
  }
}

TEST(RasterRectFullOpacity, IntegerDepthsGiveTheExactColour) {
  TestImage<Pixel16> img(6, 6);
  img.Fill(60000, 123, 40000, 7);  // malformed values above white
  const auto colour = Depth<Pixel16>::colour();
  FillRect<Pixel16>(Surface<Pixel16>{img.base(), 6, 6, img.stride()}, 1, 1, 4, 4, colour, 32768);
  for (int32_t y = 1; y <= 4; ++y) {
    for (int32_t x = 1; x <= 4; ++x) {
      const uint16_t* px = img.at(x, y);
      EXPECT_EQ(px[0], 32768);
      EXPECT_EQ(px[1], colour.channel[2]);
      EXPECT_EQ(px[2], colour.channel[1]);
      EXPECT_EQ(px[3], colour.channel[0]);
    }
  }
}

}  // namespace
}  // namespace morvane
