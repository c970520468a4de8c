#include "generator/draw_shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/generator/generator_test_support.h"
#include "tests/generator/recording_target.h"

namespace morvane {
namespace {

using test::RecordedCall;
using test::RecordingTarget;
using Coords = std::vector<int32_t>;

Chain MakeChain(const std::vector<std::pair<int32_t, int32_t>>& points, int32_t radius = 5) {
  Chain chain;
  chain.count = static_cast<int32_t>(points.size());
  for (int32_t j = 0; j < chain.count; ++j) {
    chain.x[j] = points[j].first;
    chain.y[j] = points[j].second;
    chain.radius[j] = radius;
  }
  return chain;
}

// Points 0..m-1 that never repeat a coordinate.
Chain Zigzag(int32_t m) {
  std::vector<std::pair<int32_t, int32_t>> points;
  for (int32_t j = 0; j < m; ++j) points.emplace_back(10 + 7 * j, 50 + (j % 2 ? 9 : -4) * j);
  return MakeChain(points);
}

GeneratorSettings<Pixel8> Shape(int32_t type, bool fill) {
  GeneratorSettings<Pixel8> s;
  s.shapeType = type;
  s.fill = fill ? 1 : 0;
  s.opacity = 255;
  s.lineWidth = 1.5f;
  s.size = 5;
  s.sizeGrowth = 5;
  return s;
}

const ShapeColour<Pixel8> kOpaque{{30, 60, 90, 255}};

RecordingTarget<Pixel8> Draw(const Chain& chain, const GeneratorSettings<Pixel8>& s,
                             const ShapeColour<Pixel8>& colour = kOpaque) {
  RecordingTarget<Pixel8> target;
  DrawShape<Pixel8>(target, chain, colour, s);
  return target;
}

TEST(GeneratorDrawShape, PiecesPerChainLength) {
  // Calls by chain length m = 1, 2, 3, ...
  const struct {
    int32_t type;
    bool fill;
    std::vector<std::string> byLength;
  } cases[] = {
      {kLine, false, {"", "T", "TT", "JTT", "JJTT", "JJJTT"}},
      {kCurve,
       false,
       {"", "", std::string(10, 'T'), std::string(10, 'T'), std::string(20, 'T'),
        std::string(30, 'T')}},
      {kTriangle, true, {"", "", "A", "A", "A", "AA", "AA", "AA", "AAA"}},
      {kTriangle, false, {"", "", "JJJ", "JJJ", "JJJ", "JJJJJJ"}},
      {kSquare, true, {"", "Q", "Q", "QQ", "QQ", "QQQ"}},
      {kSquare, false, {"", "JJJJ", "JJJJ", "JJJJJJJJ"}},
      {kCircle, true, {"", "C", "C", "CC", "CC", "CCC"}},
      {kCircle, false, {"", "O", "O", "OO"}},
      {kRectangle, true, {"", "R", "R", "RR", "RR"}},
      {kRectangle, false, {"", "JJJJ", "JJJJ", "JJJJJJJJ"}},
      {6, false, {"", "", "", ""}},  // not a shape type
      {-1, true, {"", "", "", ""}},
  };
  for (const auto& c : cases) {
    for (size_t m = 1; m <= c.byLength.size(); ++m) {
      EXPECT_EQ(Draw(Zigzag(static_cast<int32_t>(m)), Shape(c.type, c.fill)).kinds(),
                c.byLength[m - 1])
          << "type " << c.type << " fill " << c.fill << " m " << m;
    }
  }
}

TEST(GeneratorDrawShape, LineEndsWithTwoFreeSegments) {
  const Chain chain = MakeChain({{0, 0}, {10, 0}, {10, 10}, {20, 10}});
  const auto calls = Draw(chain, Shape(kLine, false)).calls;
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].coords, (Coords{0, 0, 10, 0, 10, 10}));
  EXPECT_EQ(calls[1].coords, (Coords{10, 0, 10, 10}));
  EXPECT_EQ(calls[2].coords, (Coords{10, 10, 20, 10}));
  for (const RecordedCall& c : calls) {
    EXPECT_EQ(c.lineWidth, 1.5f);
    EXPECT_EQ(c.opacity, 255);
    EXPECT_EQ(c.colour[0], 30);  // blue first
    EXPECT_EQ(c.colour[2], 90);
  }
}

