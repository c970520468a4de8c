// The chain search and whole renders against their reference copies: random control sets (every
// shape type, fill, fade and strategy; sizes, growths, angles and line widths up to and beyond
// their ranges), frames from 1×1 to 200×150 with padded rows, scaled and unscaled, at every depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "effect/controls.h"
#include "effect/render_buffers.h"
#include "effect/shape_settings.h"
#include "generator/build_chain.h"
#include "tests/differential/differential_support.h"
#include "tests/reference/reference_render.h"

namespace morvane {
namespace {

using differential::Frame;
using differential::Rng;

template <class P>
class RenderDifferential : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(RenderDifferential, Depths);

template <class P>
SettingLevel<P> LevelSetting(int32_t v255) {
  if constexpr (std::is_same_v<P, PixelFloat>) return static_cast<float>(v255) / 255.0f;
  if constexpr (std::is_same_v<P, Pixel16>) return v255 * 32768 / 255;
  if constexpr (std::is_same_v<P, Pixel8>) return v255;
}

// The chain from (x0, y0) under settings s, against the reference search: the same points,
// rings and random numbers drawn.
template <class P>
void ExpectChainAsTheReference(const InputSurface<P>& view, int32_t x0, int32_t y0,
                               const GeneratorSettings<P>& s, uint32_t seed) {
  const auto* px = view.PixelAt(x0, y0);
  const ShapeColour<P> source{{px[3], px[2], px[1], px[0]}};
  RandomSource fastRandom(seed), slowRandom(seed);
  Chain fast, slow;
  const int32_t n = BuildChain<P>(view, x0, y0, source, s, SweepAnglesOf(s), fastRandom, fast);
  ASSERT_EQ(n, reference::BuildChain<P>(view, x0, y0, source, s, slowRandom, slow));
  for (int32_t i = 0; i < n; ++i) {
    ASSERT_EQ(fast.x[i], slow.x[i]) << i;
    ASSERT_EQ(fast.y[i], slow.y[i]) << i;
    if (i + 1 < n) {
      ASSERT_EQ(fast.radius[i], slow.radius[i]) << i;
    }
  }
  ASSERT_EQ(fastRandom.Next(), slowRandom.Next()) << "the same numbers were drawn";
}

TYPED_TEST(RenderDifferential, ChainsMatchTheReferenceSearch) {
  using P = TypeParam;
  Rng rng(77 + sizeof(typename P::Channel));
  for (int imageCase = 0; imageCase < 12; ++imageCase) {
    Frame<P> image(rng.Int(1, 120), rng.Int(1, 90), 4 * rng.Int(0, 2));
    differential::FillPicture(image, rng, imageCase % 3 == 0);
    const InputSurface<P> view{image.Base(), image.width, image.height, image.stride};
    for (int chainCase = 0; chainCase < 150; ++chainCase) {
      GeneratorSettings<P> s;
      s.shapeType = rng.Int(0, 5);
      s.recursive = rng.Chance(50) ? 1 : 0;
      s.recursionSteps = rng.Int(0, 30);
      s.size = rng.Chance(10) ? rng.Int(-5, 200) : rng.Int(0, 30);
      s.sizeGrowth = rng.Chance(10) ? rng.Int(-5, 200) : rng.Int(0, 40);
      s.startAngle = rng.Chance(10) ? rng.Int(-2000, 40000) : rng.Int(0, 360);
      s.angleRandomization = rng.Chance(10) ? rng.Int(-400, 2000) : rng.Int(0, 360);
      s.angleRange = rng.Chance(10) ? rng.Int(-20, 1000) : rng.Int(1, 360);
      s.matchThreshold = LevelSetting<P>(rng.Int(0, 132));
      const int32_t x0 = rng.Int(0, image.width - 1), y0 = rng.Int(0, image.height - 1);
      const uint32_t seed = static_cast<uint32_t>(rng.Int(0, INT32_MAX));
      SCOPED_TRACE(::testing::Message() << "image " << imageCase << " chain " << chainCase);
      ExpectChainAsTheReference<P>(view, x0, y0, s, seed);
    }
  }
}

// Rings whose extreme candidates land on the image's last or first row or column, or one past
// it: a sweep starting at angle 0 (cosine exactly 1) reaches the row r below its centre, and a
// ring that fits the image only up to that row reads its candidates without the reflection. One
// ring (no growth) and one point per chain, so each case tests that ring.
TYPED_TEST(RenderDifferential, RingsTouchingTheImageEdgesMatchTheReferenceSearch) {
  using P = TypeParam;
  Rng rng(91 + sizeof(typename P::Channel));
  for (int imageCase = 0; imageCase < 6; ++imageCase) {
    Frame<P> image(rng.Int(12, 60), rng.Int(12, 50), 4 * rng.Int(0, 1));
    differential::FillPicture(image, rng, false);
    const InputSurface<P> view{image.Base(), image.width, image.height, image.stride};
    const int32_t w = image.width, h = image.height;
    for (int32_t r = 1; 2 * r + 1 <= std::min(w, h); ++r) {
      // Centres r from an edge, r + 1 from it, and r − 1 from it (the ring then crosses it).
      const int32_t xs[] = {r, r - 1, w - 1 - r, w - r, w / 2};
      const int32_t ys[] = {r, r - 1, h - 1 - r, h - r, h / 2};
      for (const int32_t startAngle : {0, 90, 180, 270}) {
        GeneratorSettings<P> s;
        s.shapeType = 0;
        s.size = r;
        s.sizeGrowth = 0;
        s.startAngle = startAngle;
        s.angleRandomization = 0;
        s.angleRange = 360;
        s.matchThreshold = LevelSetting<P>(rng.Int(0, 255));
        for (const int32_t x0 : xs) {
          for (const int32_t y0 : ys) {
            SCOPED_TRACE(::testing::Message() << "image " << imageCase << " ring " << r << " at "
                                              << x0 << "," << y0 << " from " << startAngle);
            ExpectChainAsTheReference<P>(view, x0, y0, s, static_cast<uint32_t>(rng.Int(0, INT32_MAX)));
          }
        }
      }
    }
  }
}

// A control set as a damaged project or a script might hold it: mostly in range, some values
// beyond. Counts stay small so that each render takes milliseconds.
ControlValues RandomControls(Rng& rng) {
  constexpr int32_t F = 65536;
  ControlValues v = DefaultControlValues();
  auto set = [&v](ControlId id, int32_t value) { v[SlotOf(id)] = value; };
  set(ControlId::kKeepOriginal, rng.Int(0, 1));
  set(ControlId::kShapeType, rng.Int(1, 6));
  set(ControlId::kCount, rng.Int(1, 60) * F);
  set(ControlId::kRecursionSteps, (rng.Chance(40) ? 1 : rng.Int(0, 40)) * F);
  set(ControlId::kSize, (rng.Chance(10) ? rng.Int(-3, 700) : rng.Int(1, 60)) * F);
  set(ControlId::kSizeGrowth, (rng.Chance(10) ? rng.Int(-3, 300) : rng.Int(0, 60)) * F);
  set(ControlId::kLineWidth, rng.Chance(10) ? rng.Int(0, 40 * F) : rng.Int(F, 32 * F));
  set(ControlId::kFill, rng.Int(0, 1));
  set(ControlId::kOpacity, rng.Int(0, 100) * F + rng.Int(0, F - 1));
  set(ControlId::kStartingAngle, rng.Int(0, 360 * F));
  set(ControlId::kAngleRandomization, rng.Int(0, 360 * F));
  set(ControlId::kAngleRange, rng.Chance(10) ? rng.Int(-F, 700 * F) : rng.Int(F, 360 * F));
  set(ControlId::kMatchingAccuracy, rng.Int(0, 100) * F);
  set(ControlId::kFadeType, rng.Int(1, 5));
  set(ControlId::kFadeLevel, rng.Int(0, 100) * F);
  set(ControlId::kMinLuminosity, rng.Int(0, 40) * F);
  set(ControlId::kMaxLuminosity, rng.Int(200, 255) * F);
  set(ControlId::kStartPosStrategy, rng.Int(1, 3));
  set(ControlId::kGridRandomization, rng.Int(0, 100) * F);
  set(ControlId::kRandomSeed, rng.Int(2, 16384) * F);
  return v;
}

TYPED_TEST(RenderDifferential, WholeRendersMatchTheReference) {
  using P = TypeParam;
  const Depth depth = std::is_same_v<P, Pixel8> ? Depth::k8
                      : std::is_same_v<P, Pixel16> ? Depth::k16
                                                   : Depth::kFloat;
  Rng rng(1234 + sizeof(typename P::Channel));
  for (int renderCase = 0; renderCase < 90; ++renderCase) {
    const int32_t w = renderCase % 15 == 0 ? rng.Int(1, 3) : rng.Int(8, 200);
    const int32_t h = renderCase % 15 == 0 ? rng.Int(1, 3) : rng.Int(8, 150);
    Frame<P> input(w, h, 4 * rng.Int(0, 3));
    differential::FillPicture(input, rng, renderCase % 4 == 0);
    Frame<P> fast(w, h, 4 * rng.Int(0, 3));
    Frame<P> slow = fast;
    const ShapeSettings settings = SettingsOfControls(RandomControls(rng));
    const int32_t layerWidth = rng.Chance(70) ? w : rng.Int(w / 2 + 1, 2 * w);
    const auto frame = [](Frame<P>& f) {
      return FrameBuffer{f.Base(), f.width, f.height,
                         static_cast<int32_t>(f.stride * sizeof(typename P::Channel))};
    };
    RenderOptions options;
    options.threads = renderCase % 4 + 1;  // one to four threads draw the same picture
    RenderBuffers(depth, frame(input), frame(fast), settings, layerWidth, options);
    reference::RenderBuffers(depth, frame(input), frame(slow), settings, layerWidth);
    ASSERT_TRUE(fast.SameBytes(slow)) << "render " << renderCase << " (" << w << "x" << h
                                      << ", shape " << settings.shapeType << ", fill "
                                      << settings.fill << ", strategy " << settings.startStrategy
                                      << ")";
  }
}

}  // namespace
}  // namespace morvane
