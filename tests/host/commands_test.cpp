// Command-level tests of the entry points, driven through EffectMain as a host drives it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/suites.h"
#include "host/commands.h"
#include "host/effect_info.h"
#include "host/entry_points.h"
#include "tests/fake_host/fake_host.h"

namespace morvane {
namespace {

using testing::FakeHost;
using testing::FakeWorld;
using testing::WorldDepth;

class HostCommands : public ::testing::Test {
 protected:
  void SetUp() override { gPixelFormatSuite = nullptr; }
  void TearDown() override { gPixelFormatSuite = nullptr; }
};

TEST_F(HostCommands, GlobalSetupInAfterEffectsWritesTheWordsAndTouchesNoSuite) {
  FakeHost host;
  EXPECT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.out_data.my_version, 0x00080E01u);
  EXPECT_EQ(host.out_data.out_flags, 0x06000000);
  EXPECT_EQ(host.out_data.out_flags2, 0x00001410);
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(gPixelFormatSuite, nullptr);
}

TEST_F(HostCommands, GlobalSetupInPremiereOffersTheThreeFormatsAfterClearing) {
  FakeHost host(FakeHost::kPremiereApplId);
  EXPECT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.out_data.my_version, 0x00080E01u);
  EXPECT_EQ(host.out_data.out_flags, 0x06000000);
  EXPECT_EQ(host.out_data.out_flags2, 0x00001410);
  const std::vector<std::string> expected = {
      "AcquireSuite PF Pixel Format Suite 1", "ClearSupportedPixelFormats", "AddSupportedPixelFormat",
      "AddSupportedPixelFormat", "AddSupportedPixelFormat"};
  EXPECT_EQ(host.calls, expected);
  EXPECT_EQ(host.supportedFormats, (std::vector<PrPixelFormat>{0x62677261, 0x62677241, 0x62675241}));
  EXPECT_NE(gPixelFormatSuite, nullptr);
  EXPECT_EQ(host.suitesHeld["PF Pixel Format Suite"], 1);  // kept for the render path
}

TEST_F(HostCommands, GlobalSetupInPremiereWithoutPixelFormatSuiteStillSucceeds) {
  FakeHost host(FakeHost::kPremiereApplId);
  host.missingSuites = {"PF Pixel Format Suite"};
  EXPECT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.out_data.my_version, 0x00080E01u);
  EXPECT_EQ(host.out_data.out_flags2, 0x00001410);
  EXPECT_EQ(gPixelFormatSuite, nullptr);
  EXPECT_FALSE(host.Called("ClearSupportedPixelFormats"));
}

TEST_F(HostCommands, AboutWritesNameAndVersionThroughTheHostsSprintf) {
  FakeHost host;
  std::memset(host.out_data.return_msg, 'x', sizeof host.out_data.return_msg);
  EXPECT_EQ(host.Call(PF_Cmd_ABOUT), PF_Err_NONE);
  EXPECT_STREQ(host.out_data.return_msg, "Morvane, v1.0.1");
  EXPECT_EQ(host.calls, std::vector<std::string>{"sprintf %s, v%d.%d.%d"});
}

TEST_F(HostCommands, CommandsWithoutHandlerReturnZeroAndChangeNothing) {
  const PF_Cmd ignored[] = {2, 3, 5, 6, 7, 8, 9, 10, 12, 15, 16, 17, 18, 19, 20, 21, 22,
                            25, 26, 27, 28, 29, 30, 31, 32, 33, 34, -1, 1000};
  for (PF_Cmd cmd : ignored) {
    FakeHost host;
    const PF_OutData before = host.out_data;
    EXPECT_EQ(host.Call(cmd), PF_Err_NONE) << "command " << cmd;
    EXPECT_EQ(std::memcmp(&before, &host.out_data, sizeof before), 0) << "command " << cmd;
    EXPECT_TRUE(host.calls.empty()) << "command " << cmd;
  }
}

