// Helpers for the generator's tests and benchmark: depth conversions of 8-bit test values, test
// images at every depth, an independent reading of the preset table and the frame's conversions
// (checked against the shipped ones), and one-call renders of an 8-bit ARGB image at any depth
// (for golden checksums).
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "generator/generate_shapes.h"
#include "generator/generator_settings.h"
#include "params/presets.h"
#include "raster/pixel_buffer.h"
#include "raster/pixel_traits.h"
#include "render/render_frame.h"
#include "render/shape_settings.h"
#include "tests/fake_host/ppm.h"

namespace morvane::test {

// An 8-bit channel value at depth P: 16-bit v * 32768 / 255 (truncated), float v / 255.
template <class P>
typename P::Channel ChannelFromByte(int32_t v) {
  if constexpr (std::is_same_v<P, Pixel8>) {
    return static_cast<uint8_t>(v);
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    return static_cast<uint16_t>(v * 32768 / 255);
  } else {
    return static_cast<float>(v) / 255.0f;
  }
}

// A colour-scale setting (0..255) at depth P, as the render frame converts it.
template <class P>
SettingLevel<P> LevelFromByte(int32_t v) {
  if constexpr (std::is_same_v<P, Pixel8>) {
    return v;
  } else if constexpr (std::is_same_v<P, Pixel16>) {
    return v * 32768 / 255;
  } else {
    return static_cast<float>(v) / 255.0f;
  }
}

// The 16-bit conversion, which the fade level takes at float depth too.
template <class P>
int32_t FadeLevelFromByte(int32_t v) {
  return std::is_same_v<P, Pixel8> ? v : v * 32768 / 255;
}

// One image of depth P; rows may carry padding past their pixels, as host buffers do.
template <class P>
struct TestImage {
  using Ch = typename P::Channel;
  int32_t width = 0;
  int32_t height = 0;
  int32_t strideChannels = 0;
  std::vector<Ch> data;

  TestImage() = default;
  TestImage(int32_t w, int32_t h, int32_t paddingPixels = 0)
      : width(w),
        height(h),
        strideChannels((w + paddingPixels) * 4),
        data(static_cast<size_t>(strideChannels) * (h > 0 ? h : 0)) {}

  Ch* at(int32_t x, int32_t y) {
    return data.data() + static_cast<size_t>(y) * strideChannels + 4 * x;
  }
  const Ch* at(int32_t x, int32_t y) const {
    return data.data() + static_cast<size_t>(y) * strideChannels + 4 * x;
  }
  void set(int32_t x, int32_t y, Ch a, Ch r, Ch g, Ch b) {
    Ch* p = at(x, y);
    p[0] = a, p[1] = r, p[2] = g, p[3] = b;
  }
  void fill(Ch a, Ch r, Ch g, Ch b) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) set(x, y, a, r, g, b);
  }
  PixelBuffer buffer() {
    return PixelBuffer{data.data(), width, height,
                       static_cast<int32_t>(strideChannels * sizeof(Ch))};
  }
  InputView<P> view() const { return InputView<P>{data.data(), width, height, strideChannels}; }
};

// 8-bit ARGB pixels, row after row without padding, as the test pictures are read.
using Argb8Image = testing::ArgbImage;

template <class P>
TestImage<P> FromArgb8(const Argb8Image& image) {
  TestImage<P> out(image.width, image.height);
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) {
      const uint8_t* s = &image.argb[(static_cast<size_t>(y) * image.width + x) * 4];
      out.set(x, y, ChannelFromByte<P>(s[0]), ChannelFromByte<P>(s[1]), ChannelFromByte<P>(s[2]),
              ChannelFromByte<P>(s[3]));
    }
  return out;
}

// Back to 8 bits for viewing (clamped, rounded).
template <class P>
Argb8Image ToArgb8(const TestImage<P>& image) {
  Argb8Image out{image.width, image.height,
                 std::vector<uint8_t>(static_cast<size_t>(image.width) * image.height * 4)};
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x)
      for (int c = 0; c < 4; ++c) {
        double v = static_cast<double>(image.at(x, y)[c]) * 255.0 / P::kFull;
        v = v != v ? 0.0 : (v < 0 ? 0 : (v > 255 ? 255 : v));
        out.argb[(static_cast<size_t>(y) * image.width + x) * 4 + c] =
            static_cast<uint8_t>(v + 0.5);
      }
  return out;
}

