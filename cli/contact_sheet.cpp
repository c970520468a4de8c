#include "cli/contact_sheet.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include "cli/cli_error.h"
#include "cli/output_file.h"
#include "cli/progress.h"
#include "effect/presets.h"

namespace morvane::cli {
namespace {

constexpr int kColumns = 5;
constexpr int kRows = (kPresetCount + kColumns - 1) / kColumns;
constexpr int kDefaultMaxCellWidth = 320;
constexpr float kSheetGrey = 0.16f;
// fonts-dejavu-core; OpenImageIO finds it by name under /usr/share/fonts.
constexpr char kFont[] = "DejaVuSans";

struct Layout {
  int cellWidth, cellHeight, pad, labelHeight, fontSize;
  int width() const { return kColumns * cellWidth + (kColumns + 1) * pad; }
  int height() const { return kRows * (cellHeight + labelHeight) + (kRows + 1) * pad; }
  int CellLeft(int cell) const { return pad + (cell % kColumns) * (cellWidth + pad); }
  int CellTop(int cell) const { return pad + (cell / kColumns) * (cellHeight + labelHeight + pad); }
};

Layout LayoutFor(const Image& picture, int requestedCellWidth, int64_t maxPixels) {
  Layout l{};
  l.cellWidth = requestedCellWidth > 0 ? requestedCellWidth : std::min(picture.width, kDefaultMaxCellWidth);
  const double h = static_cast<double>(picture.height) * l.cellWidth / picture.width;
  l.fontSize = std::clamp(l.cellWidth / 14, 11, 20);
  l.pad = std::max(4, l.fontSize / 2);
  l.labelHeight = l.fontSize + l.pad;
  // The sheet's size is checked in 64 bits before any cell size is held in an int: a tall, narrow
  // picture at a wide cell asks for a sheet of billions of pixels.
  const double sheetHeight = kRows * (std::max(1.0, std::round(h)) + l.labelHeight) + (kRows + 1.0) * l.pad;
  const int64_t sheetWidth = int64_t{kColumns} * l.cellWidth + (kColumns + 1) * l.pad;
  CheckPixelCount("the contact sheet", sheetWidth, static_cast<int64_t>(sheetHeight), maxPixels);
  l.cellHeight = std::max(1, static_cast<int>(std::lround(h)));
  return l;
}

// The render as premultiplied float red, green, blue, alpha, the layout OpenImageIO's filters want.
OIIO::ImageBuf PremultipliedRgba(const Image& image) {
  OIIO::ImageBuf buf(OIIO::ImageSpec(image.width, image.height, 4, OIIO::TypeDesc::FLOAT));
  float* dst = static_cast<float*>(buf.localpixels());
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  for (size_t i = 0; i < pixels; ++i) {
    float argb[4];
    for (int c = 0; c < 4; ++c) {
      switch (image.depth) {
        case Depth::k8: argb[c] = static_cast<const uint8_t*>(image.data())[i * 4 + c] / 255.0f; break;
        case Depth::k16: argb[c] = static_cast<const uint16_t*>(image.data())[i * 4 + c] / 32768.0f; break;
        default: argb[c] = static_cast<const float*>(image.data())[i * 4 + c]; break;
      }
    }
    const float a = std::clamp(argb[0], 0.0f, 1.0f);
    float* o = dst + i * 4;
    o[0] = argb[1] * a;
    o[1] = argb[2] * a;
    o[2] = argb[3] * a;
    o[3] = a;
  }
  return buf;
}

// Lays the scaled render over black into its cell of the sheet (float alpha, red, green, blue).
void PlaceCell(const OIIO::ImageBuf& cell, const Layout& layout, int index, Image& sheet) {
  float* base = sheet.storage.data();
  const int x0 = layout.CellLeft(index);
  const int y0 = layout.CellTop(index);
  for (int y = 0; y < layout.cellHeight; ++y) {
    for (int x = 0; x < layout.cellWidth; ++x) {
      float rgba[4];
      cell.getpixel(x, y, rgba, 4);
      float* px = base + (static_cast<size_t>(y0 + y) * sheet.width + (x0 + x)) * 4;
      px[0] = 1.0f;
      px[1] = rgba[0];
      px[2] = rgba[1];
      px[3] = rgba[2];
    }
  }
}

std::string LabelOf(int preset) { return std::to_string(preset) + "  " + std::string(PresetName(preset)); }

// The largest font size up to the layout's whose label fits the cell's width.
int FittingFontSize(const std::string& label, const Layout& layout) {
  for (int size = layout.fontSize; size > 6; --size) {
    const OIIO::ROI box = OIIO::ImageBufAlgo::text_size(label, size, kFont);
    if (!box.defined()) return 0;
    if (box.width() <= layout.cellWidth) return size;
  }
  return 6;
}

void DrawLabels(const Layout& layout, Image& sheet) {
  // The text is white in every channel, so drawing it over the alpha, red, green, blue layout
  // leaves alpha at 1 and whitens the colour channels alike.
  OIIO::ImageBuf canvas(OIIO::ImageSpec(sheet.width, sheet.height, 4, OIIO::TypeDesc::FLOAT),
                        sheet.storage.data());
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  for (int p = 1; p <= kPresetCount; ++p) {
    const std::string label = LabelOf(p);
    const int size = FittingFontSize(label, layout);
    const int baseline = layout.CellTop(p - 1) + layout.cellHeight + layout.pad / 2 + size;
    if (size == 0 || !OIIO::ImageBufAlgo::render_text(canvas, layout.CellLeft(p - 1), baseline, label, size, kFont,
                                                      white)) {
      OIIO::geterror();
      throw IoError("cannot draw the labels: no font " + Quoted(kFont) + " (install fonts-dejavu-core)");
    }
  }
}

}  // namespace

void RenderContactSheet(const Job& job) {
  std::vector<ControlValues> values;
  values.reserve(kPresetCount);
  for (int p = 1; p <= kPresetCount; ++p) values.push_back(BuildControlValues(p, job.overrides));
  CheckWritableName(job.output, AskedSampleType(job));
  RefuseOverwritingInputs({job.input}, {job.output});
  CheckOutputWritable(job.output);

  const Image picture = ReadImage(job.input, job.depth, job.maxPixels);
  const Layout layout = LayoutFor(picture, job.cellWidth, job.maxPixels);
  Image sheet = MakeImage(Depth::kFloat, layout.width(), layout.height(),
                          OutputSampleType(job.output, picture.fileType, AskedSampleType(job)));
  sheet.writeAlpha = false;
  float* px = sheet.storage.data();
  for (size_t i = 0; i < static_cast<size_t>(sheet.width) * sheet.height; ++i) {
    px[i * 4] = 1.0f;
    px[i * 4 + 1] = px[i * 4 + 2] = px[i * 4 + 3] = kSheetGrey;
  }

  {
    Progress progress(job.report, kPresetCount);
    ForEachParallel(kPresetCount, job.threads, [&](int i) {
      const auto start = std::chrono::steady_clock::now();
      const OIIO::ImageBuf full = PremultipliedRgba(
          RenderImage(picture, values[i], ThreadsPerFrame(job.threads, kPresetCount), picture.fileType));
      const OIIO::ROI cellRoi(0, layout.cellWidth, 0, layout.cellHeight, 0, 1, 0, 4);
      const OIIO::ImageBuf cell = OIIO::ImageBufAlgo::resize(full, "", 0.0f, cellRoi, 1);
      if (cell.has_error()) throw IoError("cannot scale the cell of preset " + std::to_string(i + 1));
      PlaceCell(cell, layout, i, sheet);  // cells do not overlap, so threads never share a pixel
      progress.FrameDone(std::nullopt, "preset " + LabelOf(i + 1), MillisecondsSince(start));
    });
  }
  DrawLabels(layout, sheet);
  WriteImage(sheet, job.output);
}

}  // namespace morvane::cli
