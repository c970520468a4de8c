#include "effect/controls.h"

namespace morvane {

ControlValues DefaultControlValues() {
  ControlValues values{};
  for (const ControlDef& c : Controls()) values[SlotOf(c.id)] = c.defaultValue;
  return values;
}

}  // namespace morvane