TEST_F(HostCommands, PluginDataEntryDescribesTheEffectOnceAndReturnsTheCallbacksResult) {
  struct Seen {
    int calls = 0;
    PF_PluginDataPtr ptr = nullptr;
    std::string name, match, category, entry;
    A_long kind = 0, major = 0, minor = 0, reserved = 0;
  };
  static Seen seen;
  seen = Seen{};
  auto callback = [](PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* match,
                     const A_u_char* category, const A_u_char* entry, A_long kind, A_long major,
                     A_long minor, A_long reserved) -> A_Err {
    ++seen.calls;
    seen.ptr = inPtr;
    seen.name = reinterpret_cast<const char*>(name);
    seen.match = reinterpret_cast<const char*>(match);
    seen.category = reinterpret_cast<const char*>(category);
    seen.entry = reinterpret_cast<const char*>(entry);
    seen.kind = kind;
    seen.major = major;
    seen.minor = minor;
    seen.reserved = reserved;
    return 7;
  };
  int token = 0;
  const auto ptr = reinterpret_cast<PF_PluginDataPtr>(&token);
  EXPECT_EQ(PluginDataEntryFunction(ptr, callback, nullptr, "host", "1.0"), 7);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.ptr, ptr);
  EXPECT_EQ(seen.name, "Morvane");
  EXPECT_EQ(seen.match, "VantorMorvanes");
  EXPECT_EQ(seen.category, "Vantor");
  EXPECT_EQ(seen.entry, "EffectMain");
  EXPECT_EQ(seen.kind, 0x65464B54);
  EXPECT_EQ(seen.major, 13);
  EXPECT_EQ(seen.minor, 17);
  EXPECT_EQ(seen.reserved, 8);
}

// ---- Smart render frame --------------------------------------------------------------------------

class HostSmartRender : public HostCommands {
 protected:
  void SetUp() override {
    HostCommands::SetUp();
    ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
    host.value(11) = 0;  // "Opacity" 0: shapes leave an opaque input as it is
    host.value(2) = 1;   // "Keep Original Image"
    input.Fill(255, 10, 20, 30);
    host.inputWorld = &input;
    host.outputWorld = &output;
    host.in_data.width = 8;
    ASSERT_EQ(host.PreRender(), PF_Err_NONE);
    host.calls.clear();
  }
  void TearDown() override {
    std::free(host.preOutput.pre_render_data);
    HostCommands::TearDown();
  }
  FakeHost host;
  FakeWorld input{WorldDepth::k8, 8, 6};
  FakeWorld output{WorldDepth::k8, 8, 6};
};

TEST_F(HostSmartRender, RendersWithTheCallsInOrder) {
  EXPECT_EQ(host.SmartRender(), PF_Err_NONE);
  const std::vector<std::string> expected = {
      "checkout_layer_pixels 0", "checkout_output",        "AcquireSuite PF World Suite 2",
      "GetPixelFormat",          "checkin_layer_pixels 0", "ReleaseSuite PF World Suite 2"};
  EXPECT_EQ(host.calls, expected);
  EXPECT_EQ(output.PixelBytes(), input.PixelBytes());
}

TEST_F(HostSmartRender, MissingPreRenderDataIsDamagedStructureWithoutAnyCall) {
  std::free(host.preOutput.pre_render_data);
  host.preOutput.pre_render_data = nullptr;
  EXPECT_EQ(host.SmartRender(), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_TRUE(host.calls.empty());
}

// Each failing step: its code is returned, later steps are not taken, and the input is still
// checked in.
TEST_F(HostSmartRender, FailuresReturnTheirCodeAndStillCheckTheInputIn) {
  struct Case {
    const char* what;
    PF_Err FakeHost::*error;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"input checkout", &FakeHost::checkoutPixelsError,
       {"checkout_layer_pixels 0", "AcquireSuite PF World Suite 2", "checkin_layer_pixels 0",
        "ReleaseSuite PF World Suite 2"}},
      {"output checkout", &FakeHost::checkoutOutputError,
       {"checkout_layer_pixels 0", "checkout_output", "AcquireSuite PF World Suite 2", "checkin_layer_pixels 0",
        "ReleaseSuite PF World Suite 2"}},
      {"pixel format", &FakeHost::getPixelFormatError,
       {"checkout_layer_pixels 0", "checkout_output", "AcquireSuite PF World Suite 2", "GetPixelFormat",
        "checkin_layer_pixels 0", "ReleaseSuite PF World Suite 2"}},
  };
  const std::vector<uint8_t> untouched = output.PixelBytes();
  for (const Case& c : cases) {
    host.calls.clear();
    host.checkoutPixelsError = host.checkoutOutputError = host.getPixelFormatError = PF_Err_NONE;
    host.*(c.error) = PF_Err_INVALID_INDEX;
    EXPECT_EQ(host.SmartRender(), PF_Err_INVALID_INDEX) << c.what;
    EXPECT_EQ(host.calls, c.calls) << c.what;
    EXPECT_EQ(output.PixelBytes(), untouched) << c.what << ": the core must not run";
  }
}

