// By hand only, the Linux side of WineSpeed: host_tests --gtest_also_run_disabled_tests
// --gtest_filter=HostSpeed.* prints the native module's time per 1080p frame for every preset.
// MORVANE_TIMED_MODULE names another build of the module (another commit's) to time instead.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/cross_platform/preset_timing.h"

namespace morvane::testing {
namespace {

TEST(HostSpeed, DISABLED_PresetsOnThe1080pPhotograph) {
  const char* chosen = std::getenv("MORVANE_TIMED_MODULE");
  const std::string path = chosen != nullptr ? chosen : MORVANE_MODULE_PATH;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << path << ": " << dlerror();
  const auto effectMain = reinterpret_cast<PF_FilterProc>(dlsym(module, "EffectMain"));
  ASSERT_NE(effectMain, nullptr);
  ArgbImage photo;
  ASSERT_TRUE(ReadPpm(std::string(MORVANE_TEST_DATA_DIR) + "/coffee-1080p.ppm", photo));
  std::printf("  module %s\n", path.c_str());
  PrintPresetTimes(effectMain, photo, 3);
  dlclose(module);
}

}  // namespace
}  // namespace morvane::testing
