#include "cli/image_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
#include "support/text.h"

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
  for (char& c : lower) c = LowerAscii(c);
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

}  // namespace

struct FileExtras {
  OIIO::ImageSpec header;            // the file's header: windows, channel names and types, metadata
  std::vector<int> channels;         // the channels the effect does not use, in file order
  std::vector<OIIO::TypeDesc> types; // and their sample types, kept as they were
  size_t pixelBytes = 0;             // their bytes per pixel
  std::vector<unsigned char> data;   // their samples, pixel after pixel
};

namespace {

// Rows are decoded a strip at a time into a small buffer and converted into the image: the file's
// samples are never held whole beside the image, and a truncated file fails at its first missing
// strip, before the rest of the image's memory is touched.
constexpr int kStripRows = 32;

template <class Src, class Dst>
void ReadStrips(OIIO::ImageInput& in, const std::string& path, OIIO::TypeDesc type, const ChannelMap& map,
                Image& image) {
  const OIIO::ImageSpec& header = in.spec();
  const int n = header.nchannels;
  std::vector<Src> strip(static_cast<size_t>(image.width) * kStripRows * n);
  Dst* out = reinterpret_cast<Dst*>(image.storage.data());
  for (int y = 0; y < image.height; y += kStripRows) {
    const int rows = std::min(kStripRows, image.height - y);
    if (!in.read_scanlines(0, 0, header.y + y, header.y + y + rows, 0, 0, n, type, strip.data())) {
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

// The channels the effect does not use, read one at a time in their own sample type, strip by
// strip, into the extras' pixel-interleaved samples.
std::shared_ptr<FileExtras> ReadExtras(OIIO::ImageInput& in, const std::string& path, const ChannelMap& map) {
  auto extras = std::make_shared<FileExtras>();
  extras->header = in.spec();
  const OIIO::ImageSpec& header = extras->header;
  for (int c = 0; c < header.nchannels; ++c) {
    if (c == map.red || c == map.green || c == map.blue || c == map.alpha) continue;
    extras->channels.push_back(c);
    extras->types.push_back(header.channelformat(c));
    extras->pixelBytes += header.channelformat(c).size();
  }
  if (extras->channels.empty()) return extras;
  const size_t width = static_cast<size_t>(header.width);
  extras->data.resize(width * header.height * extras->pixelBytes);
  std::vector<unsigned char> strip(width * kStripRows * sizeof(double));
  size_t offset = 0;
  for (size_t k = 0; k < extras->channels.size(); ++k) {
    const int c = extras->channels[k];
    const size_t bytes = extras->types[k].size();
    for (int y = 0; y < header.height; y += kStripRows) {
      const int rows = std::min(kStripRows, header.height - y);
      if (!in.read_scanlines(0, 0, header.y + y, header.y + y + rows, 0, c, c + 1, extras->types[k], strip.data())) {
        throw IoError(ReadFailure(path, in.geterror()));
      }
      for (size_t i = 0; i < width * rows; ++i) {
        std::memcpy(&extras->data[((static_cast<size_t>(y) * width) + i) * extras->pixelBytes + offset],
                    &strip[i * bytes], bytes);
      }
    }
    offset += bytes;
  }
  return extras;
}

// How many subimages and MIP levels the file holds beyond the first picture.
std::string MorePictures(OIIO::ImageInput& in) {
  int subimages = 1;
  while (subimages < 10000 && in.seek_subimage(subimages, 0)) ++subimages;
  const bool mipmapped = in.seek_subimage(0, 1);
  in.seek_subimage(0, 0);
  in.geterror();  // the failed seeks leave messages that are not errors of the read
  if (subimages > 1) return std::to_string(subimages) + " subimages";
  if (mipmapped) return "MIP levels";
  return "";
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

// The render's alpha, red, green, blue pixels as a file's red, green, blue (and alpha when
// `channels` is 4), each sample through `map`.
template <class Src, class Map>
void ToFileOrder(const Src* argb, size_t pixels, int channels, Map map, Src* out) {
  for (size_t i = 0; i < pixels; ++i) {
    const Src* px = argb + i * 4;
    Src* o = out + i * channels;
    o[0] = map(px[1]);
    o[1] = map(px[2]);
    o[2] = map(px[3]);
    if (channels == 4) o[3] = map(px[0]);
  }
}

// Calls visit(a Src sample, Src's type, the map to the file's scale) for the render's depth: 8-bit
// and float samples as they are, 16-bit to the file's 0..65535.
template <class Visit>
auto VisitFileScale(Depth depth, Visit&& visit) {
  switch (depth) {
    case Depth::k8: return visit(uint8_t{}, OIIO::TypeDesc::UINT8, [](uint8_t v) { return v; });
    case Depth::k16:
      return visit(uint16_t{}, OIIO::TypeDesc::UINT16, [](uint16_t v) { return EffectToFile16(v); });
    default: return visit(float{}, OIIO::TypeDesc::FLOAT, [](float v) { return v; });
  }
}

// The sample types a format can hold, by OpenImageIO's format name; formats not listed take any.
struct FormatTypes {
  const char* format;
  const char* shown;
  std::vector<SampleType> types;
};

const std::vector<FormatTypes>& KnownFormatTypes() {
  using T = SampleType;
  static const std::vector<FormatTypes> table = {
      {"png", "PNG", {T::kUint8, T::kUint16}},
      {"jpeg", "JPEG", {T::kUint8}},
      {"openexr", "OpenEXR", {T::kHalf, T::kFloat}},
      {"tiff", "TIFF", {T::kUint8, T::kUint16, T::kHalf, T::kFloat}},
      {"pnm", "PNM", {T::kUint8, T::kUint16}},
      {"bmp", "BMP", {T::kUint8}},
      {"targa", "Targa", {T::kUint8}},
      {"gif", "GIF", {T::kUint8}},
      {"hdr", "HDR", {T::kFloat}},
      {"dpx", "DPX", {T::kUint8, T::kUint16}},
  };
  return table;
}

const char* SampleTypeName(SampleType t) {
  switch (t) {
    case SampleType::kUint8: return "uint8";
    case SampleType::kUint16: return "uint16";
    case SampleType::kHalf: return "half";
    case SampleType::kFloat: return "float";
  }
  return "float";
}

const FormatTypes* TypesOfFormat(const std::string& formatName) {
  for (const FormatTypes& f : KnownFormatTypes()) {
    if (formatName == f.format) return &f;
  }
  return nullptr;
}

bool Holds(const FormatTypes* f, SampleType t) {
  return f == nullptr || std::find(f->types.begin(), f->types.end(), t) != f->types.end();
}

std::unique_ptr<OIIO::ImageOutput> CreateOutput(const std::string& path) {
  std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  if (!out) {
    OIIO::geterror();  // clears the library's message for this thread
    throw UsageError("no image format for " + Quoted(path) +
                     "; use a known extension such as .png, .tif, .exr or .jpg");
  }
  return out;
}

// The file's metadata worth carrying to the output: everything but the reader's own bookkeeping
// (OpenImageIO's "oiio:" notes other than the colour space, and layout facts of the input file).
bool CarriedAttribute(const std::string& name) {
  if (name.rfind("oiio:", 0) == 0) return name == "oiio:ColorSpace" || name == "oiio:Gamma";
  return name != "openexr:chunkCount" && name != "tiff:subfiletype";
}

// The header of the written file: the picture's sample type, its windows and metadata when it came
// from a file, and the extra channels where the format holds more than four.
struct OutputLayout {
  OIIO::ImageSpec header;
  int mainChannels = 0;
  bool extras = false;                   // the extras' channels follow the main ones
  std::vector<OIIO::TypeDesc> written;   // each channel's type in the written samples
  size_t pixelBytes = 0;
};

OutputLayout LayoutFor(const Image& image, OIIO::ImageOutput& out) {
  OutputLayout l;
  l.mainChannels = image.writeAlpha && out.supports("alpha") ? 4 : 3;
  OIIO::ImageSpec& h = l.header;
  h = OIIO::ImageSpec(image.width, image.height, l.mainChannels, TypeOf(image.fileType));
  const FileExtras* x = image.extras.get();
  if (x != nullptr) {
    for (const OIIO::ParamValue& p : x->header.extra_attribs) {
      if (CarriedAttribute(p.name().string())) h.attribute(p.name().string(), p.type(), p.data());
    }
    h.x = x->header.x;
    h.y = x->header.y;
    h.full_x = x->header.full_x;
    h.full_y = x->header.full_y;
    h.full_width = x->header.full_width;
    h.full_height = x->header.full_height;
    l.extras = !x->channels.empty() && out.supports("nchannels");
    if (l.extras) {
      for (const int c : x->channels) h.channelnames.push_back(x->header.channelnames[static_cast<size_t>(c)]);
      h.nchannels = static_cast<int>(h.channelnames.size());
      if (out.supports("channelformats")) {
        h.channelformats.assign(static_cast<size_t>(l.mainChannels), h.format);
        h.channelformats.insert(h.channelformats.end(), x->types.begin(), x->types.end());
      }
    }
  }
  h.alpha_channel = l.mainChannels == 4 ? 3 : -1;
  h.attribute("oiio:UnassociatedAlpha", 1);
  // Without a DateTime the TIFF and OpenEXR writers stamp the wall clock, and two runs differ.
  if (h.find_attribute("DateTime") == nullptr) h.attribute("DateTime", "");
  for (int c = 0; c < h.nchannels; ++c) {
    l.written.push_back(h.channelformats.empty() ? h.format : h.channelformats[static_cast<size_t>(c)]);
    l.pixelBytes += l.written.back().size();
  }
  return l;
}

// Writes the picture a strip of rows at a time: red, green, blue (and alpha) from the render,
// mapped to the file's scale, then the extra channels' samples as the input file held them.
template <class Src, class Map>
bool WriteStrips(OIIO::ImageOutput& out, const Image& image, const OutputLayout& l, OIIO::TypeDesc type, Map map) {
  const Src* in = reinterpret_cast<const Src*>(image.data());
  const int n = l.mainChannels;
  std::vector<Src> strip(static_cast<size_t>(image.width) * kStripRows * n);
  std::vector<unsigned char> native(l.extras ? static_cast<size_t>(image.width) * kStripRows * l.pixelBytes : 0);
  const FileExtras* x = image.extras.get();
  for (int y = 0; y < image.height; y += kStripRows) {
    const int rows = std::min(kStripRows, image.height - y);
    const size_t first = static_cast<size_t>(y) * image.width;
    const size_t pixels = static_cast<size_t>(rows) * image.width;
    ToFileOrder(in + first * 4, pixels, n, map, strip.data());
    const int top = l.header.y + y;
    if (!l.extras) {
      if (!out.write_scanlines(top, top + rows, 0, type, strip.data())) return false;
      continue;
    }
    for (size_t i = 0; i < pixels; ++i) {
      unsigned char* o = &native[i * l.pixelBytes];
      OIIO::convert_pixel_values(type, strip.data() + i * n, l.written[0], o, n);
      o += static_cast<size_t>(n) * l.written[0].size();
      const unsigned char* extra = &x->data[(first + i) * x->pixelBytes];
      for (size_t k = 0; k < x->channels.size(); ++k) {
        const OIIO::TypeDesc to = l.written[static_cast<size_t>(n) + k];
        OIIO::convert_pixel_values(x->types[k], extra, to, o, 1);
        extra += x->types[k].size();
        o += to.size();
      }
    }
    if (!out.write_scanlines(top, top + rows, 0, OIIO::TypeUnknown, native.data())) return false;
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
  const OIIO::ImageSpec& header = in->spec();
  if (header.deep) throw IoError(fail + "deep images are not supported");
  if (header.width <= 0 || header.height <= 0 || header.nchannels <= 0) {
    throw IoError(fail + "the file declares no pixels (" + std::to_string(header.width) + "x" +
                  std::to_string(header.height) + ", " + std::to_string(header.nchannels) + " channels)");
  }
  CheckPixelCount(Quoted(path), header.width, header.height, maxPixels);
  if (const std::string more = MorePictures(*in); !more.empty()) {
    throw UsageError(Quoted(path) + " holds " + more + "; morvane renders one picture: take one out first, e.g. "
                     "oiiotool IN --subimage 0 -o ONE");
  }

  // The file's own depth, from its colour channels (a float Z beside half colour does not make the
  // picture float): 8 and 16-bit unsigned samples as they are, everything else through float.
  const ChannelMap map = MapChannels(header);
  const OIIO::TypeDesc colourType = header.channelformat(map.red);
  Depth natural = Depth::kFloat;
  SampleType naturalType = colourType == OIIO::TypeDesc::HALF ? SampleType::kHalf : SampleType::kFloat;
  if (colourType == OIIO::TypeDesc::UINT8) {
    natural = Depth::k8;
    naturalType = SampleType::kUint8;
  } else if (colourType == OIIO::TypeDesc::UINT16) {
    natural = Depth::k16;
    naturalType = SampleType::kUint16;
  }
  const Depth depth = forced.value_or(natural);
  Image image = UninitialisedImage(depth, header.width, header.height,
                                   depth == natural ? naturalType : SampleTypeOf(depth));

  switch (natural) {
    case Depth::k8: ReadSamples<uint8_t>(*in, path, OIIO::TypeDesc::UINT8, map, image); break;
    case Depth::k16: ReadSamples<uint16_t>(*in, path, OIIO::TypeDesc::UINT16, map, image); break;
    default: ReadSamples<float>(*in, path, OIIO::TypeDesc::FLOAT, map, image); break;
  }
  image.extras = ReadExtras(*in, path, map);
  // Some decoders fill what a damaged file lacks and only warn (JPEG's "premature end"): a
  // warning left after the read is a failure too.
  if (in->has_error()) throw IoError(ReadFailure(path, in->geterror()));
  in->close();
  return image;
}

namespace {

// The render depth and sample type a file of sample type `t` is read at (ReadImage's rule).
std::pair<Depth, SampleType> NaturalOf(OIIO::TypeDesc t) {
  if (t == OIIO::TypeDesc::UINT8) return {Depth::k8, SampleType::kUint8};
  if (t == OIIO::TypeDesc::UINT16) return {Depth::k16, SampleType::kUint16};
  return {Depth::kFloat, t == OIIO::TypeDesc::HALF ? SampleType::kHalf : SampleType::kFloat};
}

template <class Src>
void FillFromSamples(const Src* samples, int channels, Image& image) {
  const ChannelMap map{0, 1, 2, channels == 4 ? 3 : -1};
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  switch (image.depth) {
    case Depth::k8: ToArgb<Src, uint8_t>(samples, channels, map, pixels, reinterpret_cast<uint8_t*>(image.storage.data())); break;
    case Depth::k16: ToArgb<Src, uint16_t>(samples, channels, map, pixels, reinterpret_cast<uint16_t*>(image.storage.data())); break;
    default: ToArgb<Src, float>(samples, channels, map, pixels, reinterpret_cast<float*>(image.storage.data())); break;
  }
}

// Red, green, blue (and alpha) of the render in its own sample scale (8-bit, 16-bit file scale or
// float), then converted to `to` by the library's conversion, as the file writers convert them.
template <class Src, class Map>
void ToSamples(const Image& image, int channels, OIIO::TypeDesc from, OIIO::TypeDesc to, Map map, void* out) {
  const Src* in = reinterpret_cast<const Src*>(image.data());
  std::vector<Src> row(static_cast<size_t>(image.width) * channels);
  auto* o = static_cast<unsigned char*>(out);
  for (int32_t y = 0; y < image.height; ++y) {
    const size_t first = static_cast<size_t>(y) * image.width;
    ToFileOrder(in + first * 4, static_cast<size_t>(image.width), channels, map, row.data());
    OIIO::convert_pixel_values(from, row.data(), to, o + first * channels * to.size(), image.width * channels);
  }
}

}  // namespace

Image ImageFromSamples(const void* samples, SampleType type, int32_t width, int32_t height, int channels,
                       std::optional<Depth> forced) {
  const auto [natural, naturalType] = NaturalOf(TypeOf(type));
  const Depth depth = forced.value_or(natural);
  Image image = UninitialisedImage(depth, width, height, depth == natural ? naturalType : SampleTypeOf(depth));
  switch (type) {
    case SampleType::kUint8: FillFromSamples(static_cast<const uint8_t*>(samples), channels, image); break;
    case SampleType::kUint16: FillFromSamples(static_cast<const uint16_t*>(samples), channels, image); break;
    case SampleType::kHalf: {
      // Half files are read through float, as ReadImage reads them.
      std::vector<float> widened(static_cast<size_t>(width) * height * channels);
      OIIO::convert_pixel_values(OIIO::TypeDesc::HALF, samples, OIIO::TypeDesc::FLOAT, widened.data(),
                                 static_cast<int>(widened.size()));
      FillFromSamples(widened.data(), channels, image);
      break;
    }
    case SampleType::kFloat: FillFromSamples(static_cast<const float*>(samples), channels, image); break;
  }
  return image;
}

void SamplesFromImage(const Image& image, SampleType type, int channels, void* out) {
  VisitFileScale(image.depth, [&](auto sample, OIIO::TypeDesc from, auto map) {
    ToSamples<decltype(sample)>(image, channels, from, TypeOf(type), map, out);
  });
}

std::optional<SampleType> ParseSampleType(std::string_view name) {
  for (const SampleType t : {SampleType::kUint8, SampleType::kUint16, SampleType::kHalf, SampleType::kFloat}) {
    if (name == SampleTypeName(t)) return t;
  }
  return std::nullopt;
}

void CheckWritableName(const std::string& path, std::optional<SampleType> asked) {
  const std::unique_ptr<OIIO::ImageOutput> out = CreateOutput(path);
  const FormatTypes* f = TypesOfFormat(out->format_name());
  if (asked && !Holds(f, *asked)) {
    std::string held;
    for (size_t i = 0; i < f->types.size(); ++i) {
      held += std::string(i == 0 ? "" : i + 1 == f->types.size() ? " or " : ", ") + SampleTypeName(f->types[i]);
    }
    throw UsageError(Quoted(path) + " cannot hold " + SampleTypeName(*asked) + " samples: " + f->shown +
                     " files hold " + held + "; give --data-format " + held + ", or write .exr or .tif");
  }
}

SampleType OutputSampleType(const std::string& path, SampleType natural, std::optional<SampleType> asked) {
  if (asked) return *asked;
  const std::unique_ptr<OIIO::ImageOutput> out = CreateOutput(path);
  const FormatTypes* f = TypesOfFormat(out->format_name());
  using T = SampleType;
  std::vector<T> preference;
  switch (natural) {
    case T::kUint8: preference = {T::kUint8, T::kUint16, T::kHalf, T::kFloat}; break;
    case T::kUint16: preference = {T::kUint16, T::kFloat, T::kHalf, T::kUint8}; break;
    case T::kHalf: preference = {T::kHalf, T::kFloat, T::kUint16, T::kUint8}; break;
    case T::kFloat: preference = {T::kFloat, T::kHalf, T::kUint16, T::kUint8}; break;
  }
  for (const T t : preference) {
    if (Holds(f, t)) return t;
  }
  return natural;
}

void WriteImage(const Image& image, const std::string& path) {
  std::unique_ptr<OIIO::ImageOutput> out = CreateOutput(path);
  const OutputLayout layout = LayoutFor(image, *out);

  PendingOutput pending(path);
  if (!out->open(pending.temporaryPath(), layout.header)) {
    throw IoError(pending.WriteFailure(OneLine(out->geterror())));
  }
  bool ok = VisitFileScale(image.depth, [&](auto sample, OIIO::TypeDesc type, auto map) {
    return WriteStrips<decltype(sample)>(*out, image, layout, type, map);
  });
  ok = out->close() && ok;
  if (!ok) throw IoError(pending.WriteFailure(OneLine(out->geterror())));
  pending.Commit();
}

}  // namespace morvane::cli
