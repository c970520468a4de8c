#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "raster/stroke.h"
#include "raster/stroke_coverage_p.h"
#include "tests/raster/raster_test_util.h"

namespace morvane {
namespace {

using test::Depth;
using test::shapeColour;
using test::TestImage;

constexpr int32_t kNoEntry = INT32_MAX;  // a row without a traced column

TEST(RasterStroke, TraceRowsOfShallowSegment) {
  // Step (10 × 65536) / 100 truncates to 6553, so the row changes at x = 6, 16, 26, ...
  std::vector<int32_t> rows(12, kNoEntry);
  TraceSegmentRows(0, 0, 100, 10, rows.data(), 12);
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 6, 16, 26, 36, 46, 56, 66, 76, 86, 96, kNoEntry}));

  // Rows outside 0..height−1 are never written.
  std::vector<int32_t> clipped(5, kNoEntry);
  TraceSegmentRows(3, -4, 3, 40, clipped.data(), 5);
  EXPECT_EQ(clipped, (std::vector<int32_t>(5, 3)));
}

// Tracing is translation invariant; far from the origin the 16.16 positions need 64 bits and
// must give the same rows as near it.
TEST(RasterStroke, TraceFarFromOriginMatchesNearIt) {
  const int32_t segments[][4] = {{0, 0, 100, 10}, {3, 2, 17, 60}, {90, 5, 2, 31},
                                 {40, 60, 1, 0},  {7, 7, 7, 7},   {5, 50, 45, 10}};
  const int32_t offsets[][2] = {{50000, 40000}, {-70000, 33000}, {700000, 32768}};
  for (const auto& s : segments) {
    std::vector<int32_t> near(64, kNoEntry);
    TraceSegmentRows(s[0], s[1], s[2], s[3], near.data(), 64);
    for (const auto& o : offsets) {
      std::vector<int32_t> far(static_cast<std::size_t>(o[1]) + 64, kNoEntry);
      TraceSegmentRows(s[0] + o[0], s[1] + o[1], s[2] + o[0], s[3] + o[1], far.data(),
                       o[1] + 64);
      for (int32_t row = 0; row < 64; ++row) {
        const int32_t expected = near[row] == kNoEntry ? kNoEntry : near[row] + o[0];
        EXPECT_EQ(far[o[1] + row], expected) << "row " << row << " offset " << o[0];
      }
    }
  }
}

TEST(RasterStroke, RowBandCutsShallowSegment) {
  // (0,0)–(100,10) at width 1: spread 7 around row 1's entry 6, so x = 0..13 is scanned and
  // (14, 1), 0.4 from the segment, stays untouched while (13, 1) is drawn.
  TestImage<Pixel8> img(110, 14);
  img.Fill(0, 77, 77, 77);
  DrawThickLine<Pixel8>(Surface<Pixel8>{img.base(), 110, 14, img.stride()}, 0, 0, 100, 10, 1.0f,
                        shapeColour<Pixel8>(1, 2, 3), 255);
  EXPECT_EQ(img.at(14, 1)[1], 77);
  EXPECT_EQ(img.at(14, 1)[0], 0);
  EXPECT_GT(img.at(13, 1)[0], 0);
  EXPECT_GT(img.at(15, 2)[0], 0);
}

