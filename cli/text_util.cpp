#include "cli/text_util.h"

namespace morvane::cli {
std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitEntries(std::string_view entries) {
  std::vector<std::string_view> out;
  while (true) {
    const size_t bar = entries.find('|');
    out.push_back(entries.substr(0, bar));
    if (bar == std::string_view::npos) break;
    entries.remove_prefix(bar + 1);
  }
  return out;
}

std::optional<int64_t> ParseWholeNumber(std::string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t n = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    n = n * 10 + (ch - '0');
  }
  return n;
}

}  // namespace morvane::cli
