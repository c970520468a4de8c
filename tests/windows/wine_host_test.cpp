// The Windows test host: loads Morvane.aex by path as After Effects and Premiere Pro do, reads
// the resource a host reads before it calls the module, and drives the module's EffectMain through
// the fake host. Runs under Wine in CI, and unchanged on Windows.
//
//   wine_host.exe --module=PATH --data=DIR --reference=DIR --out=DIR [gtest flags]
//
// --data holds the test photograph, --reference the Linux build's renders of the picture cases,
// --out receives this run's renders under the same file names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "host/effect_info.h"
#include "host/pipl.h"
#include "tests/cross_platform/picture_cases.h"
#include "tests/cross_platform/preset_timing.h"
#include "tests/fake_host/fake_host.h"

namespace morvane::testing {
namespace {

struct Options {
  std::string module, data, reference, out;
};
Options gOptions;       // from the command line, set before the tests run
HMODULE gModule = nullptr;

template <class Function>
Function Export(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(gModule, name)));
}

PF_FilterProc ModuleEffectMain() { return Export<PF_FilterProc>("EffectMain"); }

HMODULE ModuleHolding(const void* address) {
  HMODULE owner = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(address), &owner);
  return owner;
}

class WineModule : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(gModule, nullptr) << "LoadLibrary failed for " << gOptions.module; }
};

TEST_F(WineModule, ExportsBothEntryPointsByTheirUndecoratedNames) {
  const PF_FilterProc effectMain = ModuleEffectMain();
  const auto pluginData = Export<PluginDataEntryFunctionPtr>("PluginDataEntryFunction");
  ASSERT_NE(effectMain, nullptr);
  ASSERT_NE(pluginData, nullptr);
  EXPECT_EQ(ModuleHolding(reinterpret_cast<const void*>(effectMain)), gModule);
  EXPECT_EQ(ModuleHolding(reinterpret_cast<const void*>(pluginData)), gModule);
  // The host finds the entry point by the name the property list gives.
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(gModule, kEntryPointName)),
            reinterpret_cast<void*>(effectMain));
}

BOOL CALLBACK RecordLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

TEST_F(WineModule, PiplResourceHoldsExactlyPiplBytes) {
  HRSRC resource = FindResourceExA(gModule, kPiplResourceType, MAKEINTRESOURCEA(kPiplResourceId),
                                   static_cast<WORD>(kPiplResourceLanguage));
  ASSERT_NE(resource, nullptr) << "no " << kPiplResourceType << " " << kPiplResourceId << " resource in language "
                               << kPiplResourceLanguage;
  // A host that asks without a language finds the same resource.
  EXPECT_EQ(FindResourceA(gModule, MAKEINTRESOURCEA(kPiplResourceId), kPiplResourceType), resource);
  std::vector<WORD> languages;
  EnumResourceLanguagesA(gModule, kPiplResourceType, MAKEINTRESOURCEA(kPiplResourceId), &RecordLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, std::vector<WORD>{static_cast<WORD>(kPiplResourceLanguage)});

  HGLOBAL loaded = LoadResource(gModule, resource);
  ASSERT_NE(loaded, nullptr);
  const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
  ASSERT_NE(data, nullptr);
  const std::vector<uint8_t> stored(data, data + SizeofResource(gModule, resource));
  const std::span<const uint8_t> expected = PiplBytes();
  EXPECT_EQ(stored, std::vector<uint8_t>(expected.begin(), expected.end()));
}

struct PluginDataCall {
  int calls = 0;
  PF_PluginDataPtr inPtr = nullptr;
  std::string name, matchName, category, entryPoint;
  A_long kind = 0, major = 0, minor = 0, reserved = 0;
};

A_Err RecordPluginData(PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* matchName,
                       const A_u_char* category, const A_u_char* entryPoint, A_long kind, A_long major,
                       A_long minor, A_long reserved) {
  auto* record = reinterpret_cast<PluginDataCall*>(inPtr);
  ++record->calls;
  record->inPtr = inPtr;
  record->name = reinterpret_cast<const char*>(name);
  record->matchName = reinterpret_cast<const char*>(matchName);
  record->category = reinterpret_cast<const char*>(category);
  record->entryPoint = reinterpret_cast<const char*>(entryPoint);
  record->kind = kind;
  record->major = major;
  record->minor = minor;
  record->reserved = reserved;
  return 41;
}

TEST_F(WineModule, PluginDataEntryFunctionDescribesTheEffectOnce) {
  const auto entry = Export<PluginDataEntryFunctionPtr>("PluginDataEntryFunction");
  ASSERT_NE(entry, nullptr);
  PluginDataCall record;
  EXPECT_EQ(entry(reinterpret_cast<PF_PluginDataPtr>(&record), &RecordPluginData, nullptr, "wine_host", "1.0"), 41);
  EXPECT_EQ(record.calls, 1);
  EXPECT_EQ(record.inPtr, reinterpret_cast<PF_PluginDataPtr>(&record));
  EXPECT_EQ(record.name, "Morvane");
  EXPECT_EQ(record.matchName, "VantorMorvanes");
  EXPECT_EQ(record.category, "Vantor");
  EXPECT_EQ(record.entryPoint, "EffectMain");
  EXPECT_EQ(uint32_t(record.kind), 0x65464B54u);  // 'eFKT'
  EXPECT_EQ(record.major, 13);
  EXPECT_EQ(record.minor, 17);
  EXPECT_EQ(record.reserved, 8);
}