// The columns a stroke skips must have no coverage, and those it blends as solid must have full
// coverage, whatever the rounding of the float coverage: random segments near the origin and near
// the coordinate limit, short and long, checked column by column around the edges of both
// intervals (and every column in between for narrow rows).
TEST(RasterStroke, SkippedColumnsHaveNoCoverageAndSolidColumnsFullCoverage) {
  std::mt19937 rng(2024);
  const auto uniform = [&rng](int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(rng);
  };
  const float reaches[] = {0.5f, 1.25f, 3.5f, 5.5f, 7.5f, 13.5f, 39.5f, 200.0f};
  constexpr int64_t kLimit = CapsuleColumns::kCoordinateLimit - 1;
  int64_t solidColumns = 0;
  for (int segment = 0; segment < 3000; ++segment) {
    const bool far = segment % 3 == 0;
    const int64_t cx = far ? uniform(-kLimit + 1100000, kLimit - 1100000) : uniform(-50, 2000);
    const int64_t cy = far ? uniform(-kLimit + 1100000, kLimit - 1100000) : uniform(-50, 2000);
    const int64_t length = segment % 5 == 0 ? 1000000 : segment % 5 == 1 ? 3000 : 70;
    const int32_t x0 = static_cast<int32_t>(cx), y0 = static_cast<int32_t>(cy);
    const int32_t x1 = static_cast<int32_t>(cx + uniform(-length, length));
    const int32_t y1 = static_cast<int32_t>(cy + uniform(-length, length));
    const float reach = reaches[segment % 8];
    const SegmentCoverage coverage(x0, y0, x1, y1, reach);
    const CapsuleColumns capsule(x0, y0, x1, y1, reach);
    ASSERT_TRUE(capsule.Usable());
    for (int sample = 0; sample < 12; ++sample) {
      const int32_t y = static_cast<int32_t>(
          uniform(std::min(y0, y1) - static_cast<int64_t>(reach) - 2,
                  std::max(y0, y1) + static_cast<int64_t>(reach) + 2));
      int64_t lo = INT32_MIN, hi = INT32_MAX;
      capsule.Narrow(y, lo, hi);
      int64_t solidLo, solidHi;
      capsule.Solid(y, solidLo, solidHi);
      const auto raw = [&](int64_t x) { return coverage.Raw(static_cast<int32_t>(x), y); };
      // The quick narrowings (band and box, box alone) drop no column with coverage either.
      for (const bool alongLine : {true, false}) {
        int64_t bandLo = INT32_MIN, bandHi = INT32_MAX;
        capsule.NarrowToBand(y, bandLo, bandHi, alongLine);
        if (bandLo > bandHi) {
          for (int64_t x = std::min(x0, x1); x <= std::max(x0, x1); x += 1 + length / 64) {
            ASSERT_LE(raw(x), 0.0f) << x << "," << y << " in a row the band misses";
          }
        } else {
          for (int64_t d = 1; d <= 64; ++d) {
            ASSERT_LE(raw(bandLo - d), 0.0f) << bandLo - d << "," << y << " left of " << bandLo;
            ASSERT_LE(raw(bandHi + d), 0.0f) << bandHi + d << "," << y << " right of " << bandHi;
          }
        }
      }
      if (lo > hi) {
        // The row misses the stroke: the columns under the segment's span have no coverage.
        for (int64_t x = std::min(x0, x1); x <= std::max(x0, x1); x += 1 + length / 64) {
          ASSERT_LE(raw(x), 0.0f) << x << "," << y;
        }
        continue;
      }
      for (int64_t d = 1; d <= 64; ++d) {
        ASSERT_LE(raw(lo - d), 0.0f) << lo - d << "," << y << " left of " << lo;
        ASSERT_LE(raw(hi + d), 0.0f) << hi + d << "," << y << " right of " << hi;
      }
      if (solidLo > solidHi) continue;
      ASSERT_GE(solidLo, lo);
      ASSERT_LE(solidHi, hi);
      const int64_t step = solidHi - solidLo < 4096 ? 1 : (solidHi - solidLo) / 4096;
      for (int64_t x = solidLo; x <= solidHi; x += step) {
        ASSERT_GE(raw(x), 1.0f) << x << "," << y << " in " << solidLo << ".." << solidHi;
      }
      for (int64_t d = 0; d < 64 && solidHi - d >= solidLo; ++d) {
        ASSERT_GE(raw(solidHi - d), 1.0f) << solidHi - d << "," << y;
      }
      solidColumns += solidHi - solidLo + 1;
    }
  }
  EXPECT_GT(solidColumns, 0);  // the solid side was exercised
}

