// The enabling rules on control values, as the panel shows them after a refresh.
#include <gtest/gtest.h>

#include "effect/controls.h"
#include "effect/enabling.h"

namespace morvane {
namespace {

struct Case {
  ShapeTypeEntry shape;
  int32_t fill;
  FadeTypeEntry fade;
  StrategyEntry strategy;
  bool fillOn, lineWidthOn, fadeLevelOn, gridOn;
};

const Case kCases[] = {
    // The defaults: Triangle, Fill off, Fade out by size, Stable Random.
    {ShapeTypeEntry::kTriangle, 0, FadeTypeEntry::kFadeOutBySize, StrategyEntry::kStableRandom,
     true, true, true, false},
    // Lines and curves have no inside; a stored "Fill" on still disables the width.
    {ShapeTypeEntry::kLine, 0, FadeTypeEntry::kNone, StrategyEntry::kGrid, false, true, false,
     true},
    {ShapeTypeEntry::kCurve, 1, FadeTypeEntry::kNone, StrategyEntry::kRandom, false, false, false,
     false},
    // A circle's outline is one pixel wide whatever the width.
    {ShapeTypeEntry::kCircle, 0, FadeTypeEntry::kFadeInByRecursion, StrategyEntry::kGrid, true,
     false, true, true},
    {ShapeTypeEntry::kRectangle, 0, FadeTypeEntry::kFadeOutByRecursion,
     StrategyEntry::kStableRandom, true, true, true, false},
    {ShapeTypeEntry::kRectangle, 1, FadeTypeEntry::kFadeInBySize, StrategyEntry::kRandom, true,
     false, true, false},
};

TEST(EffectEnabling, RulesFollowShapeFillFadeAndStrategy) {
  for (const Case& c : kCases) {
    ControlValues v = DefaultControlValues();
    v[SlotOf(ControlId::kShapeType)] = PopupValue(c.shape);
    v[SlotOf(ControlId::kFill)] = c.fill;
    v[SlotOf(ControlId::kFadeType)] = PopupValue(c.fade);
    v[SlotOf(ControlId::kStartPosStrategy)] = PopupValue(c.strategy);
    SCOPED_TRACE(::testing::Message() << "shape " << PopupValue(c.shape) << " fill " << c.fill
                                      << " fade " << PopupValue(c.fade) << " strategy "
                                      << PopupValue(c.strategy));
    EXPECT_EQ(ControlEnabled(ControlId::kFill, v), c.fillOn);
    EXPECT_EQ(ControlEnabled(ControlId::kLineWidth, v), c.lineWidthOn);
    EXPECT_EQ(ControlEnabled(ControlId::kFadeLevel, v), c.fadeLevelOn);
    EXPECT_EQ(ControlEnabled(ControlId::kGridRandomization, v), c.gridOn);
    EXPECT_TRUE(ControlEnabled(ControlId::kSize, v));  // no rule: always enabled
  }
}

}  // namespace
}  // namespace morvane
