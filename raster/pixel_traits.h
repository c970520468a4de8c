// Pixel-depth traits: the one place where 8-bit, 16-bit and float pixels differ in type and scale.
// Every rasteriser and the generator are templates over one of these; nothing below the render
// frame branches on depth at run time.
#pragma once
#include <cstdint>

namespace morvane {

// Four channels per pixel in memory order alpha, red, green, blue at every depth.
struct Pixel8 {
  using Channel = uint8_t;
  using Coverage = uint8_t;                 // opacity / coverage handed to the rasterisers
  static constexpr int32_t kFull = 255;     // channel maximum
  static constexpr int kRowStrideShift = 0; // row stride in channels = row bytes >> shift
};

struct Pixel16 {
  using Channel = uint16_t;
  using Coverage = uint16_t;
  static constexpr int32_t kFull = 32768;   // the host's 16-bit white is 32768, not 65535
  static constexpr int kRowStrideShift = 1;
};

struct PixelFloat {
  using Channel = float;
  using Coverage = float;
  static constexpr int32_t kFull = 1;
  static constexpr int kRowStrideShift = 2;
};

// The colour handed to every rasteriser: blue, green, red, then an alpha no rasteriser reads
// (the reverse of the pixel's memory order).
template <class P>
struct ShapeColour {
  typename P::Channel channel[4];
};

// Explicit instantiation at the three depths: X(Pixel8) X(Pixel16) X(PixelFloat). Every template
// defined in a .cpp file is instantiated at its end through this list, and nowhere else.
#define MORVANE_FOR_EACH_DEPTH(X) X(Pixel8) X(Pixel16) X(PixelFloat)

}  // namespace morvane
