#include "cli/control_values.h"

#include <algorithm>

#include <cstdio>
#include <cstring>

#include "cli/cli_error.h"
#include "cli/text_util.h"
#include "effect/controls.h"
#include "effect/enabling.h"
#include "effect/presets.h"
#include "support/text.h"

namespace morvane::cli {
namespace {

// Whole-number integer parts beyond this cannot lie in any control's range; capping the digits
// keeps the arithmetic far from overflow.
constexpr size_t kMaxIntegerDigits = 9;
// Exponents beyond this give a value past every range, or a fraction below every step, either way.
constexpr int kMaxExponent = 400;


std::string SettableNames() {
  std::string names;
  for (const ControlDef& c : Controls()) {
    if (!Settable(c)) continue;
    if (!names.empty()) names += ", ";
    names += c.name;
  }
  return names;
}

const ControlDef* FindControl(std::string_view name) {
  for (const ControlDef& c : Controls()) {
    if (c.kind != ControlKind::kGroupEnd && EqualsIgnoringAsciiCase(name, c.name)) return &c;
  }
  return nullptr;
}

std::string EntriesWithNumbers(const ControlDef& c) {
  std::string text;
  const std::vector<std::string_view> entries = SplitEntries(c.popupEntries);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(i + 1) + " " + std::string(entries[i]);
  }
  return text;
}

int32_t ParsePopup(const ControlDef& c, std::string_view text) {
  const std::vector<std::string_view> entries = SplitEntries(c.popupEntries);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (EqualsIgnoringAsciiCase(text, entries[i])) return static_cast<int32_t>(i + 1);
  }
  if (const std::optional<int64_t> n = ParseWholeNumber(text); n && *n >= 1 && *n <= c.numChoices) {
    return static_cast<int32_t>(*n);
  }
  throw UsageError(Quoted(c.name) + " takes one of " + EntriesWithNumbers(c) + " (by name or number), got " +
                   Quoted(std::string(text)));
}

int32_t ParseCheckbox(const ControlDef& c, std::string_view text) {
  if (EqualsIgnoringAsciiCase(text, "on") || text == "1") return 1;
  if (EqualsIgnoringAsciiCase(text, "off") || text == "0") return 0;
  throw UsageError(Quoted(c.name) + " takes on, off, 1 or 0, got " + Quoted(std::string(text)));
}

std::string RangeText(const ControlDef& c) {
  return std::to_string(c.validMin) + " to " + std::to_string(c.validMax) + (c.percent ? " (percent)" : "");
}

// Whether the exact decimal behind `d` lies in [lo, hi] (whole numbers), although `d.fixed`
// has dropped the digits past 1/65536.
bool InRange(const FixedDecimal& d, int32_t lo, int32_t hi) {
  const int64_t m = static_cast<int64_t>(lo) * 65536;
  const int64_t M = static_cast<int64_t>(hi) * 65536;
  if (!d.negative) return d.fixed >= m && (d.fixed < M || (d.fixed == M && !d.truncated));
  return d.fixed <= M && (d.fixed > m || (d.fixed == m && !d.truncated));
}

int32_t ParseSlider(const ControlDef& c, std::string_view text) {
  std::string_view number = text;
  if (c.percent && !number.empty() && number.back() == '%') number = Trim(number.substr(0, number.size() - 1));
  const std::optional<FixedDecimal> d = ParseFixedDecimal(number);
  if (!d) {
    throw UsageError(Quoted(c.name) + " takes a number from " + RangeText(c) + ", got " +
                     Quoted(std::string(text)));
  }
  if (!InRange(*d, c.validMin, c.validMax)) {
    throw UsageError(Quoted(c.name) + " must be from " + RangeText(c) + ", got " + std::string(text));
  }
  return static_cast<int32_t>(d->fixed);
}

std::string SliderText(int32_t fixed, int precision) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", precision, static_cast<double>(fixed) / 65536.0);
  return buffer;
}

std::string Padded(std::string s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

}  // namespace

int ParsePreset(std::string_view text) {
  const std::string_view t = Trim(text);
  if (const int byName = FindPreset(t); byName != 0) return byName;
  if (const std::optional<int64_t> n = ParseWholeNumber(t); n && *n >= 1 && *n <= kPresetCount) {
    return static_cast<int>(*n);
  }
  std::string names;
  for (int p = 1; p <= kPresetCount; ++p) names += (p > 1 ? ", " : "") + std::string(PresetName(p));
  throw UsageError("unknown preset " + Quoted(std::string(text)) + "; valid: 1 to " +
                   std::to_string(kPresetCount) + " or " + names);
}