TEST(GeneratorDrawShape, LineWidthIsAtLeastOne) {
  const Chain chain = MakeChain({{0, 0}, {10, 0}});
  for (float w : {0.25f, 0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
    GeneratorSettings<Pixel8> s = Shape(kLine, false);
    s.lineWidth = w;
    EXPECT_EQ(Draw(chain, s).calls.at(0).lineWidth, 1.0f) << w;
  }
}

// The samples of a curve as a polyline: each call runs from the previous sample to the next.
std::vector<std::pair<int32_t, int32_t>> Polyline(const std::vector<RecordedCall>& calls) {
  std::vector<std::pair<int32_t, int32_t>> points;
  for (const RecordedCall& c : calls) {
    if (points.empty()) points.emplace_back(c.coords[0], c.coords[1]);
    EXPECT_EQ(points.back(), std::make_pair(c.coords[0], c.coords[1])) << "not joined";
    points.emplace_back(c.coords[2], c.coords[3]);
  }
  return points;
}

TEST(GeneratorDrawShape, CurveOfThreePointsRunsFromFirstToLast) {
  const Chain chain = MakeChain({{0, 0}, {10, 20}, {30, 5}});
  const auto points = Polyline(Draw(chain, Shape(kCurve, false)).calls);
  ASSERT_EQ(points.size(), 11u);
  EXPECT_EQ(points.front(), std::make_pair(0, 0));
  EXPECT_EQ(points.back(), std::make_pair(30, 5));
  // t = 0.5: u^2 p0 + 2ut p1 + t^2 p2 = 0.25 * 0 + 0.5 * 10 + 0.25 * 30 and likewise for y.
  EXPECT_EQ(points[5], std::make_pair(12, 11));
}

TEST(GeneratorDrawShape, LongerCurveJoinsAtMidpointsAndLeavesTheLastPoint) {
  const Chain chain = MakeChain({{0, 0}, {10, 20}, {31, 5}, {40, 40}, {99, 99}});
  const auto calls = Draw(chain, Shape(kCurve, false)).calls;
  ASSERT_EQ(calls.size(), 20u);
  const auto first = Polyline({calls.begin(), calls.begin() + 10});
  const auto second = Polyline({calls.begin() + 10, calls.end()});
  EXPECT_EQ(first.front(), std::make_pair(0, 0));
  EXPECT_EQ(first.back(), std::make_pair(20, 12));  // mid(p1, p2), truncated
  EXPECT_EQ(second.front(), std::make_pair(20, 12));
  EXPECT_EQ(second.back(), std::make_pair(35, 22));  // mid(p2, p3); p4 is not used
}

TEST(GeneratorDrawShape, TriangleCornersAndOutlineOrder) {
  const Chain chain = MakeChain({{0, 0}, {10, 0}, {5, 9}, {20, 20}, {30, 20}, {25, 29}});
  const auto filled = Draw(chain, Shape(kTriangle, true)).calls;
  ASSERT_EQ(filled.size(), 2u);
  EXPECT_EQ(filled[0].coords, (Coords{0, 0, 10, 0, 5, 9}));
  EXPECT_EQ(filled[1].coords, (Coords{20, 20, 30, 20, 25, 29}));

  const auto outline = Draw(MakeChain({{0, 0}, {10, 0}, {5, 9}}), Shape(kTriangle, false)).calls;
  ASSERT_EQ(outline.size(), 3u);
  EXPECT_EQ(outline[0].coords, (Coords{0, 0, 10, 0, 5, 9}));
  EXPECT_EQ(outline[1].coords, (Coords{10, 0, 5, 9, 0, 0}));
  EXPECT_EQ(outline[2].coords, (Coords{5, 9, 0, 0, 10, 0}));
}

TEST(GeneratorDrawShape, SquareFromOneDiagonal) {
  const Chain chain = MakeChain({{0, 0}, {10, 0}});
  const auto filled = Draw(chain, Shape(kSquare, true)).calls;
  ASSERT_EQ(filled.size(), 1u);
  EXPECT_EQ(filled[0].coords, (Coords{0, 0, 5, 5, 10, 0, 5, -5}));

  const auto outline = Draw(chain, Shape(kSquare, false)).calls;
  ASSERT_EQ(outline.size(), 4u);
  EXPECT_EQ(outline[0].coords, (Coords{0, 0, 5, 5, 10, 0}));
  EXPECT_EQ(outline[1].coords, (Coords{5, 5, 10, 0, 5, -5}));
  EXPECT_EQ(outline[2].coords, (Coords{10, 0, 5, -5, 0, 0}));
  EXPECT_EQ(outline[3].coords, (Coords{5, -5, 0, 0, 5, 5}));

  // An odd diagonal: centre (3.5, 1.5), half-diagonal (3.5, 1.5); corners truncated toward zero.
  EXPECT_EQ(Draw(MakeChain({{0, 0}, {7, 3}}), Shape(kSquare, true)).calls.at(0).coords,
            (Coords{0, 0, 2, 5, 7, 3, 5, -2}));
}

TEST(GeneratorDrawShape, CircleBetweenTwoPoints) {
  const struct {
    int32_t x0, y0, x1, y1, cx, cy, r;
  } cases[] = {
      {10, 10, 13, 14, 11, 12, 6},  // trunc(sqrt(16 + 25))
      {-3, -4, 0, 0, -1, -2, 6},    // midpoints truncate toward zero
      {5, 5, 5, 5, 5, 5, 1},        // sqrt(1 + 1)
      {5, 5, 4, 4, 4, 4, 0},        // (4 - 5 + 1)^2 = 0
  };
  for (const auto& c : cases) {
    for (bool fill : {true, false}) {
      const auto calls = Draw(MakeChain({{c.x0, c.y0}, {c.x1, c.y1}}), Shape(kCircle, fill)).calls;
      ASSERT_EQ(calls.size(), 1u);
      EXPECT_EQ(calls[0].kind, fill ? 'C' : 'O');
      EXPECT_EQ(calls[0].coords, (Coords{c.cx, c.cy, c.r})) << c.x0 << "," << c.y0;
    }
  }
}

TEST(GeneratorDrawShape, RectangleCornersAndOutline) {
  const Chain chain = MakeChain({{3, 4}, {9, 1}});
  EXPECT_EQ(Draw(chain, Shape(kRectangle, true)).calls.at(0).coords, (Coords{3, 4, 9, 1}));
  const auto outline = Draw(chain, Shape(kRectangle, false)).calls;
  ASSERT_EQ(outline.size(), 4u);
  EXPECT_EQ(outline[0].coords, (Coords{3, 4, 9, 4, 9, 4}));
  EXPECT_EQ(outline[1].coords, (Coords{9, 4, 9, 1, 9, 1}));
  EXPECT_EQ(outline[2].coords, (Coords{9, 1, 3, 1, 3, 1}));
  EXPECT_EQ(outline[3].coords, (Coords{3, 1, 3, 4, 3, 4}));
}

template <class P>
GeneratorSettings<P> Fade(int32_t type, int32_t opacity, int32_t level, int32_t recursive) {
  GeneratorSettings<P> s;
  s.fadeType = type;
  if constexpr (std::is_floating_point_v<SettingLevel<P>>) {
    s.opacity = static_cast<float>(opacity) / 32768.0f;
  } else {
    s.opacity = opacity;
  }
  s.fadeLevel = level;
  s.size = 10;
  s.sizeGrowth = 9;
  s.recursive = recursive;
  return s;
}

TEST(GeneratorFade, PieceOpacityByFadeType) {
  const struct {
    int32_t type, opacity, level, recursive, k, s, radius;
    int64_t expected;
  } cases8[] = {
      {kFadeOutBySize, 255, 255, 0, 0, 1, 10, 230},  // u = 255 / 10 = 25
      {kFadeOutBySize, 255, 255, 0, 0, 1, 19, 0},
      {kFadeInBySize, 255, 255, 0, 0, 1, 10, 25},
      {kFadeInBySize, 255, 255, 0, 0, 1, 19, 255},
      {kFadeOutBySize, 255, 0, 0, 0, 1, 19, 255},    // level 0: constant
      {kFadeOutBySize, 255, 102, 0, 0, 1, 10, 245},  // 153 + (230 * 102) / 255
      {kFadeOutByRecursion, 255, 255, 1, 0, 4, 10, 255},
      {kFadeOutByRecursion, 255, 255, 1, 2, 4, 10, 128},  // u = 510 / 4 = 127
      {kFadeInByRecursion, 255, 255, 1, 3, 4, 10, 191},
      {kFadeInByRecursion, 255, 255, 0, 3, 4, 10, 255},  // no recursion: no fade
      {kFadeNone, 200, 255, 1, 3, 4, 19, 200},
      {17, 200, 255, 1, 3, 4, 19, 200},  // not a fade type
  };
  for (const auto& c : cases8) {
    const auto s = Fade<Pixel8>(c.type, c.opacity, c.level, c.recursive);
    EXPECT_EQ(PieceOpacity(s, FadeOpacitySetting(s), c.k, c.s, c.radius), c.expected)
        << c.type << " " << c.level << " k " << c.k << " R " << c.radius;
  }
}

TEST(GeneratorFade, SixteenBitAndFloatKeepTheProportions) {
  // At full opacity and level the 16-bit scale gives 32768 - 32768 / 10 where 8 bits give 230.
  const struct {
    int32_t type, radius;
    int64_t expected;
  } cases[] = {
      {kFadeOutBySize, 10, 29492},
      {kFadeOutBySize, 19, 0},
      {kFadeInBySize, 10, 3276},
      {kFadeInBySize, 19, 32768},
  };
  for (const auto& c : cases) {
    const auto s16 = Fade<Pixel16>(c.type, 32768, 32768, 0);
    EXPECT_EQ(PieceOpacity(s16, FadeOpacitySetting(s16), 0, 1, c.radius), c.expected);
    const auto sf = Fade<PixelFloat>(c.type, 32768, 32768, 0);
    EXPECT_EQ(FadeOpacitySetting(sf), 32768);
    EXPECT_EQ(PieceOpacity(sf, FadeOpacitySetting(sf), 0, 1, c.radius), c.expected);
  }
}

TEST(GeneratorFade, StrokeOpacityFollowsTheSourceAlpha) {
  EXPECT_EQ(StrokeOpacity<Pixel8>(230, 128), 115);  // 29440 / 255
  EXPECT_EQ(StrokeOpacity<Pixel8>(230, 0), 0);
  EXPECT_EQ(StrokeOpacity<Pixel16>(29492, 16384), 14746);
  EXPECT_EQ(StrokeOpacity<Pixel16>(29492, 0), 0);
  EXPECT_EQ(StrokeOpacity<PixelFloat>(29492, 0.5f), 0.45001220703125f);
  EXPECT_EQ(StrokeOpacity<PixelFloat>(32768, 1.0f), 1.0f);
  // HDR alpha passes through at float depth; the integer depths stay in their coverage type.
  EXPECT_EQ(StrokeOpacity<PixelFloat>(32768, 4.0f), 4.0f);
  EXPECT_EQ(StrokeOpacity<Pixel16>(32768, 65535), 65535);
  EXPECT_EQ(StrokeOpacity<Pixel8>(-5, 255), 0);
}

TEST(GeneratorFade, TransparentSourceDrawsAtZeroOpacity) {
  const ShapeColour<Pixel8> clear{{30, 60, 90, 0}};
  for (int32_t type : {kLine, kCurve, kTriangle, kSquare, kCircle, kRectangle}) {
    const auto calls = Draw(Zigzag(5), Shape(type, false), clear).calls;
    ASSERT_FALSE(calls.empty());
    for (const RecordedCall& c : calls) EXPECT_EQ(c.opacity, 0) << type;
  }
}

TEST(GeneratorFade, EachPieceTakesItsOwnOpacity) {
  // Fade out by size along a line whose segments were found on rings 10, 14 and 19.
  Chain chain = MakeChain({{0, 0}, {10, 0}, {10, 14}, {29, 14}});
  chain.radius[0] = 10, chain.radius[1] = 14, chain.radius[2] = 19;
  GeneratorSettings<Pixel8> s = Shape(kLine, false);
  s.fadeType = kFadeOutBySize;
  s.fadeLevel = 255;
  s.size = 10;
  s.sizeGrowth = 9;
  const auto calls = Draw(chain, s).calls;
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].opacity, 230);
  EXPECT_EQ(calls[1].opacity, 255 - (5 * 255) / 10);
  EXPECT_EQ(calls[2].opacity, 0);
}

