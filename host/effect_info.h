// What the effect tells the host about itself: names, version word and capability flags. Global
// setup, the plug-in property list resource and PluginDataEntryFunction all read these, so the
// three can never disagree.
#pragma once
#include <cstdint>

#include "effect/identity.h"
#include "host_api/ae_types.h"

namespace morvane {

inline constexpr char kEffectMatchName[] = "VantorMorvanes";
inline constexpr char kEntryPointName[] = "EffectMain";

inline constexpr int32_t kStageRelease = 3;
inline constexpr int32_t kBuildVersion = 1;

// The host's version packing: build 0..8, stage 9..10, fix 11..14, minor 15..18, major 19..21.
inline constexpr uint32_t PackVersion(int32_t major, int32_t minor, int32_t fix, int32_t stage,
                                      int32_t build) {
  return (uint32_t(major & 7) << 19) | (uint32_t(minor & 15) << 15) | (uint32_t(fix & 15) << 11) |
         (uint32_t(stage & 3) << 9) | uint32_t(build & 0x1FF);
}

inline constexpr uint32_t kVersionWord =
    PackVersion(kMajorVersion, kMinorVersion, kFixVersion, kStageRelease, kBuildVersion);
static_assert(kVersionWord == 0x00080E01);

inline constexpr uint32_t kOutFlags = PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
inline constexpr uint32_t kOutFlags2 =
    PF_OutFlag2_I_AM_THREADSAFE | PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;

// Four-character codes other than pixel formats: first character in the high byte.
inline constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

inline constexpr uint32_t kPremiereApplId = FourCC("PrMr");
inline constexpr uint32_t kEffectKind = FourCC("eFKT");
inline constexpr int32_t kApiVersionMajor = 13;
inline constexpr int32_t kApiVersionMinor = 17;
inline constexpr int32_t kPluginDataReservedInfo = 8;

}  // namespace morvane
