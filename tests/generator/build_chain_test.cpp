#include "generator/build_chain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "tests/generator/generator_test_support.h"

namespace morvane {
namespace {

using test::TestImage;

TEST(GeneratorMirror, ReflectsEveryCoordinateIntoTheImage) {
  const struct {
    int32_t c, extent, mirrored;
  } cases[] = {
      {0, 10, 0},
      {9, 10, 9},
      {-1, 10, 1},
      {-9, 10, 9},
      {-10, 10, 0},
      {-11, 10, 1},
      {10, 10, 0},
      {11, 10, 9},
      {19, 10, 1},
      {20, 10, 0},
      // Beyond twice the extent the first reflection lands below 0 and is reflected again.
      {21, 10, 1},
      {35, 10, 5},
      {11, 3, 2},
      {12, 3, 0},
      {1000, 1, 0},
      {-1000, 1, 0},
      {INT32_MAX, 7, static_cast<int32_t>((static_cast<int64_t>(INT32_MAX) - 14) % 7)},
      {INT32_MIN, 7, static_cast<int32_t>((-static_cast<int64_t>(INT32_MIN)) % 7)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MirrorCoordinate(c.c, c.extent), c.mirrored) << c.c << " in " << c.extent;
  }
}

// Colours a chain can and cannot step onto, at each depth's scale: `near` differs from `base`
// by exactly the threshold in red, `far` by one step more.
template <class P>
struct MatchLevels;
template <>
struct MatchLevels<Pixel8> {
  static constexpr int32_t threshold = 4;
  static constexpr uint8_t base = 100, near = 104, far = 105;
};
template <>
struct MatchLevels<Pixel16> {
  static constexpr int32_t threshold = 514;
  static constexpr uint16_t base = 12849, near = 13363, far = 13364;
};
template <>
struct MatchLevels<PixelFloat> {
  static constexpr float threshold = 0.25f;
  static constexpr float base = 0.5f, near = 0.75f, far = 0.7539062f;
};

template <class P>
class GeneratorChain : public ::testing::Test {
 protected:
  using Ch = typename P::Channel;
  using Levels = MatchLevels<P>;

  // Colour with the given red; green, blue and alpha fixed.
  static void Paint(TestImage<P>& image, int32_t x, int32_t y, Ch red) {
    image.Set(x, y, test::ChannelFromByte<P>(255), red, Levels::base, Levels::base);
  }
  static void PaintAll(TestImage<P>& image, Ch red) {
    for (int32_t y = 0; y < image.height; ++y)
      for (int32_t x = 0; x < image.width; ++x) Paint(image, x, y, red);
  }
  static void PaintRows(TestImage<P>& image, int32_t fromRow, Ch red) {
    for (int32_t y = fromRow; y < image.height; ++y)
      for (int32_t x = 0; x < image.width; ++x) Paint(image, x, y, red);
  }

  // Straight down: angle 0, no randomization, a 1-degree range (one candidate per ring).
  static GeneratorSettings<P> Downwards(int32_t size, int32_t growth, int32_t steps) {
    GeneratorSettings<P> s;
    s.shapeType = kLine;
    s.recursionSteps = steps;
    s.recursive = steps > 1 ? 1 : 0;
    s.size = size;
    s.sizeGrowth = growth;
    s.startAngle = 0;
    s.angleRandomization = 0;
    s.angleRange = 1;
    s.matchThreshold = Levels::threshold;
    return s;
  }

