// Image files in and out of the effect's pixel layout, through OpenImageIO.
//
// Pixels are held as the host holds a frame: alpha, red, green, blue per pixel at 8-bit
// (0..255), 16-bit (0..32768) or float (1.0 white). Colour is kept unassociated from alpha, as
// the file stores it: the effect's blend mixes straight colours. A file without alpha is opaque.
// Must not: write a partial file under the final name (output goes to a temporary file in the same
// folder and is renamed), hold a file's samples whole beside the image, or keep any state between
// calls (frames are read on many threads).
#pragma once
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "effect/render_buffers.h"

namespace morvane::cli {

// A frame larger than this many pixels is refused before any of it is allocated (2^27: a
// 16384×8192 picture, 2 GiB a frame in float); --max-pixels changes it.
inline constexpr int64_t kDefaultMaxPixels = int64_t{1} << 27;
// The widest frame: rows are addressed in 32-bit byte counts, 16 bytes a pixel at float.
inline constexpr int64_t kMaxWidth = INT32_MAX / 16;

// Leaves new elements uninitialised: a decoded or rendered image is written whole before it is
// read, and pages nobody wrote cost no memory (a truncated file fails before touching them).
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    if constexpr (sizeof...(Args) == 0) {
      ::new (static_cast<void*>(p)) U;
    } else {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  }
};

// How the samples are stored in a file written from an image.
enum class SampleType { kUint8, kUint16, kHalf, kFloat };

// What a file held besides the effect's four channels, written back with the render: the data
// window's place in the display window, the channels the effect does not use (depth, AOVs) and
// the metadata (ICC profile, EXIF, colour space, EXR attributes). Defined in image_file.cpp.
struct FileExtras;

struct Image {
  Depth depth = Depth::k8;
  int32_t width = 0;   // of the data window: the pixels the file holds
  int32_t height = 0;
  SampleType fileType = SampleType::kUint8;
  bool writeAlpha = true;  // false: the file gets red, green and blue only
  std::shared_ptr<const FileExtras> extras;  // none for a picture made here (the contact sheet)
  // Rows packed, width × bytes per pixel each; float elements keep every channel type aligned.
  std::vector<float, UninitialisedAllocator<float>> storage;

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
// The same, its pixels not yet written: for an image that is filled whole before it is read.
Image UninitialisedImage(Depth depth, int32_t width, int32_t height, SampleType fileType);

// Throws an I/O error stating the limit when `what` (a quoted file name, "the contact sheet")
// would be larger than `maxPixels` or wider than kMaxWidth.
void CheckPixelCount(const std::string& what, int64_t width, int64_t height, int64_t maxPixels);

// The sample type that stores `depth` without loss.
SampleType SampleTypeOf(Depth depth);

// Reads the picture. 8-bit files give 8-bit depth, 16-bit files 16-bit, half and float files
// float; `forced` overrides. The declared size is checked against `maxPixels` before any pixel is
// allocated. Throws an I/O error naming the file; a truncated or damaged file is an error, never a
// partly decoded picture. A file of several subimages or MIP levels is a usage error: which one
// to render is the user's choice.
Image ReadImage(const std::string& path, std::optional<Depth> forced = std::nullopt,
                int64_t maxPixels = kDefaultMaxPixels);

// A picture handed over in memory, rows packed, each pixel `channels` (3 or 4) interleaved samples
// of `type`: red, green, blue (and alpha), as a file holds them. Converted exactly as ReadImage
// converts a file of that type, so a picture renders the same from memory as from a file.
Image ImageFromSamples(const void* samples, SampleType type, int32_t width, int32_t height, int channels,
                       std::optional<Depth> forced = std::nullopt);

// The picture's red, green, blue (and alpha when `channels` is 4) as `type` samples, rows packed,
// converted exactly as WriteImage writes a file of that type.
void SamplesFromImage(const Image& image, SampleType type, int channels, void* out);

// Throws a usage error when no image format is known for the file name's extension, or when
// `asked` (--data-format, or the type of a forced --depth) is a sample type the format cannot hold.
void CheckWritableName(const std::string& path, std::optional<SampleType> asked = std::nullopt);

// The sample type `path` is written with: `asked` when given (CheckWritableName has refused one the
// format cannot hold), else the picture's own type if the format holds it, else the nearest type
// it holds that loses nothing (8-bit into EXR is half), else its most precise.
SampleType OutputSampleType(const std::string& path, SampleType natural, std::optional<SampleType> asked);

// "uint8", "uint16", "half" or "float" (oiiotool's -d names); nullopt for any other.
std::optional<SampleType> ParseSampleType(std::string_view name);

// Writes through a temporary file beside the destination, renamed over it on success (see
// output_file.h); on failure nothing is left behind. Throws an I/O error naming the file.
void WriteImage(const Image& image, const std::string& path);

// 16-bit files use 0..65535, the effect 0..32768. Both directions round to nearest, so every
// effect value survives a write and a read unchanged.
inline uint16_t EffectToFile16(uint32_t v) {
  if (v > 32768) v = 32768;
  return static_cast<uint16_t>((v * 65535u + 16384u) / 32768u);
}
inline uint16_t FileToEffect16(uint32_t v) { return static_cast<uint16_t>((v * 32768u + 32767u) / 65535u); }

}  // namespace morvane::cli
