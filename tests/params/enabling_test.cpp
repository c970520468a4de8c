// Which controls are greyed out, through the refresh and through the user's changes, and the
// luminosity order; each through EffectMain as the host sends it.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/params/params_test_support.h"

namespace morvane {
namespace {

using namespace params_test;
constexpr PF_ParamUIFlags E = kEnabled, D = kDisabled;
// An interface bit none of the four controls may keep: the rules write the whole word.
constexpr PF_ParamUIFlags kStrayBit = 0x10;

void SetDependentStates(FakeHost& host, PF_ParamUIFlags flags) {
  for (int index : {PARAM_FILL, PARAM_LINE_WIDTH, PARAM_FADE_LEVEL, PARAM_GRID_RANDOMIZATION}) {
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
    host.value(PARAM_SHAPE_TYPE) = c.shape;
    host.value(PARAM_FILL) = c.fill;
    host.value(PARAM_FADE_TYPE) = c.fadeType;
    host.value(PARAM_START_POS_STRATEGY) = c.strategy;
    SetDependentStates(host, kDisabled | kStrayBit);
    const Records before = Snapshot(host);

    ASSERT_EQ(Refresh(host), PF_Err_NONE);
    EXPECT_EQ(host.param(PARAM_FILL).ui_flags, c.fillUi);
    EXPECT_EQ(host.param(PARAM_LINE_WIDTH).ui_flags, c.lineWidthUi);
    EXPECT_EQ(host.param(PARAM_FADE_LEVEL).ui_flags, c.fadeLevelUi);
    EXPECT_EQ(host.param(PARAM_GRID_RANDOMIZATION).ui_flags, c.gridUi);
    const std::set<int> dependents = {PARAM_FILL, PARAM_LINE_WIDTH, PARAM_FADE_LEVEL,
                                      PARAM_GRID_RANDOMIZATION};
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
  ASSERT_EQ(host.param(PARAM_FILL).ui_flags, D);  // as registered
  ASSERT_EQ(Refresh(host), PF_Err_NONE);
  EXPECT_EQ(host.param(PARAM_FILL).ui_flags, E);
  EXPECT_EQ(host.param(PARAM_LINE_WIDTH).ui_flags, E);
  EXPECT_EQ(host.param(PARAM_FADE_LEVEL).ui_flags, E);
  EXPECT_EQ(host.param(PARAM_GRID_RANDOMIZATION).ui_flags, D);
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
    host.value(PARAM_FILL) = c.fromFill;
    host.value(PARAM_SHAPE_TYPE) = c.toShape;
    SetDependentStates(host, kDisabled | kStrayBit);
    const Records before = Snapshot(host);

    ASSERT_EQ(host.UserChanged(PARAM_SHAPE_TYPE), PF_Err_NONE);
    EXPECT_EQ(host.value(PARAM_FILL), c.fill);
    EXPECT_EQ(host.param(PARAM_FILL).ui_flags, c.fillUi);
    EXPECT_EQ(host.param(PARAM_LINE_WIDTH).ui_flags, c.lineWidthUi);
    EXPECT_EQ(host.param(PARAM_FILL).uu.change_flags, kChanged);
    EXPECT_EQ(host.param(PARAM_LINE_WIDTH).uu.change_flags, kChanged);
    ExpectOthersUntouched(before, Snapshot(host), {PARAM_FILL, PARAM_LINE_WIDTH});
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
      {"Fill on", PARAM_FILL, 3, 1, 2, 2, PARAM_LINE_WIDTH, D},
      {"Fill off", PARAM_FILL, 3, 0, 2, 2, PARAM_LINE_WIDTH, E},
      {"Fill off on a Circle", PARAM_FILL, 5, 0, 2, 2, PARAM_LINE_WIDTH, D},
      {"Fade Type None", PARAM_FADE_TYPE, 3, 0, 1, 2, PARAM_FADE_LEVEL, D},
      {"Fade out by size", PARAM_FADE_TYPE, 3, 0, 2, 2, PARAM_FADE_LEVEL, E},
      {"Fade in by recursion", PARAM_FADE_TYPE, 3, 0, 5, 2, PARAM_FADE_LEVEL, E},
      {"Random", PARAM_START_POS_STRATEGY, 3, 0, 2, 1, PARAM_GRID_RANDOMIZATION, D},
      {"Stable Random", PARAM_START_POS_STRATEGY, 3, 0, 2, 2, PARAM_GRID_RANDOMIZATION, D},
      {"Grid", PARAM_START_POS_STRATEGY, 3, 0, 2, 3, PARAM_GRID_RANDOMIZATION, E},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    Ready(host);
    host.value(PARAM_SHAPE_TYPE) = c.shape;
    host.value(PARAM_FILL) = c.fill;
    host.value(PARAM_FADE_TYPE) = c.fadeType;
    host.value(PARAM_START_POS_STRATEGY) = c.strategy;
    host.value(PARAM_FADE_LEVEL) = F(63);
    SetDependentStates(host, kDisabled | kStrayBit);
    const Records before = Snapshot(host);

    ASSERT_EQ(host.UserChanged(c.changed), PF_Err_NONE);
    EXPECT_EQ(host.param(c.dependent).ui_flags, c.ui);
    EXPECT_EQ(host.param(c.dependent).uu.change_flags, kChanged);
    EXPECT_EQ(host.value(PARAM_FADE_LEVEL), F(63));  // disabled controls keep their values
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
      {"minimum dragged above the maximum", F(150), F(100), PARAM_MIN_LUMINOSITY, F(100), F(100)},
      {"maximum dragged below the minimum", F(150), F(100), PARAM_MAX_LUMINOSITY, F(150), F(150)},
      {"minimum below the maximum", F(50), F(100), PARAM_MIN_LUMINOSITY, F(50), F(100)},
      {"maximum above the minimum", F(50), F(100), PARAM_MAX_LUMINOSITY, F(50), F(100)},
      {"equal, minimum moved", F(100), F(100), PARAM_MIN_LUMINOSITY, F(100), F(100)},
      {"equal, maximum moved", F(100), F(100), PARAM_MAX_LUMINOSITY, F(100), F(100)},
      {"a fraction above", F(100) + 1, F(100), PARAM_MIN_LUMINOSITY, F(100), F(100)},
      {"a fraction below", F(100), F(100) - 1, PARAM_MAX_LUMINOSITY, F(100), F(100)},
      {"raw values compare signed", F(0), -F(1), PARAM_MIN_LUMINOSITY, -F(1), -F(1)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    Ready(host);
    host.value(PARAM_MIN_LUMINOSITY) = c.minimum;
    host.value(PARAM_MAX_LUMINOSITY) = c.maximum;
    const Records before = Snapshot(host);

    ASSERT_EQ(host.UserChanged(c.moved), PF_Err_NONE);
    EXPECT_EQ(host.value(PARAM_MIN_LUMINOSITY), c.minimumAfter);
    EXPECT_EQ(host.value(PARAM_MAX_LUMINOSITY), c.maximumAfter);
    EXPECT_EQ(host.param(c.moved).uu.change_flags, kChanged);
    ExpectOthersUntouched(before, Snapshot(host), {c.moved});
    EXPECT_EQ(host.updatedParams, (std::vector<PF_ParamIndex>{c.moved}));
    const int32_t movedAfter = c.moved == PARAM_MIN_LUMINOSITY ? c.minimumAfter : c.maximumAfter;
    EXPECT_EQ(host.updatedRecords[0].u.fd.value, movedAfter);  // the host hears the settled value
  }
}

TEST(ParamsUserChange, IndexOutsideTheDispatchTableChangesNothing) {
  const int kUnsupervised[] = {PARAM_INPUT,      PARAM_KEEP_ORIGINAL,      PARAM_SHAPE_GROUP,
                               PARAM_LINE_WIDTH, PARAM_FADE_LEVEL,         PARAM_GRID_RANDOMIZATION,
                               PARAM_RANDOM_SEED, PARAM_MATCHING_GROUP_END, PARAM_NUM_PARAMS,
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
