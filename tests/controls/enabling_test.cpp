// Which controls are greyed out, through the refresh and through the user's changes, and the
// luminosity order; each through EffectMain as the host sends it.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/controls/controls_test_support.h"

namespace morvane {
namespace {

using namespace params_test;
constexpr PF_ParamUIFlags E = kEnabled, D = kDisabled;
// An interface bit none of the four controls may keep: the rules write the whole word.
constexpr PF_ParamUIFlags kStrayBit = 0x10;

void SetDependentStates(FakeHost& host, PF_ParamUIFlags flags) {
  for (int index : {SlotOf(ControlId::kFill), SlotOf(ControlId::kLineWidth), SlotOf(ControlId::kFadeLevel), SlotOf(ControlId::kGridRandomization)}) {
    host.param(index).ui_flags = flags;
  }
}

TEST(ParamsRefresh, AppliesTheFourRulesInOrder) {
  const struct {
    const char* what;
    int32_t shape, fill, fadeType, strategy;
    PF_ParamUIFlags fillUi, lineWidthUi, fadeLevelUi, gridUi;
  } kCases[] = {
      {"Circle, Fill off", 5, 0, 2, 2, E, D, E, D},
      {"Rectangle, Fill off", 6, 0, 2, 2, E, E, E, D},
      {"Rectangle, Fill on", 6, 1, 2, 2, E, D, E, D},
      {"Curve with Fill on, as a project may hold it", 2, 1, 2, 2, D, D, E, D},
      {"Line, Fill off", 1, 0, 2, 2, D, E, E, D},
      {"Circle, Fill on", 5, 1, 2, 2, E, D, E, D},
      {"Triangle, Fill on", 3, 1, 2, 2, E, D, E, D},
      {"shape type compared as a signed number", -1, 0, 2, 2, D, E, E, D},
      {"Fade Type None", 3, 0, 1, 2, E, E, D, D},
      {"Fade in by recursion", 3, 0, 5, 2, E, E, E, D},
      {"Random", 3, 0, 2, 1, E, E, E, D},
      {"Grid", 3, 0, 2, 3, E, E, E, E},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    Ready(host);
    host.value(SlotOf(ControlId::kShapeType)) = c.shape;
    host.value(SlotOf(ControlId::kFill)) = c.fill;
    host.value(SlotOf(ControlId::kFadeType)) = c.fadeType;
    host.value(SlotOf(ControlId::kStartPosStrategy)) = c.strategy;
    SetDependentStates(host, kDisabled | kStrayBit);
    const Records before = Snapshot(host);

    ASSERT_EQ(Refresh(host), PF_Err_NONE);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFill)).ui_flags, c.fillUi);
    EXPECT_EQ(host.param(SlotOf(ControlId::kLineWidth)).ui_flags, c.lineWidthUi);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFadeLevel)).ui_flags, c.fadeLevelUi);
    EXPECT_EQ(host.param(SlotOf(ControlId::kGridRandomization)).ui_flags, c.gridUi);
    const std::set<int> dependents = {SlotOf(ControlId::kFill), SlotOf(ControlId::kLineWidth), SlotOf(ControlId::kFadeLevel),
                                      SlotOf(ControlId::kGridRandomization)};
    for (int index : dependents) {
      EXPECT_EQ(host.param(index).uu.change_flags, kChanged) << index;
      EXPECT_EQ(host.value(index), ValueOf(before[index])) << "value of " << index;
    }
    ExpectOthersUntouched(before, Snapshot(host), dependents);
    EXPECT_EQ(host.updatedParams, (std::vector<PF_ParamIndex>{10, 9, 23, 19}));
    ExpectNoSuiteHeld(host);
  }
}

TEST(ParamsRefresh, FreshEffectEnablesAllButGridRandomization) {
  FakeHost host;
  Ready(host);
  ASSERT_EQ(host.param(SlotOf(ControlId::kFill)).ui_flags, D);  // as registered
  ASSERT_EQ(Refresh(host), PF_Err_NONE);
  EXPECT_EQ(host.param(SlotOf(ControlId::kFill)).ui_flags, E);
  EXPECT_EQ(host.param(SlotOf(ControlId::kLineWidth)).ui_flags, E);
  EXPECT_EQ(host.param(SlotOf(ControlId::kFadeLevel)).ui_flags, E);
  EXPECT_EQ(host.param(SlotOf(ControlId::kGridRandomization)).ui_flags, D);
}

