#include "cli/frame_pattern.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>

#include "cli/cli_error.h"
#include "cli/text_util.h"

namespace morvane::cli {
namespace {

// Frame numbers up to this either way, and at most this many frames in one call: far beyond any
// sequence, and every product of them stays inside 64 bits.
constexpr int64_t kMaxFrame = 99'999'999;
constexpr int64_t kMaxFrameCount = 1'000'000;

struct Match {
  size_t begin = 0;
  size_t end = 0;
  int digits = 0;
};

// "%d", "%4d" or "%04d" at `at` (the "%" sign).
std::optional<Match> PrintfAt(const std::string& s, size_t at) {
  size_t i = at + 1;
  int digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 100) digits = digits * 10 + (s[i++] - '0');
  if (i < s.size() && s[i] == 'd') return Match{at, i + 1, digits};
  return std::nullopt;
}

// Patterns in `s` and, between them, the literal text with "%%" made "%".
struct Scan {
  std::vector<Match> patterns;
  std::vector<std::string> literals;  // one more than patterns
};

Scan ScanName(const std::string& s) {
  Scan scan;
  scan.literals.emplace_back();
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') {
      scan.literals.back() += '%';
      i += 2;
      continue;
    }
    if (s[i] == '%') {
      if (const std::optional<Match> m = PrintfAt(s, i)) {
        scan.patterns.push_back(*m);
        scan.literals.emplace_back();
        i = m->end;
        continue;
      }
    } else if (s[i] == '#' || s[i] == '@') {
      const char mark = s[i];
      size_t j = i;
      while (j < s.size() && s[j] == mark) ++j;
      const int perMark = mark == '#' ? 4 : 1;
      scan.patterns.push_back(Match{i, j, static_cast<int>(j - i) * perMark});
      scan.literals.emplace_back();
      i = j;
      continue;
    }
    scan.literals.back() += s[i++];
  }
  return scan;
}

// A signed whole number at the front of `t`, consumed.
std::optional<int64_t> TakeNumber(std::string_view& t) {
  bool negative = false;
  if (!t.empty() && t.front() == '-') {
    negative = true;
    t.remove_prefix(1);
  }
  size_t n = 0;
  while (n < t.size() && t[n] >= '0' && t[n] <= '9') ++n;
  const std::optional<int64_t> v = ParseWholeNumber(t.substr(0, n));
  if (!v) return std::nullopt;
  t.remove_prefix(n);
  return negative ? -*v : *v;
}

[[noreturn]] void BadFrames(std::string_view text, const std::string& why) {
  throw UsageError("--frames " + Quoted(std::string(text)) + ": " + why +
                   "; give frames as 1-240, 1-100x2 (every second frame), 1,5,10-20 or -5-5");
}

}  // namespace

FramePattern ParseFramePattern(const std::string& path) {
  const Scan scan = ScanName(path);
  FramePattern p;
  if (scan.patterns.size() > 1) {
    throw UsageError(Quoted(path) +
                     " has more than one frame number pattern; give one, such as %04d, #### or @@@ (%% is a "
                     "literal %)");
  }
  p.prefix = scan.literals[0];
  if (scan.patterns.empty()) return p;
  p.present = true;
  p.suffix = scan.literals[1];
  p.digits = scan.patterns[0].digits;
  return p;
}

std::string FramePath(const FramePattern& pattern, int frame) {
  if (!pattern.present) return pattern.prefix;
  const bool negative = frame < 0;
  std::string number = std::to_string(negative ? -static_cast<int64_t>(frame) : static_cast<int64_t>(frame));
  const int width = pattern.digits - (negative ? 1 : 0);
  if (static_cast<int>(number.size()) < width) number.insert(0, width - number.size(), '0');
  return pattern.prefix + (negative ? "-" : "") + number + pattern.suffix;
}

int FrameList::Lowest() const { return *std::min_element(numbers.begin(), numbers.end()); }
int FrameList::Highest() const { return *std::max_element(numbers.begin(), numbers.end()); }

FrameList ParseFrameList(std::string_view text) {
  FrameList list;
  std::set<int> seen;
  std::string_view rest = Trim(text);
  if (rest.empty()) BadFrames(text, "no frames");
  while (true) {
    const size_t comma = rest.find(',');
    std::string_view item = Trim(rest.substr(0, comma));
    const std::optional<int64_t> first = TakeNumber(item);
    if (!first) BadFrames(text, "expected a frame number");
    int64_t last = *first;
    int64_t step = 1;
    if (!item.empty() && item.front() == '-') {
      item.remove_prefix(1);
      const std::optional<int64_t> end = TakeNumber(item);
      if (!end) BadFrames(text, "expected a frame number after \"-\"");
      last = *end;
      if (!item.empty() && (item.front() == 'x' || item.front() == ':')) {  // oiiotool's x, OpenJD's :
        item.remove_prefix(1);
        const std::optional<int64_t> s = TakeNumber(item);
        if (!s || *s < 1) BadFrames(text, "expected a step of 1 or more after \"x\" or \":\"");
        step = *s;
      }
    }
    if (!item.empty()) BadFrames(text, "unexpected " + Quoted(std::string(item)));
    if (*first < -kMaxFrame || *first > kMaxFrame || last < -kMaxFrame || last > kMaxFrame) {
      BadFrames(text, "frame numbers go from -" + std::to_string(kMaxFrame) + " to " + std::to_string(kMaxFrame));
    }
    if (*first > last) BadFrames(text, "a range must not run backwards");
    if ((last - *first) / step + 1 + list.count() > kMaxFrameCount) {
      BadFrames(text, "more than " + std::to_string(kMaxFrameCount) + " frames");
    }
    for (int64_t f = *first; f <= last; f += step) {
      if (seen.insert(static_cast<int>(f)).second) list.numbers.push_back(static_cast<int>(f));
    }
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  return list;
}

}  // namespace morvane::cli
