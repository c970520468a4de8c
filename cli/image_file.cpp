#include "cli/image_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <initializer_list>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <type_traits>

#include <OpenImageIO/imageio.h>

#include "cli/cli_error.h"
#include "cli/output_file.h"
#include "cli/png_check.h"

namespace morvane::cli {
namespace {

namespace fs = std::filesystem;

// The library's message as one line: its lines joined, each said once (a failed read may report
// the same line from several layers).
std::string OneLine(const std::string& message) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= message.size()) {
    size_t end = message.find('\n', start);
    if (end == std::string::npos) end = message.size();
    std::string line = message.substr(start, end - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    if (!line.empty() && std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
    start = end + 1;
  }
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "; ") + line;
  return joined.empty() ? "unknown error" : joined;
}

bool Mentions(const std::string& text, std::initializer_list<const char*> words) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* w : words) {
    if (lower.find(w) != std::string::npos) return true;
  }
  return false;
}

// Why a file could not be decoded, in the user's terms: a file that ends early says where.
std::string ReadFailure(const std::string& path, const std::string& libraryMessage) {
  const std::string fail = "cannot read " + Quoted(path) + ": ";
  const std::string message = OneLine(libraryMessage);
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (!ec && Mentions(message, {"end of file", "eof", "truncat", "premature", "unexpected end"})) {
    return fail + "the file is truncated at byte " + std::to_string(size) + " (" + message + ")";
  }
  if (!ec && size == 0) return fail + "the file is empty";
  if (message == "unknown error" && !ec) {
    // Some decoders stop at a short or broken file without a word.
    return fail + "the file is truncated or damaged (it has " + std::to_string(size) + " bytes)";
  }
  return fail + message;
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
void ToArgb(const Src* samples, int nchannels, const ChannelMap& map, size_t pixels, Dst* out) {
  for (size_t i = 0; i < pixels; ++i) {
    const Src* px = samples + i * nchannels;
    Dst* o = out + i * 4;
    o[0] = map.alpha >= 0 ? Convert<Dst>(px[map.alpha]) : kOpaque<Dst>;
    o[1] = Convert<Dst>(px[map.red]);
    o[2] = Convert<Dst>(px[map.green]);
    o[3] = Convert<Dst>(px[map.blue]);
  }
}

// Rows are decoded a strip at a time into a small buffer and converted into the image: the file's
// samples are never held whole beside the image, and a truncated file fails at its first missing
// strip, before the rest of the image's memory is touched.
constexpr int kStripRows = 32;

template <class Src, class Dst>
void ReadStrips(OIIO::ImageInput& in, const std::string& path, OIIO::TypeDesc type, const ChannelMap& map,
                Image& image) {
  const OIIO::ImageSpec& spec = in.spec();
  const int n = spec.nchannels;
  std::vector<Src> strip(static_cast<size_t>(image.width) * kStripRows * n);
  Dst* out = reinterpret_cast<Dst*>(image.storage.data());
  for (int y = 0; y < image.height; y += kStripRows) {
    const int rows = std::min(kStripRows, image.height - y);
    if (!in.read_scanlines(0, 0, spec.y + y, spec.y + y + rows, 0, 0, n, type, strip.data())) {
      throw IoError(ReadFailure(path, in.geterror()));
    }
    ToArgb<Src, Dst>(strip.data(), n, map, static_cast<size_t>(image.width) * rows,
                     out + static_cast<size_t>(y) * image.width * 4);
  }
}

template <class Src>
void ReadSamples(OIIO::ImageInput& in, const std::string& path, OIIO::TypeDesc type, const ChannelMap& map,
                 Image& image) {
  switch (image.depth) {
    case Depth::k8: ReadStrips<Src, uint8_t>(in, path, type, map, image); break;
    case Depth::k16: ReadStrips<Src, uint16_t>(in, path, type, map, image); break;
    default: ReadStrips<Src, float>(in, path, type, map, image); break;
  }
}

// ---- Writing ------------------------------------------------------------------------------------

OIIO::TypeDesc TypeOf(SampleType t) {
  switch (t) {
    case SampleType::kUint8: return OIIO::TypeDesc::UINT8;
    case SampleType::kUint16: return OIIO::TypeDesc::UINT16;
    case SampleType::kHalf: return OIIO::TypeDesc::HALF;
    case SampleType::kFloat: return OIIO::TypeDesc::FLOAT;
  }
  return OIIO::TypeDesc::FLOAT;
}

// Writes the image's pixels as interleaved file samples, red, green, blue (and alpha when kept),
// a strip of rows at a time.
template <class Src, class Dst, class Map>
bool WriteStrips(OIIO::ImageOutput& out, const Image& image, int nchannels, OIIO::TypeDesc type, Map map) {
  const Src* in = reinterpret_cast<const Src*>(image.data());
  std::vector<Dst> strip(static_cast<size_t>(image.width) * kStripRows * nchannels);
  for (int y = 0; y < image.height; y += kStripRows) {
    const int rows = std::min(kStripRows, image.height - y);
    const size_t first = static_cast<size_t>(y) * image.width;
    const size_t pixels = static_cast<size_t>(rows) * image.width;
    for (size_t i = 0; i < pixels; ++i) {
      const Src* px = in + (first + i) * 4;
      Dst* o = strip.data() + i * nchannels;
      o[0] = map(px[1]);
      o[1] = map(px[2]);
      o[2] = map(px[3]);
      if (nchannels == 4) o[3] = map(px[0]);
    }
    if (!out.write_scanlines(y, y + rows, 0, type, strip.data())) return false;
  }
  return true;
}

}  // namespace

