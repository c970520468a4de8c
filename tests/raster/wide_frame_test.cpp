// Frames wider than the columns the rasterisers once used to mark an empty table row (777777 for
// polygon spans and stroke rows, 77777 for circle spans): a span that starts exactly there is a
// real span and is painted.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "raster/circle.h"
#include "raster/polygon.h"
#include "raster/stroke.h"

namespace morvane {
namespace {

struct WideImage {
  int32_t width, height;
  std::vector<uint8_t> pixels;
  WideImage(int32_t w, int32_t h)
      : width(w), height(h), pixels(static_cast<size_t>(w) * h * 4, 0) {}
  Surface<Pixel8> surface() { return {pixels.data(), width, height, width * 4}; }
  const uint8_t* at(int32_t x, int32_t y) const {
    return &pixels[(static_cast<size_t>(y) * width + x) * 4];
  }
};

const ShapeColour<Pixel8> kColour{{30, 20, 10, 255}};  // blue, green, red

TEST(RasterWideFrame, PolygonSpanStartingAtColumn777777IsPainted) {
  WideImage image(777800, 4);
  FillQuad<Pixel8>(image.surface(), {777777, 0}, {777790, 0}, {777790, 3}, {777777, 3}, kColour,
                   255);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x : {777777, 777783, 777790}) {
      SCOPED_TRACE(::testing::Message() << x << "," << y);
      EXPECT_EQ(image.at(x, y)[0], 255);
      EXPECT_EQ(image.at(x, y)[1], 10);
    }
  }
  EXPECT_EQ(image.at(777776, 1)[0], 0);
}

TEST(RasterWideFrame, CircleSpanStartingAtColumn77777IsPainted) {
  WideImage image(77800, 30);
  // The centre row's span runs from 77787 − 10 = 77777 to 77797.
  FillCircle<Pixel8>(image.surface(), 77787, 15, 10, kColour, 255);
  for (int32_t x : {77778, 77787, 77796}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(image.at(x, 15)[0], 255);
    EXPECT_EQ(image.at(x, 15)[3], 30);
  }
}

TEST(RasterWideFrame, StrokeRowTracedAtColumn777777KeepsItsEntry) {
  std::vector<int32_t> rows(4, INT32_MAX);
  TraceSegmentRows(777777, 0, 777777, 3, rows.data(), 4);
  EXPECT_EQ(rows, std::vector<int32_t>(4, 777777));
}

}  // namespace
}  // namespace morvane
