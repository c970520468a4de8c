// The contact sheet: twenty labelled cells, each the render of its preset.
#include "cli_test_support.h"

namespace morvane::cli_test {
namespace {

class CliContactSheet : public CliTest {};

TEST_F(CliContactSheet, TwentyCellsEachItsOwnPreset) {
  const ArgbImage picture = TestPicture(/*alpha=*/false, 32, 24);
  WriteWorld(FakeWorld::FromArgb8(WorldDepth::k8, picture.width, picture.height, picture.argb.data()),
             Path("in.png"), false);
  const RunResult r = Run({"contact-sheet", Path("in.png"), Path("sheet.png"), "--cell-width", "32", "--quiet"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");

  int channels = 0;
  const FakeWorld sheet = ReadWorld(Path("sheet.png"), WorldDepth::k8, &channels);
  EXPECT_EQ(channels, 3);
  // Cells of the picture's full size: 5 columns, 4 rows, each cell with a label under it.
  ASSERT_GE(sheet.width(), 5 * 32);
  ASSERT_GE(sheet.height(), 4 * 24);

  // Cell k sits at column k % 5 and row k / 5; its top-left corner is where the grid puts it,
  // and no two cells show the same picture.
  const int pad = (sheet.width() - 5 * 32) / 6;
  const int rowHeight = (sheet.height() - pad) / 4;
  auto cell = [&](int k) {
    std::vector<double> v;
    const int x0 = pad + (k % 5) * (32 + pad);
    const int y0 = pad + (k / 5) * rowHeight;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 32; ++x) {
        for (int c = 1; c < 4; ++c) v.push_back(sheet.channel(x0 + x, y0 + y, c));
      }
    }
    return v;
  };
  for (int a = 0; a < 20; ++a) {
    for (int b = a + 1; b < 20; ++b) EXPECT_NE(cell(a), cell(b)) << a << " " << b;
  }
}

}  // namespace
}  // namespace morvane::cli_test
