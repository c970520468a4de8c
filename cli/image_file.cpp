#include "cli/image_file.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <type_traits>

#include <OpenImageIO/imageio.h>

#include "cli/cli_error.h"

namespace morvane::cli {
namespace {

namespace fs = std::filesystem;

// Beyond this many pixels a frame is refused rather than allocated (16 bytes each at float).
constexpr int64_t kMaxPixels = int64_t{1} << 28;

std::string OneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\n', ' ');
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s.empty() ? "unknown error" : s;
}

// ---- Sample conversions, file sample → effect channel -----------------------------------------
// 8-bit files: 255 is white at every depth. 16-bit files: 65535. Float files: 1.0.

template <class Dst>
Dst FromFile8(uint8_t v);
template <>
uint8_t FromFile8(uint8_t v) { return v; }
template <>
uint16_t FromFile8(uint8_t v) { return static_cast<uint16_t>((v * 32768u + 127u) / 255u); }
template <>
float FromFile8(uint8_t v) { return static_cast<float>(v) / 255.0f; }

template <class Dst>
Dst FromFile16(uint16_t v);
template <>
uint8_t FromFile16(uint16_t v) { return static_cast<uint8_t>((v * 255u + 32767u) / 65535u); }
template <>
uint16_t FromFile16(uint16_t v) { return FileToEffect16(v); }
template <>
float FromFile16(uint16_t v) { return static_cast<float>(v) / 65535.0f; }

// Integer depths clamp a float sample to 0..1 (NaN to 0) and round to nearest.
uint32_t QuantiseUnit(float v, uint32_t full) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return full;
  return static_cast<uint32_t>(v * static_cast<float>(full) + 0.5f);
}
template <class Dst>
Dst FromFileFloat(float v);
template <>
uint8_t FromFileFloat(float v) { return static_cast<uint8_t>(QuantiseUnit(v, 255)); }
template <>
uint16_t FromFileFloat(float v) { return static_cast<uint16_t>(QuantiseUnit(v, 32768)); }
template <>
float FromFileFloat(float v) { return v; }

template <class Dst>
Dst Convert(uint8_t v) { return FromFile8<Dst>(v); }
template <class Dst>
Dst Convert(uint16_t v) { return FromFile16<Dst>(v); }
template <class Dst>
Dst Convert(float v) { return FromFileFloat<Dst>(v); }

template <class Dst>
constexpr Dst kOpaque = std::is_same_v<Dst, float> ? Dst(1) : std::is_same_v<Dst, uint16_t> ? Dst(32768) : Dst(255);

// Which file channels feed red, green, blue and alpha (-1: none, opaque).
struct ChannelMap {
  int red, green, blue, alpha;
};

ChannelMap MapChannels(const OIIO::ImageSpec& header) {
  const int n = header.nchannels;
  const int alpha = header.alpha_channel >= 0 && header.alpha_channel < n ? header.alpha_channel : -1;
  if (n >= 3) {
    ChannelMap m{0, 1, 2, alpha};
    if (alpha >= 0 && alpha <= 2) {  // alpha stored first: the colours are the three after it
      int next = 0;
      int* colour[3] = {&m.red, &m.green, &m.blue};
      for (int c = 0; c < n && next < 3; ++c) {
        if (c != alpha) *colour[next++] = c;
      }
    }
    return m;
  }
  const int grey = alpha == 0 && n > 1 ? 1 : 0;  // one or two channels: grey (and alpha)
  return ChannelMap{grey, grey, grey, alpha};
}

template <class Src, class Dst>
void ToArgb(const std::vector<Src>& samples, int nchannels, const ChannelMap& map, Image& image) {
  Dst* out = reinterpret_cast<Dst*>(image.storage.data());
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  for (size_t i = 0; i < pixels; ++i) {
    const Src* px = samples.data() + i * nchannels;
    Dst* o = out + i * 4;
    o[0] = map.alpha >= 0 ? Convert<Dst>(px[map.alpha]) : kOpaque<Dst>;
    o[1] = Convert<Dst>(px[map.red]);
    o[2] = Convert<Dst>(px[map.green]);
    o[3] = Convert<Dst>(px[map.blue]);
  }
}

