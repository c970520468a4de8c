#include "render/shape_settings.h"

#include "render/param_index.h"

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

int32_t ParamRecordValue(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_POPUP: return def.u.pd.value;
    case PF_Param_CHECKBOX: return def.u.bd.value;
    default: return def.u.fd.value;
  }
}

void SetSettingFromParam(ShapeSettings& s, int index, int32_t value) {
  switch (index) {
    case PARAM_KEEP_ORIGINAL: s.keepOriginal = value; break;
    case PARAM_COUNT: s.shapeCount = IntegerPart(value) * 16; break;
    case PARAM_RECURSION_STEPS: s.recursionSteps = IntegerPart(value); break;
    case PARAM_SHAPE_TYPE: s.shapeType = PopupIndex(value); break;
    case PARAM_LINE_WIDTH: s.lineWidth = static_cast<float>(value) * (1.0f / 65536.0f); break;
    case PARAM_FILL: s.fill = value; break;
    case PARAM_OPACITY: s.opacity = PercentTo255(value); break;
    case PARAM_SIZE: s.size = IntegerPart(value); break;
    case PARAM_SIZE_GROWTH: s.sizeGrowth = IntegerPart(value); break;
    case PARAM_MATCHING_ACCURACY: s.matchThreshold = 132 - IntegerPart(value) * 128 / 100; break;
    case PARAM_MIN_LUMINOSITY: s.minLuminosity = IntegerPart(value); break;
    case PARAM_MAX_LUMINOSITY: s.maxLuminosity = IntegerPart(value); break;
    case PARAM_STARTING_ANGLE: s.startAngle = IntegerPart(value); break;
    case PARAM_ANGLE_RANDOMIZATION: s.angleRandomization = IntegerPart(value); break;
    case PARAM_ANGLE_RANGE: s.angleRange = IntegerPart(value); break;
    case PARAM_FADE_TYPE: s.fadeType = PopupIndex(value); break;
    case PARAM_FADE_LEVEL: s.fadeLevel = PercentTo255(value); break;
    case PARAM_START_POS_STRATEGY: s.startStrategy = PopupIndex(value); break;
    case PARAM_GRID_RANDOMIZATION: s.gridRandomization = PercentTo255(value); break;
    case PARAM_RANDOM_SEED: s.seed = IntegerPart(value); break;
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

}  // namespace morvane