void ApplyPreset(ControlValues& values, int preset) {
  ApplyPresetColumns(values, preset);
  values[SlotOf(ControlId::kPreset)] = preset;
}

void ApplyOverride(ControlValues& values, std::string_view assignment) {
  const size_t eq = assignment.find('=');
  if (eq == std::string_view::npos) {
    throw UsageError("--set " + Quoted(std::string(assignment)) +
                     ": expected \"Control=value\", for example --set \"Size=12\"");
  }
  const std::string_view name = Trim(assignment.substr(0, eq));
  const std::string_view text = Trim(assignment.substr(eq + 1));
  const ControlDef* c = FindControl(name);
  if (c != nullptr && c->id == ControlId::kPreset) {
    throw UsageError("\"Preset\" is chosen with --preset NAME|NUMBER, not with --set");
  }
  if (c == nullptr || !Settable(*c)) {
    throw UsageError("unknown control " + Quoted(std::string(name)) + "; valid controls: " + SettableNames());
  }
  switch (c->kind) {
    case ControlKind::kPopup: values[SlotOf(c->id)] = ParsePopup(*c, text); break;
    case ControlKind::kCheckbox: values[SlotOf(c->id)] = ParseCheckbox(*c, text); break;
    default: values[SlotOf(c->id)] = ParseSlider(*c, text); break;
  }
}

ControlValues BuildControlValues(int preset, const std::vector<std::string>& overrides) {
  ControlValues values = DefaultControlValues();
  if (preset != 0) ApplyPreset(values, preset);
  for (const std::string& o : overrides) ApplyOverride(values, o);
  const int32_t minimum = values[SlotOf(ControlId::kMinLuminosity)];
  const int32_t maximum = values[SlotOf(ControlId::kMaxLuminosity)];
  if (minimum > maximum) {
    throw UsageError("\"Minimum Luminosity\" (" + SliderText(minimum, 0) +
                     ") must not exceed \"Maximum Luminosity\" (" +
                     SliderText(maximum, 0) + ")");
  }
  return values;
}

std::optional<FixedDecimal> ParseFixedDecimal(std::string_view text) {
  FixedDecimal d;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  const size_t intBegin = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  std::string_view intDigits = text.substr(intBegin, i - intBegin);
  std::string_view fracDigits;
  if (i < text.size() && text[i] == '.') {
    const size_t fracBegin = ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    fracDigits = text.substr(fracBegin, i - fracBegin);
  }
  if (intDigits.empty() && fracDigits.empty()) return std::nullopt;
  // Scientific notation ("1e1", "2.5E-1"): the exponent moves the decimal point, so the value
  // stays an exact decimal.
  std::string shiftedInt, shiftedFrac;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    const size_t expBegin = i;
    int exponent = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      exponent = std::min(exponent * 10 + (text[i] - '0'), kMaxExponent);
      ++i;
    }
    if (i == expBegin) return std::nullopt;
    shiftedInt = std::string(intDigits);
    shiftedFrac = std::string(fracDigits);
    if (negativeExponent) {
      if (static_cast<int>(shiftedInt.size()) < exponent) shiftedInt.insert(0, exponent - shiftedInt.size(), '0');
      shiftedFrac.insert(0, shiftedInt.substr(shiftedInt.size() - exponent));
      shiftedInt.erase(shiftedInt.size() - exponent);
    } else {
      if (static_cast<int>(shiftedFrac.size()) < exponent) shiftedFrac.append(exponent - shiftedFrac.size(), '0');
      shiftedInt += shiftedFrac.substr(0, exponent);
      shiftedFrac.erase(0, exponent);
    }
    intDigits = shiftedInt;
    fracDigits = shiftedFrac;
  }
  if (i != text.size()) return std::nullopt;

  while (intDigits.size() > 1 && intDigits.front() == '0') intDigits.remove_prefix(1);
  int64_t whole = 0;
  if (intDigits.size() > kMaxIntegerDigits) {
    whole = 1'000'000'000;  // beyond every range; the exact value no longer matters
  } else {
    for (char ch : intDigits) whole = whole * 10 + (ch - '0');
  }

  // 0.d1d2...dk × 65536, digit by digit from the last: the low digits of the product are its
  // fraction, the carry out of the first digit its integer part.
  int64_t carry = 0;
  for (size_t k = fracDigits.size(); k-- > 0;) {
    const int64_t t = static_cast<int64_t>(fracDigits[k] - '0') * 65536 + carry;
    if (t % 10 != 0) d.truncated = true;
    carry = t / 10;
  }
  const int64_t magnitude = whole * 65536 + carry;
  d.fixed = d.negative ? -magnitude : magnitude;
  return d;
}

