// The library-free floor and ceiling conversions against std::floor and std::ceil followed by the
// saturating truncation they replace, on the values where a hand-written one goes wrong (signs,
// whole numbers, the int32 limits, values already whole above 2^23, NaN and infinities) and on
// random bit patterns of every exponent.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "support/numeric.h"

namespace morvane {
namespace {

void ExpectFloatConversions(float v) {
  EXPECT_EQ(FloorToInt32(v), TruncToInt32(std::floor(v))) << v;
  EXPECT_EQ(CeilToInt32(v), TruncToInt32(std::ceil(v))) << v;
}

void ExpectDoubleConversions(double v) {
  EXPECT_EQ(FloorToInt64(v), static_cast<int64_t>(std::floor(v))) << v;
  EXPECT_EQ(CeilToInt64(v), static_cast<int64_t>(std::ceil(v))) << v;
}

TEST(Numeric, FloorAndCeilOfFloatsAsTheLibraryGivesThem) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float cases[] = {0.0f, -0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 1.25f, -1.25f, 2.999999f,
                         -2.999999f, 8388607.5f, -8388607.5f, 8388608.0f, -8388609.0f,
                         16777217.0f, 2147483520.0f, -2147483520.0f, 2147483648.0f,
                         -2147483648.0f, -2147483904.0f, 3e9f, -3e9f, 1e-45f, -1e-45f, kInf,
                         -kInf, std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()};
  for (const float v : cases) ExpectFloatConversions(v);
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) ExpectFloatConversions(std::bit_cast<float>(static_cast<uint32_t>(rng())));
}

TEST(Numeric, FloorAndCeilOfDoublesAsTheLibraryGivesThem) {
  const double cases[] = {0.0, -0.0, 0.5, -0.5, 1.0, -1.0, 0x1p-60, -0x1p-60, 4503599627370495.5,
                          -4503599627370495.5, 0x1p52, -0x1p52 - 1, 0x1p61 + 4096, -0x1p61 - 4096,
                          2147483647.75, -2147483648.25};
  for (const double v : cases) ExpectDoubleConversions(v);
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int i = 0; i < 200000; ++i) {
    // Magnitudes from 2^-40 to 2^61, evenly over the exponents.
    const double v = std::ldexp(unit(rng), static_cast<int>(rng() % 102) - 40);
    ExpectDoubleConversions(v);
  }
}

}  // namespace
}  // namespace morvane
