#include "effect/enabling.h"

namespace morvane {

bool ControlEnabled(ControlId id, const ControlValues& v) {
  const auto value = [&v](ControlId of) { return v[SlotOf(of)]; };
  switch (id) {
    case ControlId::kFill: return FillEnabled(value(ControlId::kShapeType));
    case ControlId::kLineWidth:
      return LineWidthEnabled(value(ControlId::kFill), value(ControlId::kShapeType));
    case ControlId::kFadeLevel: return FadeLevelEnabled(value(ControlId::kFadeType));
    case ControlId::kGridRandomization:
      return GridRandomizationEnabled(value(ControlId::kStartPosStrategy));
    default: return true;
  }
}

}  // namespace morvane
