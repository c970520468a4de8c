// The Linux half of the cross-platform picture check: renders every case of
// tests/cross_platform/picture_cases.h through EffectMain and writes the pixels under the build
// folder's cross_platform/, where the Windows test host compares its renders under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cross_platform/picture_cases.h"

namespace morvane::testing {
namespace {

std::filesystem::path ReferenceFolder() {
  return std::filesystem::path(MORVANE_MODULE_PATH).parent_path() / "cross_platform";
}

TEST(CrossPlatformPictures, EveryCaseRendersAndTheReferencesAreWritten) {
  ArgbImage photo;
  ASSERT_TRUE(ReadPpm(std::string(MORVANE_TEST_DATA_DIR) + "/" + kPicturePhotograph, photo));
  const std::filesystem::path folder = ReferenceFolder();
  std::filesystem::create_directories(folder);

  for (const PictureControls& controls : kPictureControls) {
    for (WorldDepth depth : kPictureDepths) {
      SCOPED_TRACE(std::string(controls.name) + " at " + DepthName(depth));
      std::vector<uint8_t> smart;
      ASSERT_EQ(RenderPicture(nullptr, photo, controls, depth, PictureHost::kAfterEffects, smart), PF_Err_NONE);
      const FakeWorld blank(depth, photo.width, photo.height);
      EXPECT_NE(smart, blank.PixelBytes()) << "nothing was drawn";
      EXPECT_TRUE(WriteBytes((folder / PictureFileName(controls, depth, PictureHost::kAfterEffects)).string(), smart));
      if (!controls.premiere) continue;

      std::vector<uint8_t> premiere;
      ASSERT_EQ(RenderPicture(nullptr, photo, controls, depth, PictureHost::kPremiere, premiere), PF_Err_NONE);
      // The same controls at full resolution give the same picture whichever way it is asked for.
      EXPECT_EQ(DifferingPixels(smart, premiere, depth), 0u);
      EXPECT_TRUE(WriteBytes((folder / PictureFileName(controls, depth, PictureHost::kPremiere)).string(), premiere));
    }
  }
}

}  // namespace
}  // namespace morvane::testing
