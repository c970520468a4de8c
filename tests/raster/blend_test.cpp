#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "raster/blend.h"
#include "tests/raster/raster_test_util.h"

namespace morvane {
namespace {

using test::shapeColour;
using test::TestImage;

// One blend onto one pixel: pixel before (alpha, red, green, blue), colour (blue, green, red),
// coverage, pixel after.
template <class Ch, class Cov>
struct BlendCase {
  Ch before[4];
  Ch colour[3];
  Cov coverage;
  Ch after[4];
};

template <class P, class Case>
void expectBlend(const Case& c) {
  TestImage<P> img(3, 2);
  typename P::Channel* px = img.at(1, 1);
  for (int i = 0; i < 4; ++i) px[i] = c.before[i];
  BlendPixel<P>(Surface<P>{img.base(), 3, 2, img.stride()}, 1, 1,
                shapeColour<P>(c.colour[0], c.colour[1], c.colour[2]), c.coverage);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(px[i], c.after[i]) << "channel " << i;
}

TEST(RasterBlend, EightBit) {
  const BlendCase<uint8_t, uint8_t> cases[] = {
      // alpha 100 + coverage 100: alpha 160, weight 159
      {{100, 0, 0, 0}, {255, 255, 255}, 100, {160, 159, 159, 159}},
      // coverage 0 on a transparent pixel: weight 255, the colour is taken, alpha stays 0
      {{0, 77, 77, 77}, {10, 20, 30}, 0, {0, 30, 20, 10}},
      {{0, 77, 77, 77}, {10, 20, 30}, 128, {128, 30, 20, 10}},
      {{255, 0, 0, 0}, {255, 255, 255}, 128, {255, 128, 128, 128}},
      // full coverage replaces exactly, whatever the pixel held
      {{37, 250, 3, 90}, {10, 20, 30}, 255, {255, 30, 20, 10}},
      {{255, 250, 3, 90}, {0, 255, 7}, 255, {255, 7, 255, 0}},
  };
  for (const auto& c : cases) expectBlend<Pixel8>(c);
}

TEST(RasterBlend, SixteenBit) {
  const BlendCase<uint16_t, uint16_t> cases[] = {
      {{16384, 0, 0, 0}, {32768, 32768, 32768}, 16384, {24576, 21845, 21845, 21845}},
      {{32768, 0, 0, 0}, {32768, 32768, 32768}, 5, {32768, 5, 5, 5}},
      {{0, 77, 77, 77}, {10, 20, 30}, 32768, {32768, 30, 20, 10}},
      {{12345, 30000, 3, 900}, {1, 2, 3}, 32768, {32768, 3, 2, 1}},
      // Malformed values above white: the products pass 32 bits; low 16 bits of the exact result.
      {{65535, 65535, 65535, 65535}, {65535, 65535, 65535}, 65535, {2, 65535, 65535, 65535}},
      {{65535, 60000, 60000, 60000}, {1000, 2000, 3000}, 65535, {2, 40036, 38536, 37036}},
      // A coverage above 32768 (a source alpha above white) with a bright colour channel.
      {{32768, 20000, 20000, 20000}, {60000, 30000, 10}, 40000, {32768, 61135, 32207, 3292}},
  };
  for (const auto& c : cases) expectBlend<Pixel16>(c);
}

TEST(RasterBlend, Float) {
  const BlendCase<float, float> cases[] = {
      {{0.25f, 1.0f, 0.5f, 0.0f}, {1.0f, 0.25f, 2.0f}, 0.5f,
       {0.625f, 1.79999995f, 0.300000012f, 0.800000012f}},
      // a' = 0 gives weight 1: the colour is taken while the pixel stays transparent
      {{0.0f, 0.3f, 0.3f, 0.3f}, {0.1f, 0.2f, 0.3f}, 0.0f, {0.0f, 0.3f, 0.2f, 0.1f}},
      // nothing is clamped: coverage above 1 and colours outside 0..1 pass through
      {{0.5f, 0.5f, 0.5f, 0.5f}, {1.5f, -0.5f, 0.25f}, 2.0f,
       {1.5f, 0.166666657f, -0.833333373f, 1.83333325f}},
  };
  for (const auto& c : cases) expectBlend<PixelFloat>(c);

  TestImage<PixelFloat> img(1, 1);
  img.at(0, 0)[0] = std::nanf("");
  BlendPixel<PixelFloat>(Surface<PixelFloat>{img.base(), 1, 1, img.stride()}, 0, 0, shapeColour<PixelFloat>(1, 1, 1),
                         0.5f);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::isnan(img.at(0, 0)[i])) << i;
}

// Infinite channels and alphas: Inf × 0 and Inf − Inf must not turn into NaN. Each case goes
// through both float blend paths, the per-pixel blend (stroke edges, circles) and the
// fixed-coverage blend (rectangles, polygon spans, stroke cores), which must agree.
TEST(RasterBlend, FloatInfinitiesNeverBecomeNaN) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const BlendCase<float, float> cases[] = {
      // full coverage replaces an infinite pixel: the old value's weight is 0
      {{1.0f, kInf, -kInf, 0.5f}, {0.1f, 0.2f, 0.3f}, 1.0f, {1.0f, 0.3f, 0.2f, 0.1f}},
      // a' = 0 takes the colour as it is (weight 1), infinite or not
      {{0.0f, 0.3f, 0.3f, 0.3f}, {kInf, 0.2f, -kInf}, 0.0f, {0.0f, -kInf, 0.2f, kInf}},
      // an infinite colour over an opaque pixel at coverage 0: weight 0, the pixel is kept
      {{1.0f, 0.3f, 0.4f, 0.5f}, {kInf, -kInf, kInf}, 0.0f, {1.0f, 0.3f, 0.4f, 0.5f}},
      // +Inf laid over −Inf: the larger weight wins
      {{1.0f, -kInf, 0.5f, 0.5f}, {0.5f, 0.5f, kInf}, 0.75f, {1.0f, kInf, 0.5f, 0.5f}},
      {{1.0f, -kInf, 0.5f, 0.5f}, {0.5f, 0.5f, kInf}, 0.25f, {1.0f, -kInf, 0.5f, 0.5f}},
      // infinite alpha: a' = a·(1 − c) + c
      {{kInf, 0.5f, 0.5f, 0.5f}, {0.1f, 0.1f, 0.1f}, 0.5f, {kInf, 0.5f, 0.5f, 0.5f}},
      {{-kInf, 0.5f, 0.5f, 0.5f}, {0.1f, 0.1f, 0.1f}, 0.5f, {-kInf, 0.5f, 0.5f, 0.5f}},
      {{kInf, 0.5f, 0.5f, 0.5f}, {0.1f, 0.2f, 0.3f}, 1.0f, {1.0f, 0.3f, 0.2f, 0.1f}},
      // finite but huge: a coverage of 1e38 (a source alpha far above white) overflows both
      // terms of the mix to −Inf and +Inf
      {{1.0f, 10.0f, 10.0f, 10.0f}, {10.0f, 10.0f, 10.0f}, 1e38f, {1.0f, 10.0f, 10.0f, 10.0f}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    expectBlend<PixelFloat>(c);
    float px[4] = {c.before[0], c.before[1], c.before[2], c.before[3]};
    FixedCoverageBlend<PixelFloat> blend(shapeColour<PixelFloat>(c.colour[0], c.colour[1], c.colour[2]),
                                         c.coverage);
    blend(px);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(px[i], c.after[i]) << "fixed-coverage blend, channel " << i;
  }
}

TEST(RasterBlend, OutsideTheBufferChangesNothing) {
  TestImage<Pixel8> img(4, 3);
  img.Fill(9, 9, 9, 9);
  const auto before = img.pixels();
  const int32_t outside[][2] = {{4, 0}, {-1, 0}, {0, -1}, {0, 3}, {-1, -1}, {4, 3},
                                {INT32_MIN, 1}, {1, INT32_MAX}};
  for (const auto& p : outside) {
    BlendPixel<Pixel8>(Surface<Pixel8>{img.base(), 4, 3, img.stride()}, p[0], p[1], shapeColour<Pixel8>(1, 2, 3),
                       255);
  }
  EXPECT_EQ(img.pixels(), before);
  EXPECT_TRUE(img.OutsideIntact());
}

}  // namespace
}  // namespace morvane
