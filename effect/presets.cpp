#include "effect/presets.h"

#include "support/text.h"

namespace morvane {
namespace {

constexpr int32_t WholeToFixed(int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(n) << 16); }

// The stored 32nds pass through float on their way to double; for the table's values that step
// is exact, but it is kept so the written value matches saved looks bit for bit.
constexpr int32_t ThirtySecondsToFixed(int32_t n) {
  const double x = static_cast<double>(static_cast<float>(n)) * 0.03125;
  return x >= 0.0 ? static_cast<int32_t>(x * 65536.0 + 0.5) : static_cast<int32_t>(x * 65536.0 - 0.5);
}

constexpr int32_t Convert(PresetValueKind kind, int32_t n) {
  switch (kind) {
    case PresetValueKind::Whole: return WholeToFixed(n);
    case PresetValueKind::ThirtySeconds: return ThirtySecondsToFixed(n);
    case PresetValueKind::Popup:
    case PresetValueKind::Checkbox: return n;
  }
  return n;
}

static_assert(ThirtySecondsToFixed(56) == 114688);  // 1.75
static_assert(ThirtySecondsToFixed(48) == 98304);   // 1.5
static_assert(ThirtySecondsToFixed(32) == 65536);
static_assert(ThirtySecondsToFixed(448) == 917504);  // 14
static_assert(ThirtySecondsToFixed(-56) == -114688);
static_assert(WholeToFixed(-3) == -196608);

// Every stored value converts without overflow: whole numbers must fit 16.16, and a 32nds value
// that overflowed would not be a constant expression, so the build fails instead.
constexpr bool AllValuesConvert() {
  for (const auto& row : kPresetValues) {
    for (int c = 0; c < kPresetColumnCount; ++c) {
      const int32_t n = row[c];
      if (kPresetValueKind[c] == PresetValueKind::Whole && (n > 32767 || n < -32768)) return false;
      static_cast<void>(Convert(kPresetValueKind[c], n));
    }
  }
  return true;
}
static_assert(AllValuesConvert());

// No column writes the "Preset" control itself, so applying a preset never changes the popup
// that triggered it.
constexpr bool NoColumnIsThePreset() {
  for (ControlId id : kPresetColumns) {
    if (id == ControlId::kPreset) return false;
  }
  return true;
}
static_assert(NoColumnIsThePreset());

// Walks the characters by index: GCC's sanitizer build rejects string_view::find in constant
// expressions.
constexpr std::array<std::string_view, kPresetCount> SplitNames() {
  std::array<std::string_view, kPresetCount> names{};
  constexpr std::string_view entries = kPresetPopupEntries;
  size_t start = 0;
  int name = 0;
  for (size_t i = 0; i <= entries.size() && name < kPresetCount; ++i) {
    if (i == entries.size() || entries[i] == '|') {
      names[name++] = entries.substr(start, i - start);
      start = i + 1;
    }
  }
  return names;
}
constexpr std::array<std::string_view, kPresetCount> kPresetNames = SplitNames();
static_assert(kPresetNames[0] == "Rough Scratch" && kPresetNames[kPresetCount - 1] == "Continuous Dots");

}  // namespace

std::string_view PresetName(int preset) {
  if (preset < 1 || preset > kPresetCount) return {};
  return kPresetNames[preset - 1];
}

int FindPreset(std::string_view name) {
  for (int i = 0; i < kPresetCount; ++i) {
    if (EqualsIgnoringAsciiCase(name, kPresetNames[i])) return i + 1;
  }
  return 0;
}

int32_t PresetControlValue(int preset, int column) {
  if (preset < 1 || preset > kPresetCount || column < 0 || column >= kPresetColumnCount) return 0;
  return Convert(kPresetValueKind[column], kPresetValues[preset - 1][column]);
}

void ApplyPresetColumns(ControlValues& values, int preset) {
  if (preset < 1 || preset > kPresetCount) return;
  for (int column = 0; column < kPresetColumnCount; ++column) {
    values[SlotOf(kPresetColumns[column])] = PresetControlValue(preset, column);
  }
}

}  // namespace morvane