// One preset as its controls store it (the columns of the preset table; popups 1-based,
// percentages as percent, the line width in 32nds of a pixel).
struct PresetRow {
  const char* name;
  int32_t keep, count, steps, shape, width32, fill, opacity, size, growth, match, startAngle,
      angleRandomization, angleRange, fadeType, fadeLevel, minLum, maxLum, strategy, gridRandom,
      seed;
};

// The preset table as written in the effect's documentation, typed in a second time.
// clang-format off
inline constexpr PresetRow kTestPresets[] = {
    {"Rough Scratch", 0, 1000, 1, 3, 56, 0, 100, 28, 32, 95, 228, 32, 150, 2, 40, 2, 255, 2, 0, 777},
    {"Hatched Shade", 0, 2000, 1, 1, 56, 0, 100, 16, 20, 95, 45, 12, 13, 1, 0, 2, 255, 1, 0, 777},
    {"Blurry Watercolor", 0, 1200, 1, 5, 32, 1, 10, 24, 10, 85, 0, 360, 360, 1, 10, 2, 255, 1, 0, 777},
    {"Recursive Lines", 0, 16000, 50, 1, 48, 0, 80, 8, 6, 85, 0, 360, 360, 1, 20, 2, 255, 2, 0, 777},
    {"Tiny Lines", 0, 12000, 1, 1, 48, 0, 100, 4, 18, 90, 0, 300, 1, 1, 40, 2, 255, 2, 0, 777},
    {"Curved Shade", 0, 9000, 50, 2, 32, 0, 50, 16, 4, 85, 0, 360, 360, 2, 20, 2, 255, 2, 0, 777},
    {"Small Triangles", 0, 9000, 10, 3, 32, 1, 100, 8, 8, 90, 0, 150, 360, 1, 0, 2, 255, 3, 0, 777},
    {"Rectangle Mosaic", 1, 369, 1, 6, 32, 1, 100, 48, 32, 80, 0, 360, 360, 1, 0, 0, 255, 3, 0, 777},
    {"Dotten Mosaic", 0, 615, 0, 5, 32, 1, 100, 6, 0, 50, 0, 0, 360, 1, 0, 0, 255, 3, 11, 777},
    {"Scrapes", 0, 2087, 73, 3, 32, 1, 100, 54, 10, 90, 0, 360, 64, 2, 22, 0, 255, 3, 100, 777},
    {"Perforated Squares", 0, 7000, 10, 4, 256, 0, 90, 8, 0, 85, 0, 360, 360, 5, 40, 0, 255, 3, 100, 777},
    {"Wiggly Felt Pen", 0, 3000, 22, 2, 192, 0, 70, 22, 32, 70, 180, 360, 200, 4, 50, 2, 255, 2, 0, 777},
    {"Lozenge Mosaic", 1, 3000, 3, 4, 32, 1, 80, 40, 32, 70, 0, 0, 1, 4, 70, 2, 255, 2, 0, 777},
    {"Dense Pointillism", 0, 15800, 16, 5, 32, 1, 40, 10, 2, 80, 0, 360, 360, 1, 0, 2, 255, 2, 0, 777},
    {"Creased Aquarel", 1, 20000, 14, 3, 32, 1, 65, 14, 12, 93, 300, 240, 290, 1, 0, 16, 255, 2, 0, 777},
    {"Bold Strokes", 0, 5200, 1, 1, 448, 0, 75, 16, 32, 90, 75, 200, 90, 1, 50, 2, 255, 2, 0, 777},
    {"Transparent Rectangles", 0, 9000, 16, 6, 32, 1, 40, 28, 42, 80, 0, 360, 360, 4, 20, 0, 255, 3, 0, 777},
    {"Rounded Blocks", 0, 6000, 16, 6, 256, 0, 40, 16, 42, 80, 0, 360, 360, 4, 20, 0, 255, 3, 0, 777},
    {"Baton Triangles", 0, 2500, 1, 3, 64, 0, 100, 26, 32, 94, 230, 32, 150, 1, 0, 2, 255, 2, 0, 777},
    {"Continuous Dots", 0, 16000, 10, 5, 32, 1, 50, 3, 10, 99, 25, 20, 340, 4, 40, 0, 255, 3, 100, 777},
};
// clang-format on

