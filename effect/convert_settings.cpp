#include "effect/convert_settings.h"

#include <algorithm>
#include <type_traits>

#include "effect/controls.h"
#include "effect/presets.h"
#include "support/numeric.h"

namespace morvane {
namespace {

// The largest values the generator takes: each control's own slider maximum, and for "Count" the
// largest a preset stores. Beyond them a damaged project or a script would overflow the chain lists
// or multiply the work of every shape; every value the controls can be set to, and every preset,
// lies inside, so no such picture changes.
constexpr int32_t SliderMax(ControlId id) { return Control(id).validMax; }

template <class P>
SettingLevel<P> LevelOf(int32_t v255) {
  const int32_t v = std::clamp(v255, 0, 255);
  if constexpr (std::is_same_v<P, Pixel8>) {
    return v;
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    return v * 32768 / 255;
  } else {
    return static_cast<float>(v) / 255.0f;
  }
}

// The fade level is an integer at every depth: float frames take the 16-bit scale.
template <class P>
int32_t FadeLevelOf(int32_t v255) {
  const int32_t v = std::clamp(v255, 0, 255);
  if constexpr (std::is_same_v<P, Pixel8>) return v;
  return v * 32768 / 255;
}

}  // namespace

float ScaleFactor(int32_t outputWidth, int32_t layerWidth) {
  // A layer width of 0 would make the factor infinite and every scaled size undefined.
  if (layerWidth <= 0) return 1.0f;
  return static_cast<float>(outputWidth) / static_cast<float>(layerWidth);
}

template <class P>
GeneratorSettings<P> ConvertSettings(const ShapeSettings& s, float scale) {
  constexpr int32_t kMaxRecursionSteps = SliderMax(ControlId::kRecursionSteps);
  constexpr int32_t kMaxSize = SliderMax(ControlId::kSize);
  constexpr int32_t kMaxSizeGrowth = SliderMax(ControlId::kSizeGrowth);
  constexpr float kMaxLineWidth = static_cast<float>(SliderMax(ControlId::kLineWidth));
  // A sweep of "Angle Range" r turns through r degrees on each side of its start, a whole turn at
  // the slider's 360: beyond that it only revisits angles, at many times the work per ring.
  constexpr int32_t kMaxAngleRange = SliderMax(ControlId::kAngleRange);
  // "Count" is read as 16 shapes per unit; a preset stores up to 20000 (above the slider's 16384).
  constexpr int32_t kMaxShapeCount =
      std::max(SliderMax(ControlId::kCount), LargestPresetValue(ControlId::kCount)) * 16;
  static_assert(kMaxRecursionSteps == 512 && kMaxSize == 512 && kMaxSizeGrowth == 256 &&
                kMaxLineWidth == 32.0f && kMaxAngleRange == 360 && kMaxShapeCount == 320000);

  GeneratorSettings<P> g;
  g.shapeCount = std::min(s.shapeCount, kMaxShapeCount);
  g.recursionSteps = std::min(s.recursionSteps, kMaxRecursionSteps);
  g.shapeType = std::clamp(s.shapeType, 0, 5);
  g.recursive = s.recursive;
  g.lineWidth = std::min(s.lineWidth, kMaxLineWidth) * scale;
  g.fill = s.fill;
  g.opacity = LevelOf<P>(s.opacity);
  g.size = TruncToInt32(static_cast<float>(std::min(s.size, kMaxSize)) * scale);
  g.sizeGrowth = TruncToInt32(static_cast<float>(std::min(s.sizeGrowth, kMaxSizeGrowth)) * scale);
  g.matchThreshold = LevelOf<P>(s.matchThreshold);
  g.minLuminosity = LevelOf<P>(s.minLuminosity);
  g.maxLuminosity = LevelOf<P>(s.maxLuminosity);
  g.startAngle = s.startAngle;
  g.angleRandomization = s.angleRandomization;
  g.angleRange = std::min(s.angleRange, kMaxAngleRange);
  g.fadeType = std::clamp(s.fadeType, 0, 4);
  g.fadeLevel = FadeLevelOf<P>(s.fadeLevel);
  g.startStrategy = std::clamp(s.startStrategy, 0, 2);
  g.gridRandomization = std::clamp(s.gridRandomization, 0, 255);
  g.seed = s.seed;
  return g;
}

#define MORVANE_INSTANTIATE(P) \
  template GeneratorSettings<P> ConvertSettings<P>(const ShapeSettings&, float);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
