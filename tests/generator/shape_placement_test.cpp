#include "generator/shape_placement.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/generator/generator_test_support.h"

namespace morvane {
namespace {

using test::LevelFromByte;
using test::TestImage;

TEST(GeneratorGrid, LayoutOfCountOverFrame) {
  const struct {
    int32_t count, width, height, randomization;
    int32_t columns, rows, jitterX, jitterY;
    int64_t cells;
  } cases[] = {
      {16, 1920, 1080, 0, 5, 2, 0, 0, 10},
      {16000, 1920, 1080, 255, 168, 94, 22, 22, 15792},
      {16000, 1920, 1080, 127, 168, 94, 11, 11, 15792},
      {16, 100, 1000, 0, 1, 10, 0, 0, 10},
      // No cells: q below 1, or one column that makes no row. Nothing else is computed.
      {1, 100, 1000, 255, 0, 0, 0, 0, 0},
      {1, 1920, 1080, 255, 0, 0, 0, 0, 0},
      {0, 1920, 1080, 255, 0, 0, 0, 0, 0},
      {-16, 1920, 1080, 255, 0, 0, 0, 0, 0},
      {16, 0, 1080, 0, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.count << " over " << c.width << "x" << c.height << " at " << c.randomization);
    const GridLayout grid = MakeGridLayout(c.count, c.width, c.height, c.randomization);
    EXPECT_EQ(grid.columns, c.columns);
    EXPECT_EQ(grid.rows, c.rows);
    EXPECT_EQ(grid.jitterX, c.jitterX);
    EXPECT_EQ(grid.jitterY, c.jitterY);
    EXPECT_EQ(grid.cells, c.cells);
  }
}

TEST(GeneratorGrid, ShapeSeedWrapsModuloTwoToThe32) {
  EXPECT_EQ(ShapeSeed(777, 0), 777u);
  EXPECT_EQ(ShapeSeed(777, 1), 777u + 778u);
  EXPECT_EQ(ShapeSeed(2, 65536), 131074u);          // 2 + 65536 * 65538 mod 2^32
  EXPECT_EQ(ShapeSeed(INT32_MAX, 1), 0xFFFFFFFFu);  // overflows a signed product
  EXPECT_EQ(ShapeSeed(-5, 3), static_cast<uint32_t>(-5 + 3 * -2));
}

template <class P>
class GeneratorGate : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(GeneratorGate, Depths);

TYPED_TEST(GeneratorGate, ComparesChannelsOneByOne) {
  using P = TypeParam;
  const struct {
    int32_t a, r, g, b, lo, hi;
    bool alphaTest, pass;
  } cases[] = {
      {255, 10, 10, 10, 20, 200, true, false},     // all three below the minimum
      {255, 10, 10, 20, 20, 200, true, true},      // one channel reaches it
      {255, 201, 250, 255, 20, 200, true, false},  // all three above the maximum
      {255, 201, 250, 200, 20, 200, true, true},   // one does not exceed it
      {0, 100, 100, 100, 20, 200, true, false},    // transparent, alpha test on
      {0, 100, 100, 100, 20, 200, false, true},    // transparent, plain grid
      {1, 0, 0, 0, 0, 255, true, true},            // limits 0..255: only alpha 0 rejects
      {255, 100, 100, 100, 150, 50, true, false},  // min above max: below the minimum
      {255, 160, 10, 10, 150, 50, true, true},     // ... red reaches min, green stays under max
  };
  for (const auto& c : cases) {
    GeneratorSettings<P> s;
    s.minLuminosity = LevelFromByte<P>(c.lo);
    s.maxLuminosity = LevelFromByte<P>(c.hi);
    const typename P::Channel px[4] = {test::ChannelFromByte<P>(c.a), test::ChannelFromByte<P>(c.r),
                                       test::ChannelFromByte<P>(c.g),
                                       test::ChannelFromByte<P>(c.b)};
    EXPECT_EQ(PassesLuminosityGate<P>(px, s, c.alphaTest), c.pass)
        << c.a << " " << c.r << " " << c.g << " " << c.b << " in " << c.lo << ".." << c.hi;
  }
}

GeneratorSettings<Pixel8> OpaqueGate(int32_t strategy) {
  GeneratorSettings<Pixel8> s;
  s.startStrategy = strategy;
  s.minLuminosity = 2;
  s.maxLuminosity = 255;
  return s;
}

TEST(GeneratorPlacement, RandomDrawsXThenYAndRetriesRejectedCandidates) {
  TestImage<Pixel8> image(7, 1000);
  image.Fill(255, 90, 90, 90);
  image.Set(6, 467, 255, 0, 0, 0);  // below the minimum: the first candidate fails
  const GeneratorSettings<Pixel8> s = OpaqueGate(kStartRandom);

  RandomSource random(1);  // 41, 18467, 6334, 26500, ...
  int32_t x = -1, y = -1;
  ASSERT_TRUE(ChooseStartingPoint(image.view(), s, GridLayout{}, 0, random, x, y));
  EXPECT_EQ(x, 6334 % 7);
  EXPECT_EQ(y, 26500 % 1000);
}

TEST(GeneratorPlacement, StableRandomStartsFromTheShapesOwnSeed) {
  TestImage<Pixel8> image(640, 480);
  image.Fill(255, 90, 90, 90);
  const GeneratorSettings<Pixel8> s = OpaqueGate(kStartStableRandom);
  for (int32_t seed : {777, 2000000000}) {
    for (int32_t i : {0, 1, 7, 1000, 123456}) {
      // seed + i * (seed + i) modulo 2^32, formed here in 64 bits.
      const uint32_t expectedSeed = static_cast<uint32_t>(
          (static_cast<uint64_t>(static_cast<uint32_t>(seed)) +
           static_cast<uint64_t>(i) * (static_cast<uint64_t>(static_cast<uint32_t>(seed)) + i)) &
          0xFFFFFFFFu);
      RandomSource reference(expectedSeed);
      const int32_t ex = reference.Next() % 640, ey = reference.Next() % 480;

      RandomSource random(12345);
      random.Seed(ShapeSeed(seed, i));
      int32_t x = -1, y = -1;
      ASSERT_TRUE(ChooseStartingPoint(image.view(), s, GridLayout{}, i, random, x, y));
      EXPECT_EQ(x, ex) << seed << " " << i;
      EXPECT_EQ(y, ey) << seed << " " << i;
    }
  }
}

TEST(GeneratorPlacement, PlainGridUsesCellCentres) {
  TestImage<Pixel8> image(1920, 1080);
  image.Fill(0, 90, 90, 90);  // transparent: the plain grid does not test alpha
  const GeneratorSettings<Pixel8> s = OpaqueGate(kStartGrid);
  const GridLayout grid = MakeGridLayout(16, 1920, 1080, 0);
  RandomSource random(1);
  for (int32_t i = 0; i < 10; ++i) {
    int32_t x = -1, y = -1;
    ASSERT_TRUE(ChooseStartingPoint(image.view(), s, grid, i, random, x, y));
    EXPECT_EQ(x, 192 + 384 * (i % 5)) << i;
    EXPECT_EQ(y, 270 + 540 * (i / 5)) << i;
  }
  EXPECT_EQ(random.Next(), 41);  // no number was drawn

  // A cell whose centre fails the colour tests is skipped.
  image.Set(576, 270, 0, 0, 0, 0);
  int32_t x, y;
  EXPECT_FALSE(ChooseStartingPoint(image.view(), s, grid, 1, random, x, y));
}

TEST(GeneratorPlacement, RandomisedGridJittersAndMirrors) {
  // One 10x10 cell centred on (5, 5); randomization 255 gives jitter ranges of 20.
  TestImage<Pixel8> image(10, 10);
  image.Fill(255, 90, 90, 90);
  GeneratorSettings<Pixel8> s = OpaqueGate(kStartGrid);
  s.gridRandomization = 255;
  const GridLayout grid = MakeGridLayout(1, 10, 10, 255);
  ASSERT_EQ(grid.jitterX, 20);
  ASSERT_EQ(grid.jitterY, 20);
  const struct {
    uint32_t seed;
    int32_t x, y;
  } cases[] = {
      {1, 4, 2},   // dx = 41 % 20 - 10 = -9, dy = 18467 % 20 - 10 = -3
      {8, 1, 5},   // dx = -6: |-1| mirrors the left border by the absolute value
      {6, 6, 8},   // dx = 8: x = 13 mirrors to 2 * 10 - 13 - 1
      {10, 6, 5},  // dy = 9: y = 14 mirrors to 5
  };
  for (const auto& c : cases) {
    RandomSource random(c.seed);
    int32_t x = -1, y = -1;
    ASSERT_TRUE(ChooseStartingPoint(image.view(), s, grid, 0, random, x, y));
    EXPECT_EQ(x, c.x) << c.seed;
    EXPECT_EQ(y, c.y) << c.seed;
  }

  // 64 candidates, each needing alpha: a transparent frame places nothing and costs 128 draws.
  image.Fill(0, 90, 90, 90);
  RandomSource random(1), reference(1);
  int32_t x, y;
  EXPECT_FALSE(ChooseStartingPoint(image.view(), s, grid, 0, random, x, y));
  for (int i = 0; i < 128; ++i) reference.Next();
  EXPECT_EQ(random.Next(), reference.Next());
}

TEST(GeneratorPlacement, OutOfRangeJitterNeverReadsOutsideTheFrame) {
  TestImage<Pixel8> image(10, 10);
  image.Fill(255, 90, 90, 90);
  GeneratorSettings<Pixel8> s = OpaqueGate(kStartGrid);
  for (int32_t randomization : {1000000, INT32_MAX, -7}) {
    s.gridRandomization = randomization;
    const GridLayout grid = MakeGridLayout(1, 10, 10, randomization);
    for (uint32_t seed = 0; seed < 200; ++seed) {
      RandomSource random(seed);
      int32_t x = -1, y = -1;
      if (ChooseStartingPoint(image.view(), s, grid, 0, random, x, y)) {
        ASSERT_TRUE(x >= 0 && x < 10 && y >= 0 && y < 10) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace morvane
