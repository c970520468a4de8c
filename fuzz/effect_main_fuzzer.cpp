// EffectMain as a host calls it, with anything a project file or a frame can hold: every control
// at any 32-bit value (in and out of range, INT32_MIN and INT32_MAX), frames of 0..300 pixels each
// way with row padding, the three depths and pixel formats the effect does not know, any layer
// width, through After Effects' smart render and Premiere's render. Pixels come from the input
// bytes, so float frames carry NaN, ±Inf, negatives and values above 1, and 16-bit frames values
// above 32768.
//
// Besides the sanitizers' checks, each render must leave the row padding untouched and, on a float
// frame without NaN, create no NaN.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "effect/control_id.h"
#include "fuzz/fuzz_input.h"
#include "tests/fake_host/fake_host.h"

namespace {

using morvane::ControlId;
using morvane::fuzz::FuzzInput;
using morvane::testing::FakeHost;
using morvane::testing::FakeWorld;
using morvane::testing::WorldDepth;

// One control's value: the default, a 16.16 value or a small whole number from the input, or an
// extreme.
int32_t ControlValue(FuzzInput& in, int32_t current) {
  switch (in.Byte() % 6) {
    case 0: return current;
    case 1: return in.I32();
    case 2: return static_cast<int32_t>(static_cast<int8_t>(in.Byte()));       // popups, checkboxes
    case 3: return static_cast<int32_t>(static_cast<int16_t>(in.U16())) * 65536;  // whole slider units
    case 4: return INT32_MIN;
    default: return INT32_MAX;
  }
}

void FillPixels(FakeWorld& world, const uint8_t* bytes, size_t count) {
  if (count == 0) return;
  const int32_t rowPixelBytes = world.width() * world.bytesPerPixel();
  size_t k = 0;
  for (int32_t y = 0; y < world.height(); ++y) {
    uint8_t* row = world.row(y);
    for (int32_t b = 0; b < rowPixelBytes; ++b) row[b] = bytes[k++ % count];
  }
}

bool HasNaN(const FakeWorld& world) {
  if (world.depth() != WorldDepth::kFloat) return false;
  for (int32_t y = 0; y < world.height(); ++y) {
    const uint8_t* row = world.row(y);
    for (int32_t x = 0; x < world.width() * 4; ++x) {
      float v;
      std::memcpy(&v, row + x * 4, sizeof v);
      if (std::isnan(v)) return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t mode = in.Byte();
  const WorldDepth depth = mode % 3 == 0 ? WorldDepth::k8 : mode % 3 == 1 ? WorldDepth::k16 : WorldDepth::kFloat;
  const bool premiere = (mode & 0x04) != 0;
  const bool unknownFormat = (mode & 0x08) != 0;
  const int32_t width = in.U16() % 301;
  const int32_t height = in.U16() % 301;
  const int32_t padBytes = (in.Byte() % 17) * 4;
  const int32_t layerWidth = in.I32();
  const int32_t format = in.I32();

  FakeHost host(premiere ? FakeHost::kPremiereApplId : FakeHost::kAfterEffectsApplId);
  if (host.GlobalSetup() != PF_Err_NONE || host.SetupParams() != PF_Err_NONE) std::abort();
  for (int slot = 1; slot < morvane::kControlSlotCount; ++slot) host.value(slot) = ControlValue(in, host.value(slot));
  host.in_data.width = layerWidth;
  if (unknownFormat) host.forcedPixelFormat = format == 0 ? 1 : format;

  FakeWorld input(depth, width, height, padBytes);
  FakeWorld output(depth, width, height, padBytes);
  FillPixels(input, in.rest(), in.restSize());
  const bool inputHadNaN = HasNaN(input);
  if (premiere) {
    host.RenderPremiere(input, output);
  } else {
    host.RenderSmart(input, output);
  }
  if (!input.PaddingIntact() || !output.PaddingIntact()) std::abort();  // wrote past a row's pixels
  if (!inputHadNaN && HasNaN(output)) std::abort();                     // made NaN from numbers
  return 0;
}
