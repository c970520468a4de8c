#include "cli/frame_pattern.h"

#include <optional>
#include <vector>

#include "cli/cli_error.h"
#include "cli/text_util.h"

namespace morvane::cli {
namespace {

// Frame numbers up to this; far beyond any sequence, and an int holds them with room to spare.
constexpr int64_t kMaxFrame = 99'999'999;

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

std::vector<Match> FindPatterns(const std::string& s) {
  std::vector<Match> found;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '%') {
      if (const std::optional<Match> m = PrintfAt(s, i)) {
        found.push_back(*m);
        i = m->end;
        continue;
      }
    } else if (s[i] == '#') {
      size_t j = i;
      while (j < s.size() && s[j] == '#') ++j;
      found.push_back(Match{i, j, static_cast<int>(j - i)});
      i = j;
      continue;
    }
    ++i;
  }
  return found;
}

}  // namespace

FramePattern ParseFramePattern(const std::string& path) {
  const std::vector<Match> found = FindPatterns(path);
  FramePattern p;
  if (found.empty()) return p;
  if (found.size() > 1) {
    throw UsageError(Quoted(path) + " has more than one frame number pattern; give one, such as %04d or ####");
  }
  p.present = true;
  p.prefix = path.substr(0, found[0].begin);
  p.suffix = path.substr(found[0].end);
  p.digits = found[0].digits;
  return p;
}

std::string FramePath(const FramePattern& pattern, const std::string& path, int frame) {
  if (!pattern.present) return path;
  std::string number = std::to_string(frame);
  if (static_cast<int>(number.size()) < pattern.digits) number.insert(0, pattern.digits - number.size(), '0');
  return pattern.prefix + number + pattern.suffix;
}

FrameRange ParseFrameRange(std::string_view text) {
  const std::string_view t = Trim(text);
  const size_t dash = t.find('-');
  const std::optional<int64_t> first = ParseWholeNumber(dash == std::string_view::npos ? t : t.substr(0, dash));
  const std::optional<int64_t> last = dash == std::string_view::npos ? first : ParseWholeNumber(t.substr(dash + 1));
  if (!first || !last || *first > kMaxFrame || *last > kMaxFrame || *first > *last) {
    throw UsageError("--frames " + Quoted(std::string(text)) +
                     ": expected FIRST-LAST with 0 <= FIRST <= LAST <= " + std::to_string(kMaxFrame) +
                     ", such as 1-240, or one frame number");
  }
  return FrameRange{static_cast<int>(*first), static_cast<int>(*last)};
}

}  // namespace morvane::cli