// The user picks a new shape type; Line and Curve switch filling off.
TEST(ParamsUserChange, ShapeTypeSetsFillAndLineWidth) {
  const struct {
    const char* what;
    int32_t fromFill, toShape;
    int32_t fill;
    PF_ParamUIFlags fillUi, lineWidthUi;
  } kCases[] = {
      {"Square with Fill on to Line", 1, 1, 0, D, E},
      {"Square with Fill on to Curve", 1, 2, 0, D, E},
      {"Triangle with Fill on to Rectangle", 1, 6, 1, E, D},
      {"Line to Circle", 0, 5, 0, E, D},
      {"Circle to Rectangle", 0, 6, 0, E, E},
      {"Line to Triangle", 0, 3, 0, E, E},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    Ready(host);
    host.value(SlotOf(ControlId::kFill)) = c.fromFill;
    host.value(SlotOf(ControlId::kShapeType)) = c.toShape;
    SetDependentStates(host, kDisabled | kStrayBit);
    const Records before = Snapshot(host);

    ASSERT_EQ(host.UserChanged(SlotOf(ControlId::kShapeType)), PF_Err_NONE);
    EXPECT_EQ(host.value(SlotOf(ControlId::kFill)), c.fill);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFill)).ui_flags, c.fillUi);
    EXPECT_EQ(host.param(SlotOf(ControlId::kLineWidth)).ui_flags, c.lineWidthUi);
    EXPECT_EQ(host.param(SlotOf(ControlId::kFill)).uu.change_flags, kChanged);
    EXPECT_EQ(host.param(SlotOf(ControlId::kLineWidth)).uu.change_flags, kChanged);
    ExpectOthersUntouched(before, Snapshot(host), {SlotOf(ControlId::kFill), SlotOf(ControlId::kLineWidth)});
    EXPECT_EQ(host.updatedParams, (std::vector<PF_ParamIndex>{9, 10}));
    // The host hears of "Line Width" with the filling already decided.
    EXPECT_EQ(host.updatedRecords[0].ui_flags, c.lineWidthUi);
    ExpectNoSuiteHeld(host);
  }
}

// "Fill", "Fade Type" and "Starting Pos. Strategy" each decide one other control.
TEST(ParamsUserChange, SingleRuleChangesTouchOnlyTheirDependent) {
  const struct {
    const char* what;
    int changed;
    int32_t shape, fill, fadeType, strategy;
    int dependent;
    PF_ParamUIFlags ui;
  } kCases[] = {
      {"Fill on", SlotOf(ControlId::kFill), 3, 1, 2, 2, SlotOf(ControlId::kLineWidth), D},
      {"Fill off", SlotOf(ControlId::kFill), 3, 0, 2, 2, SlotOf(ControlId::kLineWidth), E},
      {"Fill off on a Circle", SlotOf(ControlId::kFill), 5, 0, 2, 2, SlotOf(ControlId::kLineWidth), D},
      {"Fade Type None", SlotOf(ControlId::kFadeType), 3, 0, 1, 2, SlotOf(ControlId::kFadeLevel), D},
      {"Fade out by size", SlotOf(ControlId::kFadeType), 3, 0, 2, 2, SlotOf(ControlId::kFadeLevel), E},
      {"Fade in by recursion", SlotOf(ControlId::kFadeType), 3, 0, 5, 2, SlotOf(ControlId::kFadeLevel), E},
      {"Random", SlotOf(ControlId::kStartPosStrategy), 3, 0, 2, 1, SlotOf(ControlId::kGridRandomization), D},
      {"Stable Random", SlotOf(ControlId::kStartPosStrategy), 3, 0, 2, 2, SlotOf(ControlId::kGridRandomization), D},
      {"Grid", SlotOf(ControlId::kStartPosStrategy), 3, 0, 2, 3, SlotOf(ControlId::kGridRandomization), E},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    Ready(host);
    host.value(SlotOf(ControlId::kShapeType)) = c.shape;
    host.value(SlotOf(ControlId::kFill)) = c.fill;
    host.value(SlotOf(ControlId::kFadeType)) = c.fadeType;
    host.value(SlotOf(ControlId::kStartPosStrategy)) = c.strategy;
    host.value(SlotOf(ControlId::kFadeLevel)) = F(63);
    SetDependentStates(host, kDisabled | kStrayBit);
    const Records before = Snapshot(host);

    ASSERT_EQ(host.UserChanged(c.changed), PF_Err_NONE);
    EXPECT_EQ(host.param(c.dependent).ui_flags, c.ui);
    EXPECT_EQ(host.param(c.dependent).uu.change_flags, kChanged);
    EXPECT_EQ(host.value(SlotOf(ControlId::kFadeLevel)), F(63));  // disabled controls keep their values
    ExpectOthersUntouched(before, Snapshot(host), {c.dependent});
    EXPECT_EQ(host.updatedParams, (std::vector<PF_ParamIndex>{c.dependent}));
  }
}

