#include "host/host_frames.h"

namespace morvane {

Depth DepthOfSmartFormat(PF_PixelFormat format) {
  switch (static_cast<uint32_t>(format)) {
    case PF_PixelFormat_ARGB32: return Depth::k8;
    case PF_PixelFormat_ARGB64: return Depth::k16;
    case PF_PixelFormat_ARGB128: return Depth::kFloat;
    default: return Depth::kUnknown;
  }
}

Depth DepthOfPremiereFormat(PrPixelFormat format) {
  switch (static_cast<uint32_t>(format)) {
    case PrPixelFormat_ARGB_4444_8u: return Depth::k8;
    case PrPixelFormat_ARGB_4444_16u: return Depth::k16;
    case PrPixelFormat_ARGB_4444_32f: return Depth::kFloat;
    default: return Depth::kUnknown;
  }
}

FrameBuffer FrameOfWorld(const PF_EffectWorld* world) {
  if (world == nullptr) return {};
  return FrameBuffer{world->data, world->width, world->height, world->rowbytes};
}

int32_t ParamRecordValue(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_POPUP: return def.u.pd.value;
    case PF_Param_CHECKBOX: return def.u.bd.value;
    default: return def.u.fd.value;
  }
}

}  // namespace morvane
