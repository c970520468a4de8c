// Positions of the effect's controls in the host's parameter array. Each control's id, under
// which the host stores its value in projects, equals its index, so these numbers never change.
// The render frame reads by them; params/ registers the controls at them.
#pragma once

namespace morvane {

enum ParamIndex : int {
  PARAM_INPUT = 0,
  PARAM_PRESET,
  PARAM_KEEP_ORIGINAL,
  PARAM_SHAPE_GROUP,
  PARAM_SHAPE_TYPE,
  PARAM_COUNT,
  PARAM_RECURSION_STEPS,
  PARAM_SIZE,
  PARAM_SIZE_GROWTH,
  PARAM_LINE_WIDTH,
  PARAM_FILL,
  PARAM_OPACITY,
  PARAM_STARTING_ANGLE,
  PARAM_ANGLE_RANDOMIZATION,
  PARAM_ANGLE_RANGE,
  PARAM_SHAPE_GROUP_END,
  PARAM_MATCHING_GROUP,
  PARAM_MATCHING_ACCURACY,
  PARAM_FADE_TYPE,
  PARAM_FADE_LEVEL,
  PARAM_MIN_LUMINOSITY,
  PARAM_MAX_LUMINOSITY,
  PARAM_START_POS_STRATEGY,
  PARAM_GRID_RANDOMIZATION,
  PARAM_RANDOM_SEED,
  PARAM_MATCHING_GROUP_END,
  PARAM_NUM_PARAMS
};
static_assert(PARAM_NUM_PARAMS == 26);

}  // namespace morvane