TEST(GeneratorFade, SettingsFarOutOfRangeStayDefined) {
  for (int32_t type :
       {kFadeNone, kFadeOutBySize, kFadeInBySize, kFadeOutByRecursion, kFadeInByRecursion}) {
    for (int32_t opacity : {INT32_MAX, INT32_MIN, -1}) {
      for (int32_t level : {INT32_MAX, INT32_MIN, 0, 255}) {
        GeneratorSettings<Pixel8> s8 = Shape(kLine, false);
        s8.fadeType = type;
        s8.opacity = opacity;
        s8.fadeLevel = level;
        s8.recursive = 1;
        const auto calls = Draw(Zigzag(6), s8).calls;
        for (const RecordedCall& c : calls) EXPECT_TRUE(c.opacity >= 0 && c.opacity <= 255);

        GeneratorSettings<Pixel16> s16;
        s16.fadeType = type, s16.opacity = opacity, s16.fadeLevel = level, s16.recursive = 1;
        s16.size = 5, s16.sizeGrowth = 5;
        RecordingTarget<Pixel16> t16;
        DrawShape<Pixel16>(t16, Zigzag(6), ShapeColour<Pixel16>{{1, 2, 3, 32768}}, s16);
        for (const RecordedCall& c : t16.calls) EXPECT_TRUE(c.opacity >= 0 && c.opacity <= 65535);
      }
    }
  }
  // A NaN or infinite float opacity becomes a defined integer before the fade.
  const float inf = std::numeric_limits<float>::infinity();
  GeneratorSettings<PixelFloat> sf;
  sf.shapeType = kLine;
  sf.fadeType = kFadeOutBySize;
  sf.fadeLevel = 32768;
  for (float opacity : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e30f}) {
    sf.opacity = opacity;
    RecordingTarget<PixelFloat> t;
    DrawShape<PixelFloat>(t, Zigzag(3), ShapeColour<PixelFloat>{{0.1f, 0.2f, 0.3f, 1.0f}}, sf);
    ASSERT_EQ(t.calls.size(), 2u);
    EXPECT_EQ(FadeOpacitySetting(sf),
              opacity != opacity ? 0 : (opacity > 0 ? INT32_MAX : INT32_MIN));
  }
}

}  // namespace
}  // namespace morvane
