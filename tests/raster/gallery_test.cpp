// A picture of every rasteriser at a few sizes, widths and opacities, at the three depths, for
// looking at: strokes smooth, caps round, fills closed, edges anti-aliased. Disabled by default;
// run with
//   raster_tests --gtest_also_run_disabled_tests --gtest_filter='RasterGallery.*'
// and it writes /tmp/morvane-raster-gallery.ppm (one row of panels per depth, over a checker).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "raster/circle.h"
#include "raster/polygon.h"
#include "raster/rect.h"
#include "raster/stroke.h"
#include "tests/raster/raster_test_util.h"

namespace morvane {
namespace {

using test::Depth;
using test::shapeColour;
using test::TestImage;

constexpr int32_t kPanel = 160;
constexpr int32_t kPanels = 8;

template <class P>
typename P::Coverage scaled(double share) {
  return static_cast<typename P::Coverage>(share * P::kFull);
}

template <class P>
void drawPanels(TestImage<P>& img) {
  using Ch = typename P::Channel;
  auto* b = img.base();
  const int32_t w = img.width(), h = img.height(), s = img.stride();
  const auto red = shapeColour<P>(Ch(scaled<P>(0.1)), Ch(scaled<P>(0.2)), Ch(scaled<P>(0.9)));
  const auto blue = shapeColour<P>(Ch(scaled<P>(0.9)), Ch(scaled<P>(0.4)), Ch(scaled<P>(0.1)));
  const auto full = Depth<P>::full();
  const auto half = scaled<P>(0.5);
  int32_t x0 = 0;
  // 1: a star of free segments at widths 1, 1.8, 3 and 6.
  const float widths[] = {1.0f, 1.8f, 3.0f, 6.0f};
  for (int i = 0; i < 16; ++i) {
    const double a = i * 3.14159265358979 / 8;
    const float lw = widths[i % 4];
    DrawThickLine<P>(Surface<P>{b, w, h, s}, x0 + 80, 80, x0 + 80 + int32_t(70 * std::cos(a)),
                     80 + int32_t(70 * std::sin(a)), lw, i % 2 ? red : blue, i < 8 ? full : half);
  }
  // 2: joined zigzag chains at widths 2 and 5, at half opacity so a double-drawn join shows.
  x0 += kPanel;
  for (int row = 0; row < 2; ++row) {
    const float lw = row ? 5.0f : 2.0f;
    const int32_t ys[] = {20, 60, 25, 70, 30, 65};
    for (int i = 0; i + 2 < 6; ++i) {
      DrawJoinedSegment<P>(Surface<P>{b, w, h, s}, x0 + 10 + 28 * i, ys[i] + 75 * row, x0 + 10 + 28 * (i + 1),
                           ys[i + 1] + 75 * row, lw, x0 + 10 + 28 * (i + 2), ys[i + 2] + 75 * row,
                           red, half);
    }
    DrawThickLine<P>(Surface<P>{b, w, h, s}, x0 + 10 + 28 * 4, ys[4] + 75 * row, x0 + 10 + 28 * 5,
                     ys[5] + 75 * row, lw, red, half);
  }
  // 3: circle outlines.
  x0 += kPanel;
  for (int32_t r : {3, 8, 20, 40, 70}) DrawCircleOutline<P>(Surface<P>{b, w, h, s}, x0 + 80, 80, r, blue, full);
  // 4: filled circles at several opacities.
  x0 += kPanel;
  FillCircle<P>(Surface<P>{b, w, h, s}, x0 + 50, 50, 35, red, full);
  FillCircle<P>(Surface<P>{b, w, h, s}, x0 + 110, 110, 40, blue, half);
  FillCircle<P>(Surface<P>{b, w, h, s}, x0 + 120, 35, 15, blue, full);
  FillCircle<P>(Surface<P>{b, w, h, s}, x0 + 30, 120, 6, red, full);
  FillCircle<P>(Surface<P>{b, w, h, s}, x0 + 55, 135, 2, red, full);
  // 5: triangles.
  x0 += kPanel;
  FillTriangle<P>(Surface<P>{b, w, h, s}, {x0 + 10, 10}, {x0 + 150, 40}, {x0 + 40, 100}, red, full);
  FillTriangle<P>(Surface<P>{b, w, h, s}, {x0 + 90, 70}, {x0 + 150, 150}, {x0 + 20, 140}, blue, half);
  FillTriangle<P>(Surface<P>{b, w, h, s}, {x0 + 120, 90}, {x0 + 132, 95}, {x0 + 118, 104}, red, full);
  // 6: squares as quads, turned.
  x0 += kPanel;
  FillQuad<P>(Surface<P>{b, w, h, s}, {x0 + 20, 60}, {x0 + 70, 10}, {x0 + 120, 60}, {x0 + 70, 110}, blue, full);
  FillQuad<P>(Surface<P>{b, w, h, s}, {x0 + 90, 90}, {x0 + 150, 105}, {x0 + 135, 155}, {x0 + 75, 140}, red, half);
  // 7: rectangles.
  x0 += kPanel;
  FillRect<P>(Surface<P>{b, w, h, s}, x0 + 10, 10, x0 + 90, 70, red, full);
  FillRect<P>(Surface<P>{b, w, h, s}, x0 + 150, 150, x0 + 50, 40, blue, half);
  // 8: a curve from the Bezier sampler, as the shape drawing joins its samples.
  x0 += kPanel;
  const float px[] = {10, 150, 20}, py[] = {150, 80, 10};
  for (float lw : {1.5f, 4.0f}) {
    int32_t prevX = 0, prevY = 0;
    for (int i = 0; i <= 10; ++i) {
      const float t = i / 10.0f;
      const int32_t x = x0 + (lw > 2 ? 0 : 8) + int32_t(QuadraticBezier(px[0], px[1], px[2], t));
      const int32_t y = int32_t(QuadraticBezier(py[0], py[1], py[2], t));
      if (i) DrawThickLine<P>(Surface<P>{b, w, h, s}, prevX, prevY, x, y, lw, lw > 2 ? blue : red, full);
      prevX = x;
      prevY = y;
    }
  }
}

template <class P>
void composite(TestImage<P>& img, std::vector<unsigned char>& rgb, int32_t row0, int32_t width) {
  for (int32_t y = 0; y < img.height(); ++y) {
    for (int32_t x = 0; x < img.width(); ++x) {
      const auto* px = img.at(x, y);
      const double a = std::clamp(double(px[0]) / P::kFull, 0.0, 1.0);
      const double bg = ((x / 8 + y / 8) % 2) ? 0.85 : 0.65;
      for (int c = 0; c < 3; ++c) {
        const double v = std::clamp(double(px[1 + c]) / P::kFull, 0.0, 1.0);
        rgb[3 * (std::size_t(row0 + y) * width + x) + c] =
            static_cast<unsigned char>(std::lround(255 * (v * a + bg * (1 - a))));
      }
    }
  }
}

TEST(RasterGallery, DISABLED_WritePicture) {
  const int32_t width = kPanel * kPanels, height = kPanel * 3;
  std::vector<unsigned char> rgb(std::size_t(width) * height * 3);
  TestImage<Pixel8> i8(width, kPanel);
  TestImage<Pixel16> i16(width, kPanel);
  TestImage<PixelFloat> iF(width, kPanel);
  drawPanels(i8);
  drawPanels(i16);
  drawPanels(iF);
  composite(i8, rgb, 0, width);
  composite(i16, rgb, kPanel, width);
  composite(iF, rgb, 2 * kPanel, width);
  FILE* f = std::fopen("/tmp/morvane-raster-gallery.ppm", "wb");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  std::fwrite(rgb.data(), 1, rgb.size(), f);
  std::fclose(f);
}

}  // namespace
}  // namespace morvane
