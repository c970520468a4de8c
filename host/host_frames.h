// What the adapter reads out of the host's records: frames, pixel formats and control values.
#pragma once
#include <cstdint>

#include "effect/render_buffers.h"
#include "host_api/ae_types.h"

namespace morvane {

// After Effects' smart path and Premiere Pro's render path name their formats differently
// ('argb' is the same 8-bit format in both).
Depth DepthOfSmartFormat(PF_PixelFormat format);
Depth DepthOfPremiereFormat(PrPixelFormat format);

// A null world is an empty frame.
FrameBuffer FrameOfWorld(const PF_EffectWorld* world);

// The value a host parameter record holds, by the record's own kind.
int32_t ParamRecordValue(const PF_ParamDef& def);

}  // namespace morvane