TEST_F(HostSmartRender, FailingCheckinIsReportedOnlyWhenNothingFailedBefore) {
  host.checkinPixelsError = PF_Err_INVALID_CALLBACK;
  EXPECT_EQ(host.SmartRender(), PF_Err_INVALID_CALLBACK);
  host.checkoutOutputError = PF_Err_OUT_OF_MEMORY;
  EXPECT_EQ(host.SmartRender(), PF_Err_OUT_OF_MEMORY);
}

TEST_F(HostSmartRender, MissingWorldSuiteShowsTheMessageReportsMissingSuiteAndChecksTheInputIn) {
  host.missingSuites = {"PF World Suite"};
  EXPECT_EQ(host.SmartRender(), A_Err_MISSING_SUITE);
  EXPECT_EQ(host.out_data.out_flags & 0x100, 0x100);
  EXPECT_STREQ(host.out_data.return_msg, "Not able to acquire AEFX Suite.");
  EXPECT_EQ(host.count("checkin_layer_pixels 0"), 1u);
  EXPECT_FALSE(host.Called("GetPixelFormat"));
  EXPECT_FALSE(host.Called("ReleaseSuite"));
}

// ---- Suite holders -------------------------------------------------------------------------------

TEST(HostSuites, SuiteHandlerAcquiresOnceAndReleasesWhatItAcquired) {
  FakeHost host;
  {
    SuiteHandler suites(host.in_data.pica_basicP);
    EXPECT_TRUE(host.calls.empty());  // nothing until asked
    const PF_ParamUtilsSuite3* a = suites.ParamUtilsSuite3();
    const PF_ParamUtilsSuite3* b = suites.ParamUtilsSuite3();
    EXPECT_EQ(a, b);
    EXPECT_EQ(host.count("AcquireSuite PF Param Utils Suite 3"), 1u);
  }
  EXPECT_EQ(host.count("ReleaseSuite PF Param Utils Suite 3"), 1u);
  EXPECT_EQ(host.suitesHeld["PF Param Utils Suite"], 0);
}

TEST(HostSuites, SuiteHandlerRaisesBadCallbackWithoutBasicSuiteOrWhenAcquisitionFails) {
  FakeHost host;
  try {
    SuiteHandler suites(nullptr);
    FAIL() << "no error raised";
  } catch (const HostError& e) {
    EXPECT_EQ(e.code, PF_Err_BAD_CALLBACK_PARAM);
  }
  host.missingSuites = {"PF Param Utils Suite"};
  try {
    SuiteHandler suites(host.in_data.pica_basicP);
    suites.ParamUtilsSuite3();
    FAIL() << "no error raised";
  } catch (const HostError& e) {
    EXPECT_EQ(e.code, PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_FALSE(host.Called("ReleaseSuite"));  // nothing acquired, nothing released
}

TEST(HostSuites, SuiteScopeWithoutOutDataRaisesMissingSuiteAndWritesNoMessage) {
  FakeHost host;
  host.missingSuites = {"PF World Suite"};
  try {
    SuiteScope<PF_WorldSuite2> scope(&host.in_data, kPFWorldSuite, kPFWorldSuiteVersion2, nullptr);
    FAIL() << "no error raised";
  } catch (const HostError& e) {
    EXPECT_EQ(e.code, A_Err_MISSING_SUITE);
  }
  EXPECT_EQ(host.out_data.out_flags, 0);
  EXPECT_STREQ(host.out_data.return_msg, "");
}

}  // namespace
}  // namespace morvane