template <class Src>
void FillImage(const std::vector<Src>& samples, int nchannels, const ChannelMap& map, Image& image) {
  switch (image.depth) {
    case Depth::k8: ToArgb<Src, uint8_t>(samples, nchannels, map, image); break;
    case Depth::k16: ToArgb<Src, uint16_t>(samples, nchannels, map, image); break;
    default: ToArgb<Src, float>(samples, nchannels, map, image); break;
  }
}

template <class Src>
void ReadSamples(OIIO::ImageInput& in, const std::string& path, OIIO::TypeDesc type, const ChannelMap& map,
                 Image& image) {
  const int n = in.spec_dimensions(0).nchannels;
  std::vector<Src> samples(static_cast<size_t>(image.width) * image.height * n);
  if (!in.read_image(0, 0, 0, n, type, samples.data())) {
    throw IoError("cannot read " + Quoted(path) + ": " + OneLine(in.geterror()));
  }
  FillImage(samples, n, map, image);
}

// ---- Writing ------------------------------------------------------------------------------------

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(fs::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!committed_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const fs::path& path() const { return path_; }
  void Commit() { committed_ = true; }

 private:
  fs::path path_;
  bool committed_ = false;
};

// Hidden, next to the destination (so the rename stays on one file system), with the same
// extension (some writers look at it). The process id keeps two runs apart; one run writes each
// destination once.
fs::path TemporaryNameFor(const fs::path& destination) {
  const std::string name = "." + destination.stem().string() + ".tmp-" + std::to_string(::getpid()) +
                           destination.extension().string();
  return destination.parent_path() / name;
}

OIIO::TypeDesc TypeOf(SampleType t) {
  switch (t) {
    case SampleType::kUint8: return OIIO::TypeDesc::UINT8;
    case SampleType::kUint16: return OIIO::TypeDesc::UINT16;
    case SampleType::kHalf: return OIIO::TypeDesc::HALF;
    case SampleType::kFloat: return OIIO::TypeDesc::FLOAT;
  }
  return OIIO::TypeDesc::FLOAT;
}

// The image's pixels as interleaved file samples, red, green, blue (and alpha when kept).
template <class Src, class Dst, class Map>
std::vector<Dst> FileSamples(const Image& image, int nchannels, Map map) {
  const Src* in = reinterpret_cast<const Src*>(image.data());
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  std::vector<Dst> out(pixels * nchannels);
  for (size_t i = 0; i < pixels; ++i) {
    const Src* px = in + i * 4;
    Dst* o = out.data() + i * nchannels;
    o[0] = map(px[1]);
    o[1] = map(px[2]);
    o[2] = map(px[3]);
    if (nchannels == 4) o[3] = map(px[0]);
  }
  return out;
}

}  // namespace

SampleType SampleTypeOf(Depth depth) {
  switch (depth) {
    case Depth::k8: return SampleType::kUint8;
    case Depth::k16: return SampleType::kUint16;
    default: return SampleType::kFloat;
  }
}

Image MakeImage(Depth depth, int32_t width, int32_t height, SampleType fileType) {
  Image image;
  image.depth = depth;
  image.width = width;
  image.height = height;
  image.fileType = fileType;
  const size_t bytes = static_cast<size_t>(width) * height * BytesPerPixel(depth);
  image.storage.assign((bytes + sizeof(float) - 1) / sizeof(float), 0.0f);
  return image;
}

