// Small text helpers of the command line: trimming, entry lists, whole numbers.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace morvane::cli {

std::string_view Trim(std::string_view s);

// "A|B|C" into its entries.
std::vector<std::string_view> SplitEntries(std::string_view entries);

// Digits only (no sign, no spaces); nullopt when empty, not all digits, or beyond 18 digits.
std::optional<int64_t> ParseWholeNumber(std::string_view text);

}  // namespace morvane::cli
