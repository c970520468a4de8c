// The settings one generation runs with: the effect's settings after scaling to the
// render's resolution and conversion of the colour-scale fields to the depth.
#pragma once
#include <cstdint>
#include <type_traits>

#include "raster/pixel_traits.h"

namespace morvane {

// Opacity, match threshold and luminosity limits are integers at 8 and 16 bits (0..255 and
// 0..32768) and floats 0..1 at float depth. The fade level is an integer at every depth.
template <class P>
using SettingLevel =
    std::conditional_t<std::is_floating_point_v<typename P::Channel>, float, int32_t>;

enum ShapeKind : int32_t { kLine = 0, kCurve, kTriangle, kSquare, kCircle, kRectangle };
enum FadeKind : int32_t { kFadeNone = 0, kFadeOutBySize, kFadeInBySize, kFadeOutByRecursion, kFadeInByRecursion };
enum StartStrategy : int32_t { kStartRandom = 0, kStartStableRandom, kStartGrid };

template <class P>
struct GeneratorSettings {
  int32_t shapeCount = 0;
  int32_t recursionSteps = 1;
  int32_t shapeType = kTriangle;  // 0..5
  int32_t recursive = 0;          // 0 or 1
  float lineWidth = 1.0f;         // pixels, scaled
  int32_t fill = 0;
  SettingLevel<P> opacity = 0;
  int32_t size = 0;               // pixels, scaled
  int32_t sizeGrowth = 0;         // pixels, scaled
  SettingLevel<P> matchThreshold = 0;
  SettingLevel<P> minLuminosity = 0;
  SettingLevel<P> maxLuminosity = 0;
  int32_t startAngle = 0;         // degrees
  int32_t angleRandomization = 0; // degrees
  int32_t angleRange = 0;         // degrees
  int32_t fadeType = kFadeNone;   // 0..4
  int32_t fadeLevel = 0;          // 0..255 at 8-bit, 0..32768 at 16-bit and float
  int32_t startStrategy = kStartRandom;
  int32_t gridRandomization = 0;  // 0..255 at every depth
  int32_t seed = 0;
};

}  // namespace morvane