Image ReadImage(const std::string& path, std::optional<Depth> forced) {
  std::error_code ec;
  if (!fs::exists(path, ec)) throw IoError("cannot read " + Quoted(path) + ": no such file");
  if (fs::is_directory(path, ec)) throw IoError("cannot read " + Quoted(path) + ": it is a folder");

  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path, &config);
  if (!in) throw IoError("cannot read " + Quoted(path) + ": " + OneLine(OIIO::geterror()));
  // Only the dimension and type fields are needed, which this accessor copies cheaply.
  const OIIO::ImageSpec header = in->spec_dimensions(0);
  if (header.deep) throw IoError("cannot read " + Quoted(path) + ": deep images are not supported");
  if (header.width <= 0 || header.height <= 0 || header.nchannels <= 0 ||
      static_cast<int64_t>(header.width) * header.height > kMaxPixels) {
    throw IoError("cannot read " + Quoted(path) + ": unsupported size " + std::to_string(header.width) + "x" +
                  std::to_string(header.height) + " with " + std::to_string(header.nchannels) + " channels");
  }

  // The file's own depth: 8 and 16-bit unsigned samples as they are, everything else through float.
  Depth natural = Depth::kFloat;
  SampleType naturalType = header.format == OIIO::TypeDesc::HALF ? SampleType::kHalf : SampleType::kFloat;
  if (header.format == OIIO::TypeDesc::UINT8) {
    natural = Depth::k8;
    naturalType = SampleType::kUint8;
  } else if (header.format == OIIO::TypeDesc::UINT16) {
    natural = Depth::k16;
    naturalType = SampleType::kUint16;
  }
  const Depth depth = forced.value_or(natural);
  Image image = MakeImage(depth, header.width, header.height, depth == natural ? naturalType : SampleTypeOf(depth));

  const ChannelMap map = MapChannels(header);
  switch (natural) {
    case Depth::k8: ReadSamples<uint8_t>(*in, path, OIIO::TypeDesc::UINT8, map, image); break;
    case Depth::k16: ReadSamples<uint16_t>(*in, path, OIIO::TypeDesc::UINT16, map, image); break;
    default: ReadSamples<float>(*in, path, OIIO::TypeDesc::FLOAT, map, image); break;
  }
  in->close();
  return image;
}

void CheckWritableName(const std::string& path) {
  const std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  if (!out) {
    OIIO::geterror();  // clears the library's message for this thread
    throw UsageError("no image format for " + Quoted(path) +
                     "; use a known extension such as .png, .tif, .exr or .jpg");
  }
}

void WriteImage(const Image& image, const std::string& path) {
  const fs::path destination(path);
  std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  if (!out) {
    throw UsageError("no image format for " + Quoted(path) +
                     "; use a known extension such as .png, .tif, .exr or .jpg");
  }
  const int nchannels = image.writeAlpha && out->supports("alpha") ? 4 : 3;
  OIIO::ImageSpec header(image.width, image.height, nchannels, TypeOf(image.fileType));
  header.alpha_channel = nchannels == 4 ? 3 : -1;
  header.attribute("oiio:UnassociatedAlpha", 1);

  TemporaryFile temporary(TemporaryNameFor(destination));
  if (!out->open(temporary.path().string(), header)) {
    throw IoError("cannot write " + Quoted(path) + ": " + OneLine(out->geterror()));
  }
  bool ok = true;
  switch (image.depth) {
    case Depth::k8: {
      const auto samples = FileSamples<uint8_t, uint8_t>(image, nchannels, [](uint8_t v) { return v; });
      ok = out->write_image(OIIO::TypeDesc::UINT8, samples.data());
      break;
    }
    case Depth::k16: {
      const auto samples =
          FileSamples<uint16_t, uint16_t>(image, nchannels, [](uint16_t v) { return EffectToFile16(v); });
      ok = out->write_image(OIIO::TypeDesc::UINT16, samples.data());
      break;
    }
    default: {
      const auto samples = FileSamples<float, float>(image, nchannels, [](float v) { return v; });
      ok = out->write_image(OIIO::TypeDesc::FLOAT, samples.data());
      break;
    }
  }
  ok = out->close() && ok;
  if (!ok) throw IoError("cannot write " + Quoted(path) + ": " + OneLine(out->geterror()));

  std::error_code ec;
  fs::rename(temporary.path(), destination, ec);
  if (ec) throw IoError("cannot write " + Quoted(path) + ": " + ec.message());
  temporary.Commit();
}

}  // namespace morvane::cli