  static std::vector<std::pair<int32_t, int32_t>> Build(const TestImage<P>& image, int32_t x0,
                                                        int32_t y0, const GeneratorSettings<P>& s,
                                                        RandomSource& random,
                                                        std::vector<int32_t>* radii = nullptr) {
    const Ch* px = image.at(x0, y0);
    const ShapeColour<P> source{{px[3], px[2], px[1], px[0]}};
    Chain chain;
    const int32_t m = BuildChain<P>(image.view(), x0, y0, source, s, SweepAnglesOf(s), random, chain);
    EXPECT_EQ(m, chain.count);
    std::vector<std::pair<int32_t, int32_t>> points;
    for (int32_t j = 0; j < m; ++j) points.emplace_back(chain.x[j], chain.y[j]);
    if (radii) radii->assign(chain.radius, chain.radius + (m > 0 ? m - 1 : 0));
    return points;
  }
  using Points = std::vector<std::pair<int32_t, int32_t>>;
};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(GeneratorChain, Depths);

TYPED_TEST(GeneratorChain, FlatColourStepsStraightDown) {
  using P = TypeParam;
  TestImage<P> image(9, 40);
  this->PaintAll(image, TestFixture::Levels::base);
  RandomSource random(1);
  std::vector<int32_t> radii;
  const auto points = this->Build(image, 4, 2, this->Downwards(3, 2, 5), random, &radii);
  EXPECT_EQ(points,
            (typename TestFixture::Points{{4, 2}, {4, 5}, {4, 8}, {4, 11}, {4, 14}, {4, 17}}));
  EXPECT_EQ(radii, (std::vector<int32_t>{3, 3, 3, 3, 3}));
  EXPECT_EQ(random.Next(), 41);  // no randomization, no draw
}

TYPED_TEST(GeneratorChain, StopsAtAColourBeyondTheThreshold) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  TestImage<P> image(9, 40);
  this->PaintAll(image, L::base);
  this->PaintRows(image, 10, L::far);
  RandomSource random(1);
  // From (4, 8) the rings 3, 4, 5 reach rows 11..13, all of the other colour.
  EXPECT_EQ(this->Build(image, 4, 2, this->Downwards(3, 2, 5), random),
            (typename TestFixture::Points{{4, 2}, {4, 5}, {4, 8}}));

  // A difference of exactly the threshold still matches.
  this->PaintRows(image, 10, L::near);
  EXPECT_EQ(this->Build(image, 4, 2, this->Downwards(3, 2, 5), random).size(), 6u);
}

TYPED_TEST(GeneratorChain, GrowsTheRingUntilAMatch) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  TestImage<P> image(9, 40);
  this->PaintAll(image, L::base);
  for (int32_t y : {5, 6}) this->Paint(image, 4, y, L::far);
  RandomSource random(1);
  std::vector<int32_t> radii;
  // Rings 3 and 4 land on the other colour; ring 5 finds (4, 7).
  EXPECT_EQ(this->Build(image, 4, 2, this->Downwards(3, 2, 1), random, &radii),
            (typename TestFixture::Points{{4, 2}, {4, 7}}));
  EXPECT_EQ(radii, (std::vector<int32_t>{5}));
}

TYPED_TEST(GeneratorChain, ComparesWithTheStartingColourNotThePreviousPoint) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  TestImage<P> image(9, 40);
  this->PaintAll(image, L::base);
  this->Paint(image, 4, 5, L::near);  // matches the start colour
  // (4, 8) is within the threshold of (4, 5) but not of the start colour.
  this->Paint(image, 4, 8, static_cast<typename P::Channel>(L::near + (L::near - L::base)));
  RandomSource random(1);
  EXPECT_EQ(this->Build(image, 4, 2, this->Downwards(3, 0, 5), random),
            (typename TestFixture::Points{{4, 2}, {4, 5}}));
}

TYPED_TEST(GeneratorChain, ReadsCandidatesOutsideTheImageThroughTheMirror) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  TestImage<P> image(9, 10);
  this->PaintAll(image, L::base);
  this->PaintRows(image, 9, L::far);
  RandomSource random(1);
  // (4, 11) is read at (4, 9), which has the other colour.
  EXPECT_EQ(this->Build(image, 4, 8, this->Downwards(3, 0, 1), random).size(), 1u);

  // With row 9 matching, the point found is kept outside the image, unmirrored.
  this->PaintRows(image, 9, L::base);
  this->Paint(image, 4, 9, L::base);
  EXPECT_EQ(this->Build(image, 4, 8, this->Downwards(3, 0, 1), random),
            (typename TestFixture::Points{{4, 8}, {4, 11}}));
}