// The control the user moved gives way; the other keeps its value.
TEST(ParamsUserChange, LuminosityLimitsStayInOrder) {
  const struct {
    const char* what;
    int32_t minimum, maximum;
    int moved;
    int32_t minimumAfter, maximumAfter;
  } kCases[] = {
      {"minimum dragged above the maximum", F(150), F(100), SlotOf(ControlId::kMinLuminosity), F(100), F(100)},
      {"maximum dragged below the minimum", F(150), F(100), SlotOf(ControlId::kMaxLuminosity), F(150), F(150)},
      {"minimum below the maximum", F(50), F(100), SlotOf(ControlId::kMinLuminosity), F(50), F(100)},
      {"maximum above the minimum", F(50), F(100), SlotOf(ControlId::kMaxLuminosity), F(50), F(100)},
      {"equal, minimum moved", F(100), F(100), SlotOf(ControlId::kMinLuminosity), F(100), F(100)},
      {"equal, maximum moved", F(100), F(100), SlotOf(ControlId::kMaxLuminosity), F(100), F(100)},
      {"a fraction above", F(100) + 1, F(100), SlotOf(ControlId::kMinLuminosity), F(100), F(100)},
      {"a fraction below", F(100), F(100) - 1, SlotOf(ControlId::kMaxLuminosity), F(100), F(100)},
      {"raw values compare signed", F(0), -F(1), SlotOf(ControlId::kMinLuminosity), -F(1), -F(1)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    Ready(host);
    host.value(SlotOf(ControlId::kMinLuminosity)) = c.minimum;
    host.value(SlotOf(ControlId::kMaxLuminosity)) = c.maximum;
    const Records before = Snapshot(host);

    ASSERT_EQ(host.UserChanged(c.moved), PF_Err_NONE);
    EXPECT_EQ(host.value(SlotOf(ControlId::kMinLuminosity)), c.minimumAfter);
    EXPECT_EQ(host.value(SlotOf(ControlId::kMaxLuminosity)), c.maximumAfter);
    EXPECT_EQ(host.param(c.moved).uu.change_flags, kChanged);
    ExpectOthersUntouched(before, Snapshot(host), {c.moved});
    EXPECT_EQ(host.updatedParams, (std::vector<PF_ParamIndex>{c.moved}));
    const int32_t movedAfter = c.moved == SlotOf(ControlId::kMinLuminosity) ? c.minimumAfter : c.maximumAfter;
    EXPECT_EQ(host.updatedRecords[0].u.fd.value, movedAfter);  // the host hears the settled value
  }
}

TEST(ParamsUserChange, IndexOutsideTheDispatchTableChangesNothing) {
  const int kUnsupervised[] = {SlotOf(ControlId::kInput),      SlotOf(ControlId::kKeepOriginal),      SlotOf(ControlId::kShapeGroup),
                               SlotOf(ControlId::kLineWidth), SlotOf(ControlId::kFadeLevel),         SlotOf(ControlId::kGridRandomization),
                               SlotOf(ControlId::kRandomSeed), SlotOf(ControlId::kMatchingGroupEnd), kControlSlotCount,
                               -1,               100000};
  for (int index : kUnsupervised) {
    FakeHost host;
    Ready(host);
    const Records before = Snapshot(host);
    EXPECT_EQ(host.UserChanged(index), PF_Err_NONE) << index;
    ExpectOthersUntouched(before, Snapshot(host), {});
    EXPECT_TRUE(host.calls.empty()) << index;  // not even a suite acquired
  }
}

}  // namespace
}  // namespace morvane
