#include "effect/shape_settings.h"

#include <cstring>

namespace morvane {
namespace {

// A slider's integer part: the 16.16 value shifted right, rounding toward minus infinity.
int32_t IntegerPart(int32_t fixed) { return fixed >> 16; }

// A percentage slider on the 0..255 colour scale; the division truncates toward zero.
int32_t PercentTo255(int32_t fixed) { return IntegerPart(fixed) * 255 / 100; }

// Popup values count from 1; the field counts from 0. Wraps instead of overflowing for a
// malformed record.
int32_t PopupIndex(int32_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value) - 1u); }

}  // namespace

void SetSettingFromControl(ShapeSettings& s, ControlId id, int32_t value) {
  using enum ControlId;
  switch (id) {
    case kKeepOriginal: s.keepOriginal = value; break;
    case kCount: s.shapeCount = IntegerPart(value) * 16; break;
    case kRecursionSteps: s.recursionSteps = IntegerPart(value); break;
    case kShapeType: s.shapeType = PopupIndex(value); break;
    case kLineWidth: s.lineWidth = static_cast<float>(value) * (1.0f / 65536.0f); break;
    case kFill: s.fill = value; break;
    case kOpacity: s.opacity = PercentTo255(value); break;
    case kSize: s.size = IntegerPart(value); break;
    case kSizeGrowth: s.sizeGrowth = IntegerPart(value); break;
    case kMatchingAccuracy: s.matchThreshold = 132 - IntegerPart(value) * 128 / 100; break;
    case kMinLuminosity: s.minLuminosity = IntegerPart(value); break;
    case kMaxLuminosity: s.maxLuminosity = IntegerPart(value); break;
    case kStartingAngle: s.startAngle = IntegerPart(value); break;
    case kAngleRandomization: s.angleRandomization = IntegerPart(value); break;
    case kAngleRange: s.angleRange = IntegerPart(value); break;
    case kFadeType: s.fadeType = PopupIndex(value); break;
    case kFadeLevel: s.fadeLevel = PercentTo255(value); break;
    case kStartPosStrategy: s.startStrategy = PopupIndex(value); break;
    case kGridRandomization: s.gridRandomization = PercentTo255(value); break;
    case kRandomSeed: s.seed = IntegerPart(value); break;
    default: break;
  }
}

void DeriveRecursion(ShapeSettings& s) {
  s.recursive = s.recursionSteps > 1 ? 1 : 0;
  if (s.recursive) {
    s.shapeCount /= s.recursionSteps;
    if (s.shapeCount == 0) s.shapeCount = 1;
  }
}

ShapeSettings SettingsOfControls(const ControlValues& values) {
  ShapeSettings settings;
  std::memset(&settings, 0, sizeof settings);
  ReadShapeSettings(settings, [&values](ControlId id, int32_t& value) {
    value = values[SlotOf(id)];
    return 0;
  });
  return settings;
}

}  // namespace morvane