inline const PresetRow* FindTestPreset(const std::string& name) {
  for (const PresetRow& row : kTestPresets)
    if (name == row.name) return &row;
  return nullptr;
}

// The render frame's reading of a preset's controls, written independently of render/: whole-number
// sliders, the line width from 32nds rounded half away from zero in 16.16, the count divided among
// the recursion steps, the percentages on the 8-bit scale, geometry scaled by outputWidth /
// layerWidth, then the depth's colour scale.
template <class P>
GeneratorSettings<P> SettingsFromPreset(const PresetRow& row, int32_t outputWidth,
                                        int32_t layerWidth) {
  GeneratorSettings<P> s;
  int32_t count = row.count * 16;
  if (row.steps > 1) {
    count /= row.steps;
    if (count == 0) count = 1;
  }
  s.shapeCount = count;
  s.recursionSteps = row.steps;
  s.recursive = row.steps > 1 ? 1 : 0;
  s.shapeType = row.shape - 1;
  const double widthPixels = static_cast<double>(static_cast<float>(row.width32)) * 0.03125;
  const int32_t widthFixed = static_cast<int32_t>(widthPixels * 65536.0 + 0.5);
  const float lineWidth = static_cast<float>(widthFixed * (1.0 / 65536.0));
  s.fill = row.fill;
  const int32_t opacity = row.opacity * 255 / 100;
  const int32_t match = 132 - (row.match * 128) / 100;
  const int32_t fade = row.fadeLevel * 255 / 100;
  s.startAngle = row.startAngle;
  s.angleRandomization = row.angleRandomization;
  s.angleRange = row.angleRange;
  s.fadeType = row.fadeType - 1;
  s.startStrategy = row.strategy - 1;
  s.gridRandomization = row.gridRandom * 255 / 100;
  s.seed = row.seed;

  const float scale = static_cast<float>(outputWidth) / static_cast<float>(layerWidth);
  s.size = static_cast<int32_t>(static_cast<float>(row.size) * scale);
  s.sizeGrowth = static_cast<int32_t>(static_cast<float>(row.growth) * scale);
  s.lineWidth = lineWidth * scale;

  s.opacity = LevelFromByte<P>(opacity);
  s.matchThreshold = LevelFromByte<P>(match);
  s.minLuminosity = LevelFromByte<P>(row.minLum);
  s.maxLuminosity = LevelFromByte<P>(row.maxLum);
  s.fadeLevel = FadeLevelFromByte<P>(fade);
  return s;
}

// The render as the frame does it, at depth P from an 8-bit image: the output starts as a copy
// of the input (keepOriginal) or transparent black, then the generator draws into it.
template <class P>
TestImage<P> RenderArgb8(const Argb8Image& image, const GeneratorSettings<P>& settings,
                         bool keepOriginal) {
  TestImage<P> input = FromArgb8<P>(image);
  TestImage<P> output(image.width, image.height);
  if (keepOriginal) output.data = input.data;
  GenerateShapes<P>(output.buffer(), input.buffer(), settings);
  return output;
}

// The settings block a host holds once preset 1..20 is applied, read as the frame reads it.
inline ShapeSettings PresetShapeSettings(int preset) {
  ShapeSettings settings{};
  ReadShapeSettings(settings, [preset](int index, int32_t& value) -> PF_Err {
    for (int column = 0; column < kPresetColumnCount; ++column) {
      if (kPresetParamIndex[column] == index) value = PresetControlValue(preset, column);
    }
    return PF_Err_NONE;
  });
  return settings;
}

template <class P>
constexpr Depth DepthOf() {
  if constexpr (std::is_same_v<P, Pixel8>) return Depth::k8;
  if constexpr (std::is_same_v<P, Pixel16>) return Depth::k16;
  return Depth::kFloat;
}

// The whole render of preset 1..20 (frame and generator) at depth P from an 8-bit image, at full
// resolution: the image is the layer.
template <class P>
TestImage<P> RenderPresetArgb8(const Argb8Image& image, int preset) {
  TestImage<P> input = FromArgb8<P>(image);
  TestImage<P> output(image.width, image.height);
  RenderBuffers(DepthOf<P>(), input.buffer(), output.buffer(), PresetShapeSettings(preset),
                image.width);
  return output;
}

}  // namespace morvane::test
