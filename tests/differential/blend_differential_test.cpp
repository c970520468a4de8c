// The shipped blend against the plain arithmetic of the reference: every alpha and coverage pair
// at 8 bits, every alpha at 16 bits with the coverages at the edges of each range, and float
// values across and beyond 0..1, through each path a rasteriser may take (one pixel, the
// fixed-coverage blend of spans and stroke cores).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "raster/blend.h"
#include "raster/coverage_row_blend_p.h"
#include "tests/differential/differential_support.h"
#include "tests/reference/reference_blend.h"

namespace morvane {
namespace {

using differential::Rng;

template <class P>
bool SameBits(const typename P::Channel* a, const typename P::Channel* b) {
  return std::memcmp(a, b, 4 * sizeof(typename P::Channel)) == 0;
}

// Blends `before` with (colour, coverage) through every path; each must give the reference's
// bytes. Returns false (after reporting) at the first difference.
template <class P>
bool EveryPathMatches(const typename P::Channel (&before)[4], const ShapeColour<P>& colour,
                      typename P::Coverage coverage) {
  using Ch = typename P::Channel;
  Ch expected[4], single[4], fixed[4];
  std::memcpy(expected, before, sizeof expected);
  std::memcpy(single, before, sizeof single);
  std::memcpy(fixed, before, sizeof fixed);
  reference::BlendPixelAt<P>(expected, colour, coverage);
  BlendPixelAt<P>(single, colour, coverage);
  FixedCoverageBlend<P> blend(colour, coverage);
  blend(fixed);
  const bool ok = SameBits<P>(expected, single) && SameBits<P>(expected, fixed);
  if (!ok) {
    ADD_FAILURE() << "pixel " << +before[0] << " " << +before[1] << " " << +before[2] << " "
                  << +before[3] << ", colour " << +colour.channel[0] << " " << +colour.channel[1]
                  << " " << +colour.channel[2] << ", coverage " << +coverage << ": expected "
                  << +expected[0] << " " << +expected[1] << " " << +expected[2] << " "
                  << +expected[3] << ", one pixel gives " << +single[0] << " " << +single[1]
                  << " " << +single[2] << " " << +single[3] << ", fixed coverage " << +fixed[0]
                  << " " << +fixed[1] << " " << +fixed[2] << " " << +fixed[3];
  }
  return ok;
}

TEST(BlendDifferential, EightBitEveryAlphaAndCoverage) {
  Rng rng(81);
  for (int32_t a = 0; a < 256; ++a) {
    for (int32_t c = 0; c < 256; ++c) {
      const uint8_t old = static_cast<uint8_t>(rng.Int(0, 255));
      const uint8_t before[4] = {static_cast<uint8_t>(a), old, 0, 255};
      const ShapeColour<Pixel8> colour{
          {static_cast<uint8_t>(rng.Int(0, 255)), 255, 0, 255}};
      if (!EveryPathMatches<Pixel8>(before, colour, static_cast<uint8_t>(c))) return;
    }
  }
}

TEST(BlendDifferential, SixteenBitEveryAlphaAtTheEdgesOfCoverage) {
  Rng rng(161);
  // Coverages from the strokes' and circles' truncations and from sources above white.
  const uint16_t coverages[] = {0, 1, 2, 255, 256, 16383, 16384, 32767, 32768, 32769, 40000,
                                65534, 65535};
  for (int32_t a = 0; a < 65536; ++a) {
    for (const uint16_t c : coverages) {
      const uint16_t before[4] = {static_cast<uint16_t>(a), static_cast<uint16_t>(rng.Int(0, 65535)),
                                  0, 32768};
      const ShapeColour<Pixel16> colour{{static_cast<uint16_t>(rng.Int(0, 65535)), 32768, 0, 0}};
      if (!EveryPathMatches<Pixel16>(before, colour, c)) return;
    }
  }
  for (int32_t i = 0; i < 2000000; ++i) {
    const auto channel = [&rng] {
      return static_cast<uint16_t>(rng.Chance(80) ? rng.Int(0, 32768) : rng.Int(0, 65535));
    };
    const uint16_t before[4] = {channel(), channel(), channel(), channel()};
    const ShapeColour<Pixel16> colour{{channel(), channel(), channel(), 0}};
    if (!EveryPathMatches<Pixel16>(before, colour, channel())) return;
  }
}

TEST(BlendDifferential, FloatAcrossAndBeyondTheRange) {
  Rng rng(32);
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float special[] = {0.0f, -0.0f, 1.0f, 0.5f, -0.25f, 1.25f, 1e-30f, 1e30f, kInf, -kInf,
                           std::numeric_limits<float>::denorm_min()};
  const auto value = [&] { return rng.Chance(85) ? rng.Real(-0.5f, 1.5f) : rng.Pick(special); };
  for (int32_t i = 0; i < 2000000; ++i) {
    const float before[4] = {value(), value(), value(), value()};
    const ShapeColour<PixelFloat> colour{{value(), value(), value(), 0.0f}};
    if (!EveryPathMatches<PixelFloat>(before, colour, value())) return;
  }
}

// Rows through FixedCoverageBlend::Run (vector lanes at every depth) against the reference
// pixel by pixel: rows of every length up to 37 at every offset, alphas from a few repeated
// values (the table's hits) or any, at 16 bits mostly rows within white (the vector lanes) and
// some with values above it anywhere (one pixel at a time), at float depth values beyond 0..1
// and infinities.
template <class P>
void RowsMatch(uint64_t seed) {
  using Ch = typename P::Channel;
  Rng rng(seed);
  constexpr float kInf = std::numeric_limits<float>::infinity();
  bool withinWhite = true;
  const auto channel = [&rng, &withinWhite](bool alpha, bool few) -> Ch {
    if constexpr (std::is_same_v<P, PixelFloat>) {
      const float special[] = {0.0f, 1.0f, 0.5f, -0.25f, 1.25f, 1e30f, kInf, -kInf};
      if (alpha && few) return rng.Pick(special);
      return rng.Chance(95) ? rng.Real(-0.2f, 1.2f) : rng.Pick(special);
    } else {
      const int32_t top = std::is_same_v<P, Pixel8> ? 255 : withinWhite ? 32768 : 65535;
      if (alpha && few) return static_cast<Ch>(rng.Pick({0, 1, top / 2, top - 1, top}));
      if (!withinWhite && rng.Chance(90)) return static_cast<Ch>(rng.Int(0, 32768));
      return static_cast<Ch>(rng.Int(0, top));
    }
  };
  for (int row = 0; row < 20000; ++row) {
    const int32_t length = rng.Int(1, 37);
    const bool few = rng.Chance(50);
    withinWhite = rng.Chance(70);
    std::vector<Ch> fast(static_cast<size_t>(4 * length)), slow;
    for (int32_t i = 0; i < 4 * length; ++i) fast[static_cast<size_t>(i)] = channel(i % 4 == 0, few);
    slow = fast;
    const ShapeColour<P> colour{{channel(false, false), channel(false, false), channel(false, false), 0}};
    typename P::Coverage coverage;
    if constexpr (std::is_same_v<P, PixelFloat>) {
      coverage = rng.Chance(90) ? rng.Real(0.0f, 1.0f) : rng.Pick({0.0f, 1.0f, 2.0f, kInf});
    } else {
      const int32_t top = withinWhite ? P::kFull : std::is_same_v<P, Pixel8> ? 255 : 65535;
      // Full coverage (white) also over values above white, where runs are plain stores.
      coverage = static_cast<typename P::Coverage>(
          rng.Chance(10) ? rng.Pick({0, 1, top - 1, top, P::kFull}) : rng.Int(0, top));
    }
    for (int32_t i = 0; i < length; ++i) reference::BlendPixelAt<P>(slow.data() + 4 * i, colour, coverage);
    for (const bool eight : {false, kEightLanes}) {
      std::vector<Ch> lanes = fast;
      FixedCoverageBlend<P> blend(colour, coverage);
      blend.Run(lanes.data(), length, eight);
      ASSERT_EQ(std::memcmp(lanes.data(), slow.data(), lanes.size() * sizeof(Ch)), 0)
          << "row " << row << " of " << length << " pixels, coverage " << +coverage
          << (eight ? ", eight lanes" : ", four lanes");
    }
  }
}

TEST(BlendDifferential, RowsAtEveryDepth) {
  RowsMatch<Pixel8>(8);
  RowsMatch<Pixel16>(16);
  RowsMatch<PixelFloat>(32);
}

// The strokes' row blend, each pixel by its own coverage, against the reference pixel by pixel
// through four and eight lanes: coverages as the stroke coverage gives them (0 to 1, mostly
// partial, runs of 1 and of 0, a few negative, which leave their pixels alone, and NaN, which
// ends the vector groups), pixels within and beyond the range, rows of every length up to 45.
template <class P>
void CoverageRowsMatch(uint64_t seed) {
  using Ch = typename P::Channel;
  Rng rng(seed);
  const auto channel = [&rng](bool withinWhite) -> Ch {
    if constexpr (std::is_same_v<P, PixelFloat>) {
      return rng.Chance(97) ? rng.Real(-0.2f, 1.2f) : rng.Pick({0.0f, 1.0f, 1e30f, -1e30f});
    } else {
      const int32_t top = std::is_same_v<P, Pixel8> ? 255 : withinWhite ? 32768 : 65535;
      return static_cast<Ch>(rng.Chance(10) ? rng.Pick({0, top}) : rng.Int(0, top));
    }
  };
  for (int row = 0; row < 20000; ++row) {
    const int32_t length = rng.Int(1, 45);
    const bool withinWhite = rng.Chance(80);
    std::vector<Ch> before(static_cast<size_t>(4 * length));
    for (Ch& v : before) v = channel(withinWhite);
    const ShapeColour<P> colour{{channel(withinWhite), channel(withinWhite), channel(withinWhite), 0}};
    const typename P::Coverage opacity =
        std::is_same_v<P, PixelFloat> ? static_cast<typename P::Coverage>(rng.Real(0.0f, 1.0f))
                                      : static_cast<typename P::Coverage>(rng.Int(0, P::kFull));
    std::vector<float> coverage(static_cast<size_t>(length));
    float run = 0.0f;
    for (float& c : coverage) {
      if (rng.Chance(30)) run = rng.Pick({0.0f, 1.0f, 0.5f});
      c = rng.Chance(60) ? run : rng.Chance(97) ? rng.Real(0.0f, 1.0f) : rng.Pick({-0.5f, std::nanf("")});
    }
    std::vector<Ch> expected = before;
    for (int32_t i = 0; i < length; ++i) {
      // A NaN coverage blends with the coverage it truncates to (which writes the colour over a
      // transparent pixel); only coverages at or below 0 leave a pixel alone.
      if (!(coverage[i] <= 0.0f)) {
        reference::BlendPixelAt<P>(expected.data() + 4 * i, colour, StrokeCoverage<P>(opacity, coverage[i]));
      }
    }
    for (const bool eight : {false, kEightLanes}) {
      std::vector<Ch> fast = before;
      BlendRowByCoverage<P>(fast.data(), colour, opacity, coverage.data(), length, eight);
      ASSERT_EQ(std::memcmp(fast.data(), expected.data(), fast.size() * sizeof(Ch)), 0)
          << "row " << row << " of " << length << " pixels, opacity " << +opacity
          << (eight ? ", eight lanes" : ", four lanes");
    }
  }
}

TEST(BlendDifferential, CoverageRowsAtEveryDepth) {
  CoverageRowsMatch<Pixel8>(81);
  CoverageRowsMatch<Pixel16>(161);
  CoverageRowsMatch<PixelFloat>(321);
}

}  // namespace
}  // namespace morvane