TEST_F(WineModule, AfterEffectsStartUpAndAbout) {
  FakeHost host;
  host.effectMain = ModuleEffectMain();
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(uint32_t(host.out_data.my_version), 0x00080E01u);
  EXPECT_EQ(uint32_t(host.out_data.out_flags), 0x06000000u);
  EXPECT_EQ(uint32_t(host.out_data.out_flags2), 0x00001410u);
  EXPECT_FALSE(host.Called("AcquireSuite"));

  ASSERT_EQ(host.SetupParams(), PF_Err_NONE);
  EXPECT_EQ(host.added.size(), size_t(kControlSlotCount - 1));

  // The about text goes through the host's variadic sprintf callback, across the module boundary.
  ASSERT_EQ(host.Call(PF_Cmd_ABOUT), PF_Err_NONE);
  EXPECT_STREQ(host.out_data.return_msg, "Morvane, v1.0.1");
}

TEST_F(WineModule, PremiereGlobalSetupOffersTheThreeArgbFormats) {
  FakeHost host(FakeHost::kPremiereApplId);
  host.effectMain = ModuleEffectMain();
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.clearSupportedCalls, 1);
  EXPECT_EQ(host.supportedFormats, (std::vector<PrPixelFormat>{static_cast<PrPixelFormat>(0x62677261),
                                                               static_cast<PrPixelFormat>(0x62677241),
                                                               static_cast<PrPixelFormat>(0x62675241)}));
}

// Renders every picture case through the module and compares each with the Linux build's render.
TEST(WinePictures, EveryCaseEqualsTheLinuxBuildsRender) {
  ASSERT_NE(gModule, nullptr) << "LoadLibrary failed for " << gOptions.module;
  const PF_FilterProc effectMain = ModuleEffectMain();
  ASSERT_NE(effectMain, nullptr);
  ArgbImage photo;
  ASSERT_TRUE(ReadPpm(gOptions.data + "/" + kPicturePhotograph, photo)) << gOptions.data;
  std::filesystem::create_directories(gOptions.out);

  size_t totalDiffering = 0, totalPixels = 0;
  for (const PictureControls& controls : kPictureControls) {
    for (WorldDepth depth : kPictureDepths) {
      for (PictureHost kind : kPictureHosts) {
        if (kind == PictureHost::kPremiere && !controls.premiere) continue;
        const std::string file = PictureFileName(controls, depth, kind);
        SCOPED_TRACE(file);
        std::vector<uint8_t> rendered, reference;
        ASSERT_EQ(RenderPicture(effectMain, photo, controls, depth, kind, rendered), PF_Err_NONE);
        EXPECT_TRUE(WriteBytes(gOptions.out + "/" + file, rendered));
        ASSERT_TRUE(ReadBytes(gOptions.reference + "/" + file, reference))
            << "no Linux render " << gOptions.reference << "/" << file;
        ASSERT_EQ(rendered.size(), reference.size());
        const size_t differing = DifferingPixels(rendered, reference, depth);
        const size_t pixels = static_cast<size_t>(photo.width) * photo.height;
        std::printf("  %-40s %6zu of %zu pixels differ\n", file.c_str(), differing, pixels);
        totalDiffering += differing;
        totalPixels += pixels;
        EXPECT_EQ(differing, 0u);
      }
    }
  }
  std::printf("  all cases: %zu of %zu pixels differ\n", totalDiffering, totalPixels);
}

// By hand only: wine_host --gtest_also_run_disabled_tests --gtest_filter=WineSpeed.* (with the
// usual --module and --data) prints the module's time per 1080p frame for every preset.
TEST(WineSpeed, DISABLED_PresetsOnThe1080pPhotograph) {
  ASSERT_NE(gModule, nullptr) << "LoadLibrary failed for " << gOptions.module;
  const PF_FilterProc effectMain = ModuleEffectMain();
  ASSERT_NE(effectMain, nullptr);
  ArgbImage photo;
  ASSERT_TRUE(ReadPpm(gOptions.data + "/coffee-1080p.ppm", photo)) << gOptions.data;
  PrintPresetTimes(effectMain, photo, 3);
}

}  // namespace
}  // namespace morvane::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  using morvane::testing::gOptions;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::string_view key, std::string& out) {
      if (!arg.starts_with(key)) return false;
      out = std::string(arg.substr(key.size()));
      return true;
    };
    if (!value("--module=", gOptions.module) && !value("--data=", gOptions.data) &&
        !value("--reference=", gOptions.reference) && !value("--out=", gOptions.out)) {
      std::fprintf(stderr, "wine_host: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  if (!gOptions.module.empty()) morvane::testing::gModule = LoadLibraryA(gOptions.module.c_str());
  return RUN_ALL_TESTS();
}
