// ShapeSettings: the settings of one render, read out of the host's parameters.
//
// In After Effects the block is allocated at smart pre-render with malloc and handed to the host,
// which frees it with free after the smart render; it therefore stays a plain record of 22
// 32-bit fields. The values are kept as read (before scaling and depth conversion, which happen
// per render in the render frame).
#pragma once
#include <cstdint>

#include "host/api/ae_types.h"

namespace morvane {

struct ShapeSettings {
  int32_t keepOriginal;
  int32_t shapeCount;      // "Count" × 16, divided by the recursion steps when recursive
  int32_t recursionSteps;
  int32_t shapeType;       // popup value − 1
  int32_t recursive;       // 1 when recursionSteps > 1
  float lineWidth;         // pixels, fraction kept
  int32_t fill;
  int32_t opacity;         // 0..255
  int32_t reserved;        // always 0
  int32_t size;
  int32_t sizeGrowth;
  int32_t matchThreshold;  // 0..255 scale: 132 − (accuracy × 128) / 100
  int32_t minLuminosity;
  int32_t maxLuminosity;
  int32_t startAngle;
  int32_t angleRandomization;
  int32_t angleRange;
  int32_t fadeType;        // popup value − 1
  int32_t fadeLevel;       // 0..255
  int32_t startStrategy;   // popup value − 1
  int32_t gridRandomization;  // 0..255
  int32_t seed;
};
static_assert(sizeof(ShapeSettings) == 22 * 4);

// The order in which the parameters are checked out at smart pre-render. Render (Premiere Pro)
// and the command-line renderer read in the same order, so every path builds the same block.
inline constexpr int kSettingsReadOrder[20] = {2, 5, 6, 4, 9, 10, 11, 7, 8, 17,
                                               20, 21, 12, 13, 14, 19, 18, 22, 23, 24};

// The value a host parameter record holds, by the record's own kind.
int32_t ParamRecordValue(const PF_ParamDef& def);

// Stores the raw host value of the control at `index` into its field, converted.
void SetSettingFromParam(ShapeSettings& settings, int index, int32_t value);

// After all fields are read: the recursion flag and the division of the count.
void DeriveRecursion(ShapeSettings& settings);

// Reads every field in kSettingsReadOrder through `read(index, value&)`, which returns a host
// error code; stops at the first failure and returns it (the fields after it stay unset).
template <class Read>
PF_Err ReadShapeSettings(ShapeSettings& settings, Read&& read) {
  settings.reserved = 0;
  for (int index : kSettingsReadOrder) {
    int32_t value = 0;
    if (PF_Err err = read(index, value); err != PF_Err_NONE) return err;
    SetSettingFromParam(settings, index, value);
  }
  DeriveRecursion(settings);
  return PF_Err_NONE;
}

}  // namespace morvane
