// What the host sees when it fails the effect: a PF_UpdateParamUI that fails at any one call, a
// "PF Param Utils Suite" that cannot be acquired, a missing basic suite. Every command that calls
// the host is tried against the same run without failure.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/controls/controls_test_support.h"

namespace morvane {
namespace {

using namespace params_test;
constexpr int kRefresh = -1;

struct Command {
  const char* what;
  void (*setup)(FakeHost&);
  int changed;  // the index the host reports, or kRefresh
  // The records the command writes before its first PF_UpdateParamUI.
  std::set<int> writtenBeforeFirstCall;
};

const Command kCommands[] = {
    {"preset", [](FakeHost& h) { h.value(SlotOf(ControlId::kPreset)) = 8; }, SlotOf(ControlId::kPreset), {SlotOf(ControlId::kKeepOriginal)}},
    {"refresh", [](FakeHost& h) { h.value(SlotOf(ControlId::kShapeType)) = 2; h.value(SlotOf(ControlId::kFill)) = 1; }, kRefresh,
     {SlotOf(ControlId::kFill)}},
    {"shape type",
     [](FakeHost& h) {
       h.value(SlotOf(ControlId::kFill)) = 1;
       h.value(SlotOf(ControlId::kShapeType)) = 1;
     },
     SlotOf(ControlId::kShapeType), {SlotOf(ControlId::kFill), SlotOf(ControlId::kLineWidth)}},
    {"fill", [](FakeHost& h) { h.value(SlotOf(ControlId::kFill)) = 1; }, SlotOf(ControlId::kFill), {SlotOf(ControlId::kLineWidth)}},
    {"fade type", [](FakeHost& h) { h.value(SlotOf(ControlId::kFadeType)) = 1; }, SlotOf(ControlId::kFadeType), {SlotOf(ControlId::kFadeLevel)}},
    {"strategy", [](FakeHost& h) { h.value(SlotOf(ControlId::kStartPosStrategy)) = 3; }, SlotOf(ControlId::kStartPosStrategy),
     {SlotOf(ControlId::kGridRandomization)}},
    {"minimum luminosity",
     [](FakeHost& h) {
       h.value(SlotOf(ControlId::kMinLuminosity)) = F(150);
       h.value(SlotOf(ControlId::kMaxLuminosity)) = F(100);
     },
     SlotOf(ControlId::kMinLuminosity), {SlotOf(ControlId::kMinLuminosity)}},
    {"maximum luminosity",
     [](FakeHost& h) {
       h.value(SlotOf(ControlId::kMinLuminosity)) = F(150);
       h.value(SlotOf(ControlId::kMaxLuminosity)) = F(100);
     },
     SlotOf(ControlId::kMaxLuminosity), {SlotOf(ControlId::kMaxLuminosity)}},
};

PF_Err Run(FakeHost& host, const Command& command) {
  return command.changed == kRefresh ? Refresh(host) : host.UserChanged(command.changed);
}

struct Outcome {
  Records before;
  Records after;
  std::vector<PF_ParamIndex> updated;
};

void NoFailure(FakeHost&) {}
void WithoutParamUtils(FakeHost& h) { h.missingSuites = {kParamUtils}; }
void WithoutBasicSuite(FakeHost& h) { h.in_data.pica_basicP = nullptr; }

// The command on a fresh host, first letting `prepare` arrange a failure.
template <class Prepare>
Outcome RunOnFreshHost(const Command& command, Prepare prepare, PF_Err* result) {
  FakeHost host;
  EXPECT_EQ(host.SetupParams(), PF_Err_NONE);
  command.setup(host);
  host.calls.clear();
  prepare(host);
  Outcome o;
  o.before = Snapshot(host);
  *result = Run(host, command);
  o.after = Snapshot(host);
  o.updated = host.updatedParams;
  ExpectNoSuiteHeld(host);
  return o;
}

// All records are still written as without the failure; the host is called no more after the
// failing call; the code comes back, except from the refresh, which reports success.
TEST(ParamsFailure, FailingUpdateAtAnyCallStopsTheCallsButNotTheWrites) {
  for (const Command& command : kCommands) {
    SCOPED_TRACE(command.what);
    PF_Err result;
    const Outcome normal = RunOnFreshHost(command, NoFailure, &result);
    ASSERT_EQ(result, PF_Err_NONE);
    ASSERT_FALSE(normal.updated.empty());
    for (size_t failAt = 0; failAt < normal.updated.size(); ++failAt) {
      SCOPED_TRACE("failing call " + std::to_string(failAt));
      const Outcome failed = RunOnFreshHost(
          command, [&](FakeHost& h) { h.failUpdateParamUIAtCall = static_cast<int>(failAt); }, &result);
      EXPECT_EQ(result, command.changed == kRefresh ? PF_Err_NONE : PF_Err_INVALID_CALLBACK);
      for (int i = 0; i < kControlSlotCount; ++i) {
        EXPECT_TRUE(SameBytes(failed.after[i], normal.after[i])) << i;
      }
      EXPECT_EQ(failed.updated,
                std::vector<PF_ParamIndex>(normal.updated.begin(), normal.updated.begin() + failAt + 1));
    }
  }
}

// The suite is acquired at the first PF_UpdateParamUI: what was written before that stays, the
// rest is never written, and the command returns 516.
TEST(ParamsFailure, MissingParamUtilsSuiteKeepsWhatWasAlreadyWritten) {
  for (const Command& command : kCommands) {
    SCOPED_TRACE(command.what);
    PF_Err result;
    const Outcome normal = RunOnFreshHost(command, NoFailure, &result);
    const Outcome failed = RunOnFreshHost(command, WithoutParamUtils, &result);
    EXPECT_EQ(result, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(failed.updated.empty());
    ExpectOthersUntouched(failed.before, failed.after, command.writtenBeforeFirstCall);
    for (int index : command.writtenBeforeFirstCall) {
      EXPECT_NE(std::memcmp(&failed.before[index], &failed.after[index], sizeof(PF_ParamDef)), 0) << index;
      EXPECT_EQ(ValueOf(failed.after[index]), ValueOf(normal.after[index])) << index;
      EXPECT_EQ(failed.after[index].ui_flags, normal.after[index].ui_flags) << index;
    }
  }
}

TEST(ParamsFailure, MissingParamUtilsSuiteInAPresetKeepsTheFirstColumn) {
  PF_Err result;
  const Command& preset = kCommands[0];
  const Outcome normal = RunOnFreshHost(preset, NoFailure, &result);
  const Outcome failed = RunOnFreshHost(preset, WithoutParamUtils, &result);
  EXPECT_EQ(result, PF_Err_BAD_CALLBACK_PARAM);
  // "Keep Original Image" has its value, change flags and collapse flag, as in a full run.
  EXPECT_TRUE(SameBytes(failed.after[SlotOf(ControlId::kKeepOriginal)], normal.after[SlotOf(ControlId::kKeepOriginal)]));
  EXPECT_EQ(ValueOf(failed.after[SlotOf(ControlId::kKeepOriginal)]), 1);
}

// Without a basic suite no suite holder can exist, so every command fails before it writes.
TEST(ParamsFailure, NoBasicSuiteFailsEveryCommandUntouched) {
  std::vector<Command> commands(std::begin(kCommands), std::end(kCommands));
  commands.push_back({"unsupervised control", NoFailure, SlotOf(ControlId::kCount), {}});
  for (const Command& command : commands) {
    SCOPED_TRACE(command.what);
    PF_Err result;
    const Outcome failed = RunOnFreshHost(command, WithoutBasicSuite, &result);
    EXPECT_EQ(result, PF_Err_BAD_CALLBACK_PARAM);
    ExpectOthersUntouched(failed.before, failed.after, {});
    EXPECT_TRUE(failed.updated.empty());
  }
}

}  // namespace
}  // namespace morvane
