// Shared pieces of the parameter tests: a host with the controls registered, record snapshots
// compared byte for byte, and names for the two interface states.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <string>

#include "effect/control_id.h"
#include "tests/fake_host/fake_host.h"

namespace morvane::params_test {

using testing::FakeHost;

constexpr int32_t F(int32_t whole) { return whole * 65536; }
constexpr PF_ParamUIFlags kEnabled = 0;
constexpr PF_ParamUIFlags kDisabled = 0x20;
constexpr int32_t kChanged = 1;      // PF_ChangeFlag_CHANGED_VALUE
constexpr int32_t kCollapse = 0x20;  // PF_ParamFlag_COLLAPSE_TWIRLY
constexpr const char* kParamUtils = "PF Param Utils Suite";

using Records = std::array<PF_ParamDef, kControlSlotCount>;

// Byte copies, so that a change anywhere in a record, padding aside, is seen.
inline Records Snapshot(const FakeHost& host) {
  Records r;
  std::memcpy(r.data(), host.paramDefs.data(), sizeof r);
  return r;
}
inline bool SameBytes(const PF_ParamDef& a, const PF_ParamDef& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The value field of a record, by its kind.
template <class Def>
auto& ValueOf(Def& d) {
  switch (d.param_type) {
    case PF_Param_POPUP: return d.u.pd.value;
    case PF_Param_CHECKBOX: return d.u.bd.value;
    default: return d.u.fd.value;
  }
}

// Every record not in `changed` is byte-identical in `before` and `after`.
inline void ExpectOthersUntouched(const Records& before, const Records& after, const std::set<int>& changed) {
  for (int i = 0; i < kControlSlotCount; ++i) {
    if (changed.count(i) == 0) {
      EXPECT_TRUE(SameBytes(before[i], after[i])) << "record " << i << " was touched";
    }
  }
}

inline void ExpectNoSuiteHeld(const FakeHost& host) {
  for (const auto& [name, held] : host.suitesHeld) EXPECT_EQ(held, 0) << name;
}

// A host whose controls hold their registered defaults, with the set-up calls forgotten.
inline void Ready(FakeHost& host) {
  ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
  host.calls.clear();
}

inline PF_Err Refresh(FakeHost& host) { return host.Call(PF_Cmd_UPDATE_PARAMS_UI); }

}  // namespace morvane::params_test
