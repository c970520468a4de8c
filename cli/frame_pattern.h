// Image sequences on the command line, as oiiotool names them: a frame number pattern in a file
// name ("%04d" printf style, "#" for four digits, "@" for one, so "@@@" is three), "%%" for a
// literal percent sign, and the frame list of --frames ("1-240", "1-100x2", "1,5,10-20", "-5-5").
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace morvane::cli {

struct FramePattern {
  bool present = false;
  std::string prefix;  // the whole name, "%%" unescaped, when there is no pattern
  std::string suffix;
  int digits = 0;  // zero-padded to this width, a minus sign included, as printf pads
};

// Finds the one pattern in `path`; a path with two is a usage error.
FramePattern ParseFramePattern(const std::string& path);

// The file name of `frame`; the name without a pattern ("%%" unescaped) when there is none.
std::string FramePath(const FramePattern& pattern, int frame);

// The frames of --frames in the order given, each once.
struct FrameList {
  std::vector<int> numbers;
  int count() const { return static_cast<int>(numbers.size()); }
  int Lowest() const;
  int Highest() const;
};

// Comma-separated items, each "N", "A-B" or "A-BxS" (every S-th frame from A; "A-B:S" as Open Job
// Description writes it), frame numbers from
// −99999999 to 99999999 ("-10--1" is ten negative frames). Throws a usage error.
FrameList ParseFrameList(std::string_view text);

}  // namespace morvane::cli
