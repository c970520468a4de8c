// Text helpers shared by the layers that match names typed by people (preset and control names).
#pragma once
#include <string_view>

namespace morvane {

constexpr char LowerAscii(char ch) {
  return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Equal ignoring the case of ASCII letters; other bytes compare as they are.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace morvane