// The row and list evaluations (four or, where the processor has AVX2, eight pixels at a time,
// skipping square roots where the squared distance decides the clamped value) against the
// one-pixel formula, bit for bit, through each path: widths from a fraction of a pixel to not
// finite, zero-length segments, rows of every length and alignment, lists of pixels from several
// rows, near the origin and far from it.
TEST(RasterStroke, RowAndListCoverageEqualThePixelFormula) {
  std::mt19937 rng(77);
  const auto uniform = [&rng](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  const float reaches[] = {0.0f, 0.25f, 0.5f, 0.5000001f, 1.0f, 1.25f, 3.5f, 7.5f, 13.5f, 100.0f,
                           std::numeric_limits<float>::infinity(), std::nanf("")};
  float row[64 + 4];
  int32_t listX[64], listY[64];
  for (int segment = 0; segment < 4000; ++segment) {
    const bool far = segment % 4 == 0;
    const int32_t x0 = far ? uniform(-2000000, 2000000) : uniform(-20, 120);
    const int32_t y0 = far ? uniform(-2000000, 2000000) : uniform(-20, 120);
    const int32_t length = segment % 7 == 0 ? 0 : uniform(1, 80);
    const int32_t x1 = x0 + uniform(-length, length), y1 = y0 + uniform(-length, length);
    const float reach = segment % 3 == 0 ? reaches[segment % 12] : std::uniform_real_distribution<float>(0.0f, 40.0f)(rng);
    const SegmentCoverage coverage(x0, y0, x1, y1, reach);
    for (int sample = 0; sample < 8; ++sample) {
      const int32_t y = y0 + uniform(-50, 50);
      const int32_t x = std::min(x0, x1) + uniform(-60, 60);
      const int32_t count = uniform(1, 64);
      // A list: runs of a few pixels on rows around y, as a thin stroke's rows give them.
      for (int32_t i = 0; i < count; ++i) {
        const bool newRow = i == 0 || uniform(0, 3) == 0;
        listY[i] = newRow ? y + uniform(-3, 3) : listY[i - 1];
        listX[i] = newRow ? x + uniform(-4, 4) : listX[i - 1] + 1;
      }
      for (const char* path : {"row", "row four", "row eight", "list", "list four", "list eight"}) {
        const bool list = path[0] == 'l';
        const char* lanes = std::strchr(path, ' ');
        std::fill(std::begin(row), std::end(row), -7.0f);  // what lies past the row stays
        if (lanes == nullptr) {
          list ? coverage.ClampedList(listX, listY, count, row) : coverage.ClampedRow(x, y, count, row);
        } else if (lanes[1] == 'f') {
          list ? coverage.ClampedList(listX, listY, count, row, false) : coverage.ClampedRowFour(x, y, count, row);
        } else {
#if defined(MORVANE_EIGHT_LANES)
          if (!kEightLanes || count < 8) continue;
          list ? coverage.ClampedListEight(listX, listY, count, row) : coverage.ClampedRowEight(x, y, count, row);
#else
          continue;
#endif
        }
        for (int32_t i = count; i < count + 4; ++i) ASSERT_EQ(row[i], -7.0f) << path << " wrote past " << count;
        for (int32_t i = 0; i < count; ++i) {
          const int32_t px = list ? listX[i] : x + i, py = list ? listY[i] : y;
          const float expected = SegmentCoverage::Clamp(coverage.Raw(px, py));
          ASSERT_EQ(std::memcmp(&row[i], &expected, sizeof(float)), 0)
              << path << ": segment " << x0 << "," << y0 << " " << x1 << "," << y1 << " reach "
              << reach << " pixel " << px << "," << py << ": " << row[i] << " against " << expected;
        }
      }
    }
  }
}

// The squared distances that decide a pixel without its square root, checked against the
// coverage formula over the thousand floats around each of them, for many widths.
TEST(RasterStroke, DecidedSquaredDistancesAgreeWithTheFormula) {
  std::mt19937 rng(5);
  std::vector<float> reaches = {0.0f, 0.5f, 0.75f, 1.0f, 1.25f, 7.5f, 13.5f, 1000.5f};
  for (int i = 0; i < 300; ++i) reaches.push_back(std::uniform_real_distribution<float>(0.0f, 60.0f)(rng));
  for (const float reach : reaches) {
    const SegmentCoverage coverage(0, 0, 10, 0, reach);
    const auto formula = [reach](float sum) {
      const float c = 0.5f - static_cast<float>(std::sqrt(static_cast<double>(sum)) -
                                                static_cast<double>(reach));
      return c <= 0.0f ? 0.0f : c >= 1.0f ? 1.0f : c;
    };
    ASSERT_TRUE(std::isfinite(coverage.NoneSum())) << reach;
    for (const float decided : {coverage.FullSum(), coverage.NoneSum()}) {
      if (decided < 0.0f) continue;  // no full core
      float sum = decided;
      for (int step = 0; step < 500 && sum > 0.0f; ++step) sum = std::nextafter(sum, 0.0f);
      for (int step = 0; step < 1000; ++step, sum = std::nextafter(sum, 1e30f)) {
        if (sum <= coverage.FullSum()) {
          ASSERT_EQ(formula(sum), 1.0f) << reach << " " << sum;
        }
        if (sum >= coverage.NoneSum()) {
          ASSERT_EQ(formula(sum), 0.0f) << reach << " " << sum;
        }
        // The decided sums are the boundaries themselves, so no square root is taken in vain.
        if (sum == std::nextafter(coverage.FullSum(), 1e30f)) {
          ASSERT_LT(formula(sum), 1.0f) << reach;
        }
        if (sum == std::nextafter(coverage.NoneSum(), 0.0f)) {
          ASSERT_GT(formula(sum), 0.0f) << reach;
        }
      }
    }
  }
}

// Alpha after one stroke over a transparent buffer, for one pixel.
template <class P>
struct StrokeCase {
  int32_t x0, y0, x1, y1;
  float lineWidth;
  int32_t px, py;
  typename P::Channel alpha;  // 0 with untouched: the pixel keeps its colour too
  bool untouched;
};

template <class P>
void expectStroke(const StrokeCase<P>& c, typename P::Coverage opacity) {
  TestImage<P> img(24, 24);
  img.Fill(0, 7, 7, 7);
  DrawThickLine<P>(Surface<P>{img.base(), 24, 24, img.stride()}, c.x0, c.y0, c.x1, c.y1, c.lineWidth,
                   Depth<P>::colour(), opacity);
  const auto* px = img.at(c.px, c.py);
  EXPECT_EQ(px[0], c.alpha) << c.px << "," << c.py;
  EXPECT_EQ(px[1] == 7, c.untouched) << c.px << "," << c.py;
}

TEST(RasterStroke, CoverageAtEveryDepth) {
  // A zero-length segment is a disc; coverage is min(1, lineWidth − distance).
  const StrokeCase<Pixel8> c8[] = {
      {10, 10, 10, 10, 3.0f, 12, 10, 255, false},  // distance 2, width 3
      {10, 10, 10, 10, 3.0f, 13, 10, 0, true},     // distance 3: skipped
      {2, 5, 20, 5, 1.0f, 9, 5, 255, false},       // on the segment, width 1
      {2, 5, 20, 5, 1.5f, 9, 6, 127, false},       // distance 1, width 1.5: 0.5
      {2, 5, 20, 5, 1.5f, 22, 5, 0, true},         // beyond the end cap
      {4, 3, 4, 19, 2.5f, 5, 21, 67, false},       // round cap: distance sqrt(5)
      // c and (float)opacity × c in float give 50 here; the same steps in double give 51.
      {2, 2, 14, 7, 5.2f, 15, 2, 50, false},
  };
  for (const auto& c : c8) expectStroke<Pixel8>(c, 255);
  const StrokeCase<Pixel16> c16[] = {
      {10, 10, 10, 10, 3.0f, 12, 10, 32768, false},
      {2, 5, 20, 5, 1.5f, 9, 6, 16384, false},
      {4, 3, 4, 19, 2.5f, 5, 21, 8648, false},
  };
  for (const auto& c : c16) expectStroke<Pixel16>(c, 32768);
  const StrokeCase<PixelFloat> cF[] = {
      {10, 10, 10, 10, 3.0f, 12, 10, 1.0f, false},
      {2, 5, 20, 5, 1.5f, 9, 6, 0.5f, false},
      {4, 3, 4, 19, 2.5f, 5, 21, 0.26393202f, false},
  };
  for (const auto& c : cF) expectStroke<PixelFloat>(c, 1.0f);
}

// Joined segment against the thick line it refines: unchanged where the next segment gives
// nothing, nothing where both give full coverage.
TEST(RasterStroke, JoinedSegmentLeavesTheJoinToTheNextSegment) {
  struct Chain {
    int32_t x0, y0, x1, y1, x2, y2;
    float lineWidth;
  };
  const Chain chains[] = {
      {4, 12, 26, 12, 26, 12, 3.0f},  // P2 = P1: the next segment is a disc around P1
      {4, 12, 26, 12, 26, 30, 3.0f},  // right angle
      {3, 25, 20, 6, 28, 4, 4.5f},
      {5, 5, 25, 20, 5, 30, 2.0f},    // sharp turn back
  };
  auto distance = [](double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
    const double t = len2 == 0 ? 0 : std::fmax(0, std::fmin(1, ((px - ax) * dx + (py - ay) * dy) / len2));
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
  };
  for (const Chain& c : chains) {
    TestImage<Pixel8> thick(34, 34), joined(34, 34);
    thick.Fill(0, 7, 7, 7);
    joined.Fill(0, 7, 7, 7);
    const auto colour = shapeColour<Pixel8>(1, 2, 3);
    DrawThickLine<Pixel8>(Surface<Pixel8>{thick.base(), 34, 34, thick.stride()}, c.x0, c.y0, c.x1, c.y1,
                          c.lineWidth, colour, 255);
    DrawJoinedSegment<Pixel8>(Surface<Pixel8>{joined.base(), 34, 34, joined.stride()}, c.x0, c.y0, c.x1, c.y1,
                              c.lineWidth, c.x2, c.y2, colour, 255);
    int skipped = 0;
    for (int y = 0; y < 34; ++y) {
      for (int x = 0; x < 34; ++x) {
        const double d1 = distance(x, y, c.x0, c.y0, c.x1, c.y1);
        const double d2 = distance(x, y, c.x1, c.y1, c.x2, c.y2);
        if (d2 > c.lineWidth + 1e-3) {
          EXPECT_EQ(joined.at(x, y)[0], thick.at(x, y)[0]) << x << "," << y;
        } else if (d1 < c.lineWidth - 1 - 1e-3 && d2 < c.lineWidth - 1 - 1e-3) {
          EXPECT_EQ(joined.at(x, y)[1], 7) << x << "," << y;
          ++skipped;
        } else {
          EXPECT_LE(joined.at(x, y)[0], thick.at(x, y)[0]) << x << "," << y;
        }
      }
    }
    EXPECT_GT(skipped, 0);
  }
}

TEST(RasterStroke, QuadraticBezier) {
  EXPECT_EQ(QuadraticBezier(0.0f, 10.0f, 20.0f, 0.5f), 10.0f);
  EXPECT_EQ(QuadraticBezier(3.5f, -8.0f, 20.0f, 0.0f), 3.5f);
  EXPECT_EQ(QuadraticBezier(3.5f, -8.0f, 20.0f, 1.0f), 20.0f);
  // The squares and the sum in double: all in float this is 26.9999981, whose whole part
  // (the sample's pixel) is 26.
  EXPECT_EQ(QuadraticBezier(0.0f, 33.0f, 26.0f, 0.9f), 27.0f);
}

}  // namespace
}  // namespace morvane
