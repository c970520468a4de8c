// Image sequences on the command line: a frame number pattern in a file name ("%04d" as ffmpeg
// writes it, or "####", one digit per "#") and the frame range of --frames.
#pragma once
#include <string>
#include <string_view>

namespace morvane::cli {

struct FramePattern {
  bool present = false;
  std::string prefix;
  std::string suffix;
  int digits = 0;  // zero-padded to this many digits; 0 for a plain "%d"
};

// Finds the one pattern in `path`; a path with two is a usage error.
FramePattern ParseFramePattern(const std::string& path);

// The file name of `frame`; `path` itself when there is no pattern.
std::string FramePath(const FramePattern& pattern, const std::string& path, int frame);

struct FrameRange {
  int first = 0;
  int last = 0;
  int count() const { return last - first + 1; }
};

// "A-B" or a single frame "N", frame numbers 0 and up. Throws a usage error.
FrameRange ParseFrameRange(std::string_view text);

}  // namespace morvane::cli