SampleType SampleTypeOf(Depth depth) {
  switch (depth) {
    case Depth::k8: return SampleType::kUint8;
    case Depth::k16: return SampleType::kUint16;
    default: return SampleType::kFloat;
  }
}

namespace {

Image AllocateImage(Depth depth, int32_t width, int32_t height, SampleType fileType) {
  Image image;
  image.depth = depth;
  image.width = width;
  image.height = height;
  image.fileType = fileType;
  const size_t bytes = static_cast<size_t>(width) * height * BytesPerPixel(depth);
  image.storage.resize((bytes + sizeof(float) - 1) / sizeof(float));
  return image;
}

}  // namespace

Image MakeImage(Depth depth, int32_t width, int32_t height, SampleType fileType) {
  Image image = AllocateImage(depth, width, height, fileType);
  std::fill(image.storage.begin(), image.storage.end(), 0.0f);
  return image;
}

Image UninitialisedImage(Depth depth, int32_t width, int32_t height, SampleType fileType) {
  return AllocateImage(depth, width, height, fileType);
}

void CheckPixelCount(const std::string& what, int64_t width, int64_t height, int64_t maxPixels) {
  const int64_t pixels = width * height;
  if (pixels > maxPixels) {
    throw IoError(what + " is " + std::to_string(width) + "x" + std::to_string(height) + ", " +
                  std::to_string(pixels) + " pixels, above the limit of " + std::to_string(maxPixels) +
                  " pixels; --max-pixels raises it");
  }
  // Rows are addressed in 32-bit byte counts, as the host's frames are (16 bytes a pixel at float).
  if (width > kMaxWidth) {
    throw IoError(what + " is " + std::to_string(width) + " pixels wide, above the widest frame, " +
                  std::to_string(kMaxWidth));
  }
}

Image ReadImage(const std::string& path, std::optional<Depth> forced, int64_t maxPixels) {
  const std::string fail = "cannot read " + Quoted(path) + ": ";
  struct stat file {};
  if (::stat(path.c_str(), &file) != 0) {
    throw IoError(fail + (errno == EACCES ? "permission denied" : "no such file"));
  }
  if (S_ISDIR(file.st_mode)) throw IoError(fail + "it is a folder");
  if (::access(path.c_str(), R_OK) != 0 && ::geteuid() != 0) throw IoError(fail + "permission denied");

  // Before the decoder sees the file: libpng's errors leave its callers' frames by longjmp, which
  // leaks what they held, and a broken file is better described here anyway.
  if (const std::optional<std::string> fault = PngStructureFault(path)) throw IoError(fail + *fault);

  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path, &config);
  if (!in) throw IoError(ReadFailure(path, OIIO::geterror()));
  // Only the dimension and type fields are needed, which this accessor copies cheaply.
  const OIIO::ImageSpec header = in->spec_dimensions(0);
  if (header.deep) throw IoError(fail + "deep images are not supported");
  if (header.width <= 0 || header.height <= 0 || header.nchannels <= 0) {
    throw IoError(fail + "the file declares no pixels (" + std::to_string(header.width) + "x" +
                  std::to_string(header.height) + ", " + std::to_string(header.nchannels) + " channels)");
  }
  CheckPixelCount(Quoted(path), header.width, header.height, maxPixels);

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
  Image image = UninitialisedImage(depth, header.width, header.height,
                                   depth == natural ? naturalType : SampleTypeOf(depth));

  const ChannelMap map = MapChannels(header);
  switch (natural) {
    case Depth::k8: ReadSamples<uint8_t>(*in, path, OIIO::TypeDesc::UINT8, map, image); break;
    case Depth::k16: ReadSamples<uint16_t>(*in, path, OIIO::TypeDesc::UINT16, map, image); break;
    default: ReadSamples<float>(*in, path, OIIO::TypeDesc::FLOAT, map, image); break;
  }
  // Some decoders fill what a damaged file lacks and only warn (JPEG's "premature end"): a
  // warning left after the read is a failure too.
  if (in->has_error()) throw IoError(ReadFailure(path, in->geterror()));
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
  std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  if (!out) {
    OIIO::geterror();
    throw UsageError("no image format for " + Quoted(path) +
                     "; use a known extension such as .png, .tif, .exr or .jpg");
  }
  const int nchannels = image.writeAlpha && out->supports("alpha") ? 4 : 3;
  OIIO::ImageSpec header(image.width, image.height, nchannels, TypeOf(image.fileType));
  header.alpha_channel = nchannels == 4 ? 3 : -1;
  header.attribute("oiio:UnassociatedAlpha", 1);

  PendingOutput pending(path);
  if (!out->open(pending.temporaryPath(), header)) {
    throw IoError(pending.WriteFailure(OneLine(out->geterror())));
  }
  bool ok = true;
  switch (image.depth) {
    case Depth::k8:
      ok = WriteStrips<uint8_t, uint8_t>(*out, image, nchannels, OIIO::TypeDesc::UINT8, [](uint8_t v) { return v; });
      break;
    case Depth::k16:
      ok = WriteStrips<uint16_t, uint16_t>(*out, image, nchannels, OIIO::TypeDesc::UINT16,
                                           [](uint16_t v) { return EffectToFile16(v); });
      break;
    default:
      ok = WriteStrips<float, float>(*out, image, nchannels, OIIO::TypeDesc::FLOAT, [](float v) { return v; });
      break;
  }
  ok = out->close() && ok;
  if (!ok) throw IoError(pending.WriteFailure(OneLine(out->geterror())));
  pending.Commit();
}

}  // namespace morvane::cli
