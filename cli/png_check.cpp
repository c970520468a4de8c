#include "cli/png_check.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace morvane::cli {
namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// The PNG format's own bound on a chunk's length.
constexpr uint32_t kMaxChunkLength = 0x7fffffffu;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

uint32_t BigEndian(const unsigned char* b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
}

std::string ChunkName(const unsigned char* type) {
  std::string name;
  for (int i = 0; i < 4; ++i) {
    const unsigned char c = type[i];
    name += (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ? static_cast<char>(c) : '?';
  }
  return name;
}

}  // namespace

std::optional<std::string> PngStructureFault(const std::string& path) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;  // the decoder reports what it cannot open
  unsigned char signature[8];
  if (std::fread(signature, 1, 8, file.get()) != 8 || std::memcmp(signature, kSignature, 8) != 0) {
    return std::nullopt;
  }
  uint64_t offset = 8;
  const auto truncated = [&](uint64_t at) { return "the file is truncated at byte " + std::to_string(at); };
  std::array<unsigned char, 1 << 16> block;
  for (;;) {
    unsigned char head[8];
    const size_t got = std::fread(head, 1, 8, file.get());
    if (got != 8) return truncated(offset + got);
    const uint32_t length = BigEndian(head);
    const std::string name = ChunkName(head + 4);
    if (name.find('?') != std::string::npos) {
      return "the file is damaged at byte " + std::to_string(offset) + " (no chunk starts there)";
    }
    if (length > kMaxChunkLength) {
      return "the file is damaged at byte " + std::to_string(offset) + " (chunk " + name + " claims " +
             std::to_string(length) + " bytes)";
    }
    uLong crc = crc32(0L, head + 4, 4);
    uint64_t left = length;
    uint64_t at = offset + 8;
    while (left > 0) {
      const size_t want = left < block.size() ? static_cast<size_t>(left) : block.size();
      const size_t n = std::fread(block.data(), 1, want, file.get());
      crc = crc32(crc, block.data(), static_cast<uInt>(n));
      at += n;
      if (n != want) return truncated(at);
      left -= n;
    }
    unsigned char stored[4];
    const size_t n = std::fread(stored, 1, 4, file.get());
    if (n != 4) return truncated(at + n);
    if (BigEndian(stored) != static_cast<uint32_t>(crc)) {
      return "the file is damaged at byte " + std::to_string(offset) + " (chunk " + name +
             " fails its checksum)";
    }
    offset = at + 4;
    if (std::memcmp(head + 4, "IEND", 4) == 0) return std::nullopt;
  }
}

}  // namespace morvane::cli
