#include "tests/fake_host/ppm.h"

#include <cstdio>
#include <memory>

namespace morvane::testing {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The next header number, skipping white space and comments.
bool ReadNumber(std::FILE* f, int32_t& value) {
  int c = std::fgetc(f);
  while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '#') {
    if (c == '#') {
      while (c != '\n' && c != EOF) c = std::fgetc(f);
    }
    c = std::fgetc(f);
  }
  if (c < '0' || c > '9') return false;
  value = 0;
  while (c >= '0' && c <= '9') {
    if (value > 100000) return false;
    value = value * 10 + (c - '0');
    c = std::fgetc(f);
  }
  return true;  // the single white-space byte after the number has been consumed
}

}  // namespace

bool ReadPpm(const std::string& path, ArgbImage& image) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  char magic[2];
  if (std::fread(magic, 1, 2, f.get()) != 2 || magic[0] != 'P' || magic[1] != '6') return false;
  int32_t w = 0, h = 0, maxval = 0;
  if (!ReadNumber(f.get(), w) || !ReadNumber(f.get(), h) || !ReadNumber(f.get(), maxval)) return false;
  if (w <= 0 || h <= 0 || maxval != 255) return false;
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  if (std::fread(rgb.data(), 1, rgb.size(), f.get()) != rgb.size()) return false;
  image.width = w;
  image.height = h;
  image.argb.resize(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
    image.argb[4 * i] = 255;
    image.argb[4 * i + 1] = rgb[3 * i];
    image.argb[4 * i + 2] = rgb[3 * i + 1];
    image.argb[4 * i + 3] = rgb[3 * i + 2];
  }
  return true;
}

bool WritePpm(const std::string& path, const ArgbImage& image) {
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  std::fprintf(f.get(), "P6\n%d %d\n255\n", image.width, image.height);
  std::vector<uint8_t> rgb(static_cast<size_t>(image.width) * image.height * 3);
  for (size_t i = 0; i < rgb.size() / 3; ++i) {
    const unsigned a = image.argb[4 * i];
    for (int c = 0; c < 3; ++c) rgb[3 * i + c] = static_cast<uint8_t>(image.argb[4 * i + 1 + c] * a / 255);
  }
  return std::fwrite(rgb.data(), 1, rgb.size(), f.get()) == rgb.size();
}

}  // namespace morvane::testing