bool Settable(const ControlDef& c) {
  return c.id != ControlId::kPreset &&
         (c.kind == ControlKind::kPopup || c.kind == ControlKind::kCheckbox ||
          c.kind == ControlKind::kSlider);
}

std::vector<std::string> IneffectiveOverrideWarnings(const ControlValues& values,
                                                     const std::vector<std::string>& overrides) {
  const auto value = [&values](ControlId id) { return values[SlotOf(id)]; };
  std::vector<std::string> warnings;
  std::vector<ControlId> warned;
  for (const std::string& o : overrides) {
    const ControlDef* c = FindControl(Trim(std::string_view(o).substr(0, o.find('='))));
    if (c == nullptr || ControlEnabled(c->id, values)) continue;
    if (std::find(warned.begin(), warned.end(), c->id) != warned.end()) continue;
    warned.push_back(c->id);
    std::string why;
    switch (c->id) {
      case ControlId::kFill: why = "with \"Shape type\" Line or Curve, which have no inside"; break;
      case ControlId::kLineWidth:
        why = value(ControlId::kShapeType) == PopupValue(ShapeTypeEntry::kCircle)
                  ? "with \"Shape type\" Circle, whose outline is one pixel"
                  : "with \"Fill\" on";
        break;
      case ControlId::kFadeLevel: why = "with \"Fade Type\" None"; break;
      case ControlId::kGridRandomization: why = "unless \"Starting Pos. Strategy\" is Grid"; break;
      default: why = "with the current settings"; break;
    }
    warnings.push_back(Quoted(c->name) + " has no effect " + why);
  }
  return warnings;
}

std::string SettingsText(const ControlValues& values) {
  std::string text;
  for (const ControlDef& c : Controls()) {
    if (!Settable(c)) continue;
    const int32_t v = values[SlotOf(c.id)];
    std::string shown;
    switch (c.kind) {
      case ControlKind::kPopup: {
        const std::vector<std::string_view> entries = SplitEntries(c.popupEntries);
        shown = v >= 1 && v <= static_cast<int32_t>(entries.size()) ? std::string(entries[v - 1]) : std::to_string(v);
        break;
      }
      case ControlKind::kCheckbox: shown = v != 0 ? "on" : "off"; break;
      default:
        // The shortest decimal that --set reads back as the same 16.16 value.
        for (int digits = 0; digits <= 16; ++digits) {
          shown = SliderText(v, digits);
          const std::optional<FixedDecimal> back = ParseFixedDecimal(shown);
          if (back && back->fixed == v) break;
        }
        break;
    }
    text += (text.empty() ? "" : ", ") + std::string(c.name) + "=" + shown;
  }
  return text;
}

std::string ControlsText() {
  std::string text;
  std::string indent;
  for (const ControlDef& c : Controls()) {
    switch (c.kind) {
      case ControlKind::kGroupStart: text += std::string(c.name) + ":\n"; indent = "  "; continue;
      case ControlKind::kGroupEnd: indent.clear(); continue;
      default: break;
    }
    std::string line = Padded(indent + c.name, 28);
    switch (c.kind) {
      case ControlKind::kPopup: {
        line += Padded("popup", 10) +
                Padded("1 to " + std::to_string(c.numChoices), 16) +
                Padded("default " + std::to_string(c.defaultValue), 14);
        line += c.id == ControlId::kPreset ? "chosen with --preset; see \"morvane presets\"" : EntriesWithNumbers(c);
        break;
      }
      case ControlKind::kCheckbox:
        line += Padded("checkbox", 10) + Padded("on/off", 16) +
                (c.defaultValue != 0 ? "default on" : "default off");
        break;
      default:
        line += Padded("slider", 10) +
                Padded(std::to_string(c.validMin) + " to " + std::to_string(c.validMax) + (c.percent ? " %" : ""), 16) +
                "default " + SliderText(c.defaultValue, c.precision);
        break;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

std::string PresetsText() {
  std::string text;
  for (int p = 1; p <= kPresetCount; ++p) {
    char number[8];
    std::snprintf(number, sizeof number, "%2d  ", p);
    text += number + std::string(PresetName(p)) + "\n";
  }
  return text;
}

}  // namespace morvane::cli
