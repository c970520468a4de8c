// Binary PPM (P6, 8-bit) reading and writing for test pictures: no image library needed, so the
// Windows test host reads the same files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvane::testing {

struct ArgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> argb;  // alpha, red, green, blue per pixel; PPM pixels are opaque
};

// False when the file is missing or not an 8-bit binary PPM.
bool ReadPpm(const std::string& path, ArgbImage& image);
// Writes the colour channels, composited over black by alpha, for looking at.
bool WritePpm(const std::string& path, const ArgbImage& image);

}  // namespace morvane::testing