TYPED_TEST(GeneratorChain, RadiusLargerThanTheImageStaysInside) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  TestImage<P> image(3, 3);
  this->PaintAll(image, L::base);
  RandomSource random(1);
  // (1, 11) lies beyond twice the height and is read at row 2; from there, (1, 21) leaves the
  // band of the largest radius around the image, which ends the ring.
  EXPECT_EQ(this->Build(image, 1, 1, this->Downwards(10, 0, 3), random),
            (typename TestFixture::Points{{1, 1}, {1, 11}}));

  // Full turns on rings far larger than the image, on a picture of mixed colours: every read
  // must stay inside (the sanitizer build checks this).
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) this->Paint(image, x, y, (x + y) % 2 ? L::far : L::base);
  GeneratorSettings<P> s = this->Downwards(1, 40, 20);
  s.angleRange = 360;
  s.angleRandomization = 360;
  for (int32_t start = 0; start < 9; ++start) {
    const auto points = this->Build(image, start % 3, start / 3, s, random);
    EXPECT_GE(points.size(), 1u);
  }
}

TYPED_TEST(GeneratorChain, FullTurnSweepsTwoHundredSteps) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  // One matching pixel, at the candidate of the 200th and last angle step (about 6.2518 rad)
  // on the ring of radius 100 around (105, 5); no other candidate, mirrored or not, reads it.
  TestImage<P> image(211, 120);
  this->PaintAll(image, L::far);
  this->Paint(image, 105, 5, L::base);
  this->Paint(image, 101, 104, L::base);
  GeneratorSettings<P> s = this->Downwards(100, 0, 1);
  s.angleRange = 360;
  RandomSource random(1);
  EXPECT_EQ(this->Build(image, 105, 5, s, random),
            (typename TestFixture::Points{{105, 5}, {101, 104}}));
}

TYPED_TEST(GeneratorChain, EveryTriedRingDrawsOneAngleOffset) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  TestImage<P> image(30, 30);
  this->PaintAll(image, L::far);
  this->Paint(image, 15, 15, L::base);  // nothing else matches: rings 3, 4 and 5 are all tried
  GeneratorSettings<P> s = this->Downwards(3, 2, 1);
  s.angleRandomization = 360;
  s.angleRange = 90;
  RandomSource random(1);
  EXPECT_EQ(this->Build(image, 15, 15, s, random).size(), 1u);
  EXPECT_EQ(random.Next(), 26500);  // 41, 18467 and 6334 were taken
}

TYPED_TEST(GeneratorChain, WantedPointsByShapeType) {
  using P = TypeParam;
  TestImage<P> image(9, 80);
  this->PaintAll(image, TestFixture::Levels::base);
  const struct {
    int32_t type, steps, recursive;
    size_t points;
  } cases[] = {
      {kLine, 1, 0, 2},
      {kCurve, 1, 0, 3},
      {kTriangle, 1, 0, 3},
      {kSquare, 1, 0, 2},
      {kCircle, 1, 0, 2},
      {kRectangle, 1, 0, 2},
      {kLine, 5, 1, 6},
      {kCurve, 5, 1, 7},
      {kTriangle, 5, 1, 7},
      // Steps without recursion (a count the frame would never send) still want one point.
      {kLine, 5, 0, 2},
  };
  for (const auto& c : cases) {
    GeneratorSettings<P> s = this->Downwards(2, 0, c.steps);
    s.shapeType = c.type;
    s.recursive = c.recursive;
    RandomSource random(1);
    EXPECT_EQ(this->Build(image, 4, 0, s, random).size(), c.points) << c.type << " " << c.steps;
  }
}

