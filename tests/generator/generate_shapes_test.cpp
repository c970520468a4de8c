#include "generator/generate_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

#include "tests/generator/generator_test_support.h"
#include "tests/generator/recording_target.h"

namespace morvane {
namespace {

using test::LevelFromByte;
using test::RecordedCall;
using test::RecordingTarget;
using test::TestImage;

// A clock that never moves, and one that replays a list of readings (the last one repeats).
GeneratorClock FrozenClock() {
  return GeneratorClock{[](void*) -> int64_t { return 0; }, nullptr};
}

struct ScriptedClock {
  std::vector<int64_t> readings;
  size_t calls = 0;
  GeneratorClock Clock() {
    return GeneratorClock{[](void* self) -> int64_t {
                            auto* c = static_cast<ScriptedClock*>(self);
                            const size_t i = c->calls++;
                            return c->readings[i < c->readings.size() ? i : c->readings.size() - 1];
                          },
                          this};
  }
};

// A picture of colour bands, so that chains end and start colours vary.
template <class P>
TestImage<P> Bands(int32_t w, int32_t h, int32_t alpha = 255) {
  TestImage<P> image(w, h, 3);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const int32_t band = ((x / 7) + (y / 5)) % 4;
      image.Set(x, y, test::ChannelFromByte<P>(alpha), test::ChannelFromByte<P>(40 + 60 * band),
                test::ChannelFromByte<P>(200 - 40 * band), test::ChannelFromByte<P>(90));
    }
  return image;
}

template <class P>
GeneratorSettings<P> Basic(int32_t strategy, int32_t count, int32_t type = kLine) {
  GeneratorSettings<P> s;
  s.shapeCount = count;
  s.recursionSteps = 4;
  s.recursive = 1;
  s.shapeType = type;
  s.lineWidth = 1.5f;
  s.opacity = LevelFromByte<P>(200);
  s.size = 3;
  s.sizeGrowth = 4;
  s.matchThreshold = LevelFromByte<P>(20);
  s.minLuminosity = LevelFromByte<P>(2);
  s.maxLuminosity = LevelFromByte<P>(255);
  s.startAngle = 30;
  s.angleRandomization = 90;
  s.angleRange = 200;
  s.fadeType = kFadeOutByRecursion;
  s.fadeLevel = test::FadeLevelFromByte<P>(100);
  s.startStrategy = strategy;
  s.seed = 777;
  return s;
}

template <class P>
std::vector<RecordedCall> Record(const TestImage<P>& input, const GeneratorSettings<P>& s,
                                 const GeneratorClock& clock = FrozenClock()) {
  RecordingTarget<P> target;
  GenerateShapesInto<P>(target, input.view(), s, clock);
  return target.calls;
}

template <class P>
class GeneratorShapes : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(GeneratorShapes, Depths);

TYPED_TEST(GeneratorShapes, RaisingTheCountKeepsTheShapesThatWereThere) {
  using P = TypeParam;
  const TestImage<P> input = Bands<P>(90, 70);
  for (int32_t strategy : {kStartRandom, kStartStableRandom}) {
    const auto fewer = Record(input, Basic<P>(strategy, 40));
    const auto more = Record(input, Basic<P>(strategy, 65));
    ASSERT_GT(fewer.size(), 40u);
    ASSERT_GT(more.size(), fewer.size());
    EXPECT_TRUE(std::equal(fewer.begin(), fewer.end(), more.begin())) << strategy;
  }
}

TYPED_TEST(GeneratorShapes, StableRandomShapeDependsOnlyOnItsIndex) {
  using P = TypeParam;
  const TestImage<P> input = Bands<P>(90, 70);
  // Shape 5 of seed 777 is shape 0 of seed 777 + 5 * (777 + 5): every shape has its own seed.
  const auto upToFive = Record(input, Basic<P>(kStartStableRandom, 5));
  const auto upToSix = Record(input, Basic<P>(kStartStableRandom, 6));
  const std::vector<RecordedCall> shapeFive(upToSix.begin() + upToFive.size(), upToSix.end());
  GeneratorSettings<P> alone = Basic<P>(kStartStableRandom, 1);
  alone.seed = 777 + 5 * (777 + 5);
  ASSERT_FALSE(shapeFive.empty());
  EXPECT_EQ(Record(input, alone), shapeFive);

  // "Random" reseeds only once: its shape 5 continues the draws of shapes 0 to 4.
  const auto random5 = Record(input, Basic<P>(kStartRandom, 5));
  const auto random6 = Record(input, Basic<P>(kStartRandom, 6));
  GeneratorSettings<P> randomAlone = Basic<P>(kStartRandom, 1);
  randomAlone.seed = alone.seed;
  EXPECT_NE(Record(input, randomAlone),
            std::vector<RecordedCall>(random6.begin() + random5.size(), random6.end()));
}

TYPED_TEST(GeneratorShapes, SameSettingsSamePicture) {
  using P = TypeParam;
  TestImage<P> input = Bands<P>(64, 48);
  for (int32_t type : {kLine, kCurve, kTriangle, kSquare, kCircle, kRectangle}) {
    GeneratorSettings<P> s = Basic<P>(kStartGrid, 60, type);
    s.gridRandomization = 128;
    s.fill = type % 2;
    TestImage<P> a(64, 48), b(64, 48);
    GenerateShapes<P>(a.surface(), input.view(), s);
    GenerateShapes<P>(b.surface(), input.view(), s);
    EXPECT_EQ(std::memcmp(a.data.data(), b.data.data(), a.data.size() * sizeof(a.data[0])), 0);
  }
}

TYPED_TEST(GeneratorShapes, TransparentInputPlacesShapesOnlyOnThePlainGrid) {
  using P = TypeParam;
  const TestImage<P> input = Bands<P>(80, 60, 0);
  for (int32_t strategy : {kStartRandom, kStartStableRandom}) {
    EXPECT_TRUE(Record(input, Basic<P>(strategy, 50)).empty()) << strategy;
  }
  GeneratorSettings<P> randomised = Basic<P>(kStartGrid, 50);
  randomised.gridRandomization = 100;
  EXPECT_TRUE(Record(input, randomised).empty());

  const auto plain = Record(input, Basic<P>(kStartGrid, 50));
  ASSERT_FALSE(plain.empty());
  for (const RecordedCall& c : plain) EXPECT_EQ(c.opacity, 0.0);
}

TYPED_TEST(GeneratorShapes, GridWithoutCellsDrawsNothing) {
  using P = TypeParam;
  // One column that makes no row, and a q below 1.
  EXPECT_TRUE(Record(Bands<P>(1920, 10), Basic<P>(kStartGrid, 1)).empty());
  EXPECT_TRUE(Record(Bands<P>(10, 1000), Basic<P>(kStartGrid, 1)).empty());
  // 100 x 1000 with 16 shapes: one column of ten.
  GeneratorSettings<P> circles = Basic<P>(kStartGrid, 16, kCircle);
  circles.recursionSteps = 1;
  circles.recursive = 0;
  TestImage<P> flat(100, 1000);
  const auto grey = test::ChannelFromByte<P>(128);
  flat.Fill(test::ChannelFromByte<P>(255), grey, grey, grey);
  EXPECT_EQ(Record(flat, circles).size(), 10u);
}

TYPED_TEST(GeneratorShapes, EmptyFrameDrawsNothing) {
  using P = TypeParam;
  for (int32_t strategy : {kStartRandom, kStartStableRandom, kStartGrid}) {
    const GeneratorSettings<P> s = Basic<P>(strategy, 100);
    for (auto [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{0, 0}, std::pair{-4, 9}}) {
      RecordingTarget<P> target;
      GenerateShapesInto<P>(target, InputSurface<P>{nullptr, w, h, 0}, s, FrozenClock());
      EXPECT_TRUE(target.calls.empty());
      GenerateShapes<P>(Surface<P>{nullptr, w, h, 0}, InputSurface<P>{}, s);
    }
  }
}

TYPED_TEST(GeneratorShapes, StopsAtTheFirstCheckPastTheTimeLimit) {
  using P = TypeParam;
  const TestImage<P> input = Bands<P>(60, 40);
  GeneratorSettings<P> s = Basic<P>(kStartStableRandom, 3000, kCircle);
  s.recursionSteps = 1;
  s.recursive = 0;

  // Start at 1000; 61 s minus 1 ms have passed at shape 511, 61 s at shape 1023.
  ScriptedClock clock{{1000, 61999, 62000, 99999}};
  const auto stopped = Record(input, s, clock.Clock());
  EXPECT_EQ(clock.calls, 3u);  // the start and the checks at 511 and 1023

  GeneratorSettings<P> first1023 = s;
  first1023.shapeCount = 1023;
  EXPECT_EQ(stopped, Record(input, first1023));
  first1023.shapeCount = 1024;
  EXPECT_NE(stopped, Record(input, first1023));

  // Past the limit at the first check: 511 shapes.
  ScriptedClock late{{0, 61000}};
  GeneratorSettings<P> first511 = s;
  first511.shapeCount = 511;
  EXPECT_EQ(Record(input, s, late.Clock()), Record(input, first511));
}

// The threaded generation checks the clock at the same shapes and keeps the same shapes.
TYPED_TEST(GeneratorShapes, ThreadedGenerationStopsAtTheSameShapes) {
  using P = TypeParam;
  const TestImage<P> input = Bands<P>(60, 40);
  for (int32_t strategy : {kStartRandom, kStartStableRandom}) {
    GeneratorSettings<P> s = Basic<P>(strategy, 3000, kCircle);
    SCOPED_TRACE(strategy);
    TestImage<P> oneThread(60, 40), threaded(60, 40);
    ScriptedClock first{{1000, 61999, 62000, 99999}}, second{{1000, 61999, 62000, 99999}};
    RasterTarget<P> target{oneThread.surface()};
    GenerateShapesInto<P>(target, input.view(), s, first.Clock());
    GenerateShapes<P>(threaded.surface(), input.view(), s, second.Clock(), 3);
    EXPECT_EQ(first.calls, second.calls);
    EXPECT_EQ(oneThread.data, threaded.data);
  }
}

// Any number of threads draws the picture of one thread, for every strategy and shape type.
TYPED_TEST(GeneratorShapes, EveryThreadCountDrawsTheSamePicture) {
  using P = TypeParam;
  const TestImage<P> input = Bands<P>(97, 61);
  for (int32_t strategy : {kStartRandom, kStartStableRandom, kStartGrid}) {
    for (int32_t type : {kLine, kCurve, kTriangle, kSquare, kCircle, kRectangle}) {
      GeneratorSettings<P> s = Basic<P>(strategy, 700, type);
      s.fill = type % 2;
      SCOPED_TRACE(::testing::Message() << "strategy " << strategy << " type " << type);
      TestImage<P> reference(97, 61);
      GenerateShapes<P>(reference.surface(), input.view(), s, FrozenClock(), 1);
      for (int32_t threads : {2, 3, 8}) {
        TestImage<P> output(97, 61);
        GenerateShapes<P>(output.surface(), input.view(), s, FrozenClock(), threads);
        EXPECT_EQ(output.data, reference.data) << threads << " threads";
      }
    }
  }
}

// A host may hand over one buffer as input and output. Threads then build a batch's chains
// before drawing it (never while drawing into the pixels they read), so every thread count gives
// one picture; ThreadSanitizer sees any read of a pixel while it is drawn.
TYPED_TEST(GeneratorShapes, ThreadsRenderingInPlaceDrawOnePicture) {
  using P = TypeParam;
  const TestImage<P> start = Bands<P>(97, 61);
  for (int32_t strategy : {kStartRandom, kStartStableRandom, kStartGrid}) {
    SCOPED_TRACE(::testing::Message() << "strategy " << strategy);
    const GeneratorSettings<P> s = Basic<P>(strategy, 1500, kLine);
    std::vector<typename TestImage<P>::Ch> first;
    for (int32_t threads : {2, 3, 8}) {
      TestImage<P> frame = start;
      GenerateShapes<P>(frame.surface(), frame.view(), s, FrozenClock(), threads);
      if (first.empty()) first = frame.data;
      EXPECT_EQ(frame.data, first) << threads << " threads";
    }
  }
}

TYPED_TEST(GeneratorShapes, SettingsFarOutOfRangeNeverCrash) {
  using P = TypeParam;
  TestImage<P> input = Bands<P>(40, 30);
  for (int32_t type :
       std::initializer_list<int32_t>{kLine, kCurve, kTriangle, kSquare, kCircle, kRectangle, 9}) {
    for (int32_t strategy :
         std::initializer_list<int32_t>{kStartRandom, kStartStableRandom, kStartGrid, 5}) {
      GeneratorSettings<P> s = Basic<P>(strategy, 12, type);
      s.recursionSteps = 100000;
      s.fill = type % 2;
      s.fadeType = type % 5;
      s.fadeLevel = INT32_MAX;
      s.gridRandomization = INT32_MAX;
      s.seed = INT32_MAX;
      if constexpr (std::is_floating_point_v<SettingLevel<P>>) {
        s.opacity = 1e30f;
      } else {
        s.opacity = INT32_MAX;
      }
      TestImage<P> output(40, 30, 2);
      GenerateShapes<P>(output.surface(), input.view(), s);
      s.opacity = -s.opacity;
      s.fadeLevel = INT32_MIN;
      s.size = -3;
      s.sizeGrowth = 6;
      s.lineWidth = std::numeric_limits<float>::quiet_NaN();
      GenerateShapes<P>(output.surface(), input.view(), s);
    }
  }
}

TEST(GeneratorShapesFloat, NanAndHdrPixelsStayDefined) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  TestImage<PixelFloat> input = Bands<PixelFloat>(48, 32);
  const float odd[] = {nan, inf, -inf, 1e30f, -2.0f, 7.5f};
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 48; ++x)
      if ((x * 7 + y * 3) % 5 == 0) input.at(x, y)[(x + y) % 4] = odd[(x * y) % 6];
  for (int32_t type : {kLine, kCurve, kTriangle, kSquare, kCircle, kRectangle}) {
    for (int32_t strategy : {kStartRandom, kStartGrid}) {
      GeneratorSettings<PixelFloat> s = Basic<PixelFloat>(strategy, 80, type);
      s.fill = type % 2;
      s.fadeType = kFadeInBySize;
      s.matchThreshold = 0.5f;
      TestImage<PixelFloat> output(48, 32);
      GenerateShapes<PixelFloat>(output.surface(), input.view(), s);
      s.opacity = nan;
      s.minLuminosity = nan;
      GenerateShapes<PixelFloat>(output.surface(), input.view(), s);
    }
  }
}

}  // namespace
}  // namespace morvane
