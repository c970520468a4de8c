// The registered controls, checked record by record against an independent table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/fake_host/fake_host.h"

namespace morvane {
namespace {

using testing::FakeHost;

struct ExpectedControl {
  PF_ParamType type;
  const char* name;
  int32_t flags;
  int32_t uiFlags;
  // Popup: choices, default, entries. Checkbox: default. Slider: min, max, 16.16 default,
  // precision, percent.
  int32_t a, b, c, d, e;
  const char* entries;
};

constexpr int32_t F = 65536;
const ExpectedControl kExpected[25] = {
    {PF_Param_POPUP, "Preset", 0x40, 0, 20, 1, 0, 0, 0,
     "Rough Scratch|Hatched Shade|Blurry Watercolor|Recursive Lines|Tiny Lines|Curved Shade|Small "
     "Triangles|Rectangle Mosaic|Dotten Mosaic|Scrapes|Perforated Squares|Wiggly Felt Pen|Lozenge "
     "Mosaic|Dense Pointillism|Creased Aquarel|Bold Strokes|Transparent Rectangles|Rounded "
     "Blocks|Baton Triangles|Continuous Dots"},
    {PF_Param_CHECKBOX, "Keep Original Image", 0x04, 0x10, 0, 0, 0, 0, 0, ""},
    {PF_Param_GROUP_START, "Shape", 0, 0, 0, 0, 0, 0, 0, nullptr},
    {PF_Param_POPUP, "Shape type", 0x40, 0, 6, 3, 0, 0, 0, "Line|Curve|Triangle|Square|Circle|Rectangle"},
    {PF_Param_FIX_SLIDER, "Count", 0, 0, 1, 16384, 1000 * F, 0, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Recursion Steps", 0, 0, 1, 512, 1 * F, 0, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Size", 0, 0, 1, 512, 28 * F, 0, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Size Growth", 0, 0, 0, 256, 32 * F, 0, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Line Width", 0, 0, 1, 32, 117964, 1, 0, nullptr},
    {PF_Param_CHECKBOX, "Fill", 0x44, 0x20, 0, 0, 0, 0, 0, ""},
    {PF_Param_FIX_SLIDER, "Opacity", 0, 0, 0, 100, 100 * F, 0, 1, nullptr},
    {PF_Param_FIX_SLIDER, "Starting Angle", 0, 0, 0, 360, 228 * F, 1, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Angle Randomization", 0, 0, 0, 360, 32 * F, 1, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Angle Range", 0, 0, 1, 360, 150 * F, 1, 0, nullptr},
    {PF_Param_GROUP_END, "", 0, 0, 0, 0, 0, 0, 0, nullptr},
    {PF_Param_GROUP_START, "Image Matching", 0, 0, 0, 0, 0, 0, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Matching Accuracy", 0, 0, 0, 100, 95 * F, 0, 1, nullptr},
    {PF_Param_POPUP, "Fade Type", 0x40, 0, 5, 2, 0, 0, 0,
     "None|Fade out by size|Fade in by size|Fade out by recursion|Fade in by recursion"},
    {PF_Param_FIX_SLIDER, "Fade Level", 0, 0, 0, 100, 40 * F, 0, 1, nullptr},
    {PF_Param_FIX_SLIDER, "Minimum Luminosity", 0x40, 0, 0, 255, 2 * F, 0, 0, nullptr},
    {PF_Param_FIX_SLIDER, "Maximum Luminosity", 0x40, 0, 0, 255, 255 * F, 0, 0, nullptr},
    {PF_Param_POPUP, "Starting Pos. Strategy", 0x40, 0, 3, 2, 0, 0, 0, "Random|Stable Random|Grid"},
    {PF_Param_FIX_SLIDER, "Grid Randomization", 0, 0x20, 0, 100, 0, 0, 1, nullptr},
    {PF_Param_FIX_SLIDER, "Random Seed (Evolution)", 0, 0, 2, 16384, 777 * F, 0, 0, nullptr},
    {PF_Param_GROUP_END, "", 0, 0, 0, 0, 0, 0, 0, nullptr},
};

TEST(HostParamsSetup, RegistersTheTwentyFiveControlsAsTabled) {
  FakeHost host;
  ASSERT_EQ(host.Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  EXPECT_EQ(host.out_data.num_params, 26);
  ASSERT_EQ(host.added.size(), 25u);
  EXPECT_FALSE(host.Called("add_param with index"));  // always appended with -1
  for (int i = 0; i < 25; ++i) {
    const PF_ParamDef& d = host.added[i];
    const ExpectedControl& e = kExpected[i];
    SCOPED_TRACE("control " + std::to_string(i + 1) + " " + e.name);
    EXPECT_EQ(d.param_type, e.type);
    EXPECT_STREQ(d.name, e.name);
    EXPECT_EQ(d.uu.id, i + 1);
    EXPECT_EQ(d.flags, e.flags);
    EXPECT_EQ(d.ui_flags, e.uiFlags);
    EXPECT_EQ(d.ui_width, 0);
    EXPECT_EQ(d.ui_height, 0);
    switch (e.type) {
      case PF_Param_POPUP:
        EXPECT_EQ(d.u.pd.num_choices, e.a);
        EXPECT_EQ(d.u.pd.dephault, e.b);
        EXPECT_EQ(d.u.pd.value, e.b);
        EXPECT_STREQ(d.u.pd.u.namesptr, e.entries);
        break;
      case PF_Param_CHECKBOX:
        EXPECT_EQ(d.u.bd.value, e.a);
        EXPECT_EQ(d.u.bd.dephault, e.a);
        EXPECT_STREQ(d.u.bd.u.nameptr, "");
        break;
      case PF_Param_FIX_SLIDER:
        EXPECT_EQ(d.u.fd.valid_min, e.a * F);
        EXPECT_EQ(d.u.fd.valid_max, e.b * F);
        EXPECT_EQ(d.u.fd.slider_min, e.a * F);
        EXPECT_EQ(d.u.fd.slider_max, e.b * F);
        EXPECT_EQ(d.u.fd.dephault, e.c);
        EXPECT_EQ(d.u.fd.value, e.c);
        EXPECT_EQ(d.u.fd.precision, e.d);
        EXPECT_EQ(d.u.fd.display_flags, e.e);
        EXPECT_STREQ(d.u.fd.value_str, "");
        EXPECT_STREQ(d.u.fd.value_desc, "");
        break;
      default: {
        // Group records carry nothing beyond type, name and id.
        PF_ParamDefUnion zero;
        std::memset(&zero, 0, sizeof zero);
        EXPECT_EQ(std::memcmp(&d.u, &zero, sizeof zero), 0);
      }
    }
  }
}

TEST(HostParamsSetup, FailingAddParamStopsAtOnceAndLeavesNumParamsAlone) {
  for (int failAt : {1, 9, 25}) {
    FakeHost host;
    host.failAddParamAt = failAt;
    host.out_data.num_params = -5;
    EXPECT_EQ(host.Call(PF_Cmd_PARAMS_SETUP), PF_Err_OUT_OF_MEMORY) << failAt;
    EXPECT_EQ(host.count("add_param"), static_cast<size_t>(failAt)) << failAt;
    EXPECT_EQ(host.out_data.num_params, -5) << failAt;
  }
}

}  // namespace
}  // namespace morvane
