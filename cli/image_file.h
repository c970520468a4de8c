// Image files in and out of the effect's pixel layout, through OpenImageIO.
//
// Pixels are held as the host holds a frame: alpha, red, green, blue per pixel at 8-bit
// (0..255), 16-bit (0..32768) or float (1.0 white). Colour is kept unassociated from alpha, as
// the file stores it: the effect's blend mixes straight colours. A file without alpha is opaque.
// Must not: write a partial file under the final name (output goes to a temporary file in the same
// folder and is renamed), or keep any state between calls (frames are read on many threads).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "effect/render_buffers.h"

namespace morvane::cli {

// How the samples are stored in a file written from an image.
enum class SampleType { kUint8, kUint16, kHalf, kFloat };

struct Image {
  Depth depth = Depth::k8;
  int32_t width = 0;
  int32_t height = 0;
  SampleType fileType = SampleType::kUint8;
  bool writeAlpha = true;  // false: the file gets red, green and blue only
  // Rows packed, width × bytes per pixel each; float elements keep every channel type aligned.
  std::vector<float> storage;

  int32_t rowBytes() const { return width * BytesPerPixel(depth); }
  FrameBuffer buffer() { return FrameBuffer{storage.data(), width, height, rowBytes()}; }
  // For reading only: a render takes its input through the same non-const buffer type.
  FrameBuffer buffer() const {
    return FrameBuffer{const_cast<float*>(storage.data()), width, height, rowBytes()};
  }
  const void* data() const { return storage.data(); }
};

// A cleared image (every channel 0) of the given size and depth.
Image MakeImage(Depth depth, int32_t width, int32_t height, SampleType fileType);

// The sample type that stores `depth` without loss.
SampleType SampleTypeOf(Depth depth);

// Reads the first subimage. 8-bit files give 8-bit depth, 16-bit files 16-bit, half and float
// files float; `forced` overrides. Throws an I/O error naming the file.
Image ReadImage(const std::string& path, std::optional<Depth> forced = std::nullopt);

// Throws a usage error when no image format is known for the file name's extension.
void CheckWritableName(const std::string& path);

// Writes through a temporary file in the destination folder, renamed on success; on failure
// nothing is left behind. Throws an I/O error naming the file.
void WriteImage(const Image& image, const std::string& path);

// 16-bit files use 0..65535, the effect 0..32768. Both directions round to nearest, so every
// effect value survives a write and a read unchanged.
inline uint16_t EffectToFile16(uint32_t v) {
  if (v > 32768) v = 32768;
  return static_cast<uint16_t>((v * 65535u + 16384u) / 32768u);
}
inline uint16_t FileToEffect16(uint32_t v) { return static_cast<uint16_t>((v * 32768u + 32767u) / 65535u); }

}  // namespace morvane::cli