TYPED_TEST(GeneratorChain, RecursionFarAboveItsRangeFillsTheListsAndNoMore) {
  using P = TypeParam;
  TestImage<P> image(5, 600);
  this->PaintAll(image, TestFixture::Levels::base);
  for (int32_t type : {kLine, kCurve}) {
    GeneratorSettings<P> s = this->Downwards(1, 0, 100000);
    s.shapeType = type;
    RandomSource random(1);
    const auto points = this->Build(image, 2, 0, s, random);
    ASSERT_EQ(points.size(), static_cast<size_t>(kChainCapacity));
    EXPECT_EQ(points.back(), std::make_pair(2, kChainCapacity - 1));
  }
}

TYPED_TEST(GeneratorChain, AnglesFarOutOfRangeStillEndTheSweep) {
  using P = TypeParam;
  using L = typename TestFixture::Levels;
  TestImage<P> image(20, 20);
  this->PaintAll(image, L::far);
  this->Paint(image, 10, 10, L::base);
  // At 1.7e6 rad the angle step no longer changes a float: the sweep must end anyway.
  GeneratorSettings<P> s = this->Downwards(2, 3, 3);
  s.startAngle = 100000000;
  s.angleRange = 360;
  RandomSource random(1);
  EXPECT_EQ(this->Build(image, 10, 10, s, random).size(), 1u);
  // Negative and extreme angle settings are defined too.
  s.startAngle = INT32_MIN;
  s.angleRandomization = INT32_MIN;
  s.angleRange = -360;
  EXPECT_EQ(this->Build(image, 10, 10, s, random).size(), 1u);
}

TYPED_TEST(GeneratorChain, SizesFarOutOfRangeAreDefined) {
  using P = TypeParam;
  TestImage<P> image(6, 6);
  this->PaintAll(image, TestFixture::Levels::base);
  RandomSource random(1);
  // Growth below zero: no ring at all.
  EXPECT_EQ(this->Build(image, 3, 3, this->Downwards(4, -1, 3), random).size(), 1u);
  // Radius 0 finds the point itself.
  EXPECT_EQ(this->Build(image, 3, 3, this->Downwards(0, 0, 2), random),
            (typename TestFixture::Points{{3, 3}, {3, 3}, {3, 3}}));
  // Huge sizes are held to 2^16 pixels.
  const auto far = this->Build(image, 3, 3, this->Downwards(INT32_MAX, 0, 1), random);
  ASSERT_EQ(far.size(), 2u);
  EXPECT_EQ(far[1], std::make_pair(3, 3 + kRadiusSettingLimit));
}

TEST(GeneratorChainFloat, NanPixelsNeverMatch) {
  TestImage<PixelFloat> image(8, 8);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  image.Fill(1.0f, nan, 0.5f, 0.5f);
  image.Set(4, 0, 1.0f, 0.5f, 0.5f, 0.5f);
  GeneratorSettings<PixelFloat> s;
  s.shapeType = kLine;
  s.size = 2;  // from radius 2 on, no candidate truncates back onto the start
  s.sizeGrowth = 2;
  s.angleRange = 360;
  s.matchThreshold = 1.0f;
  const ShapeColour<PixelFloat> source{{0.5f, 0.5f, 0.5f, 1.0f}};
  Chain chain;
  RandomSource random(1);
  EXPECT_EQ(BuildChain<PixelFloat>(image.view(), 4, 0, source, s, SweepAnglesOf(s), random, chain), 1);
  // A NaN source colour or threshold matches nothing either.
  const ShapeColour<PixelFloat> nanSource{{nan, nan, nan, 1.0f}};
  EXPECT_EQ(BuildChain<PixelFloat>(image.view(), 4, 0, nanSource, s, SweepAnglesOf(s), random, chain), 1);
  s.matchThreshold = nan;
  EXPECT_EQ(BuildChain<PixelFloat>(image.view(), 4, 0, source, s, SweepAnglesOf(s), random, chain), 1);
}

}  // namespace
}  // namespace morvane
