// The plug-in property list (PiPL) that the host reads from the module before it loads it: kind,
// names, entry point, versions and flags, as the bytes of the "PIPL" resource.
//
// The bytes are built at compile time from host/effect_info.h, the same constants that global
// setup and PluginDataEntryFunction answer with, so the resource cannot drift from them. The
// Windows resource is written from PiplBytes(); nothing here may depend on the host being present.
#pragma once
#include <cstdint>
#include <span>

#include "host/effect_info.h"

namespace morvane {

// Where the bytes live in the module's resources.
inline constexpr char kPiplResourceType[] = "PIPL";
inline constexpr int kPiplResourceId = 16000;
inline constexpr int kPiplResourceLanguage = 1033;

// Property keys and the vendor code, first character in the high byte; the list stores every
// four-character code as a little-endian 32-bit number ('kind' appears as the bytes "dnik").
inline constexpr uint32_t kPiplVendor = FourCC("8BIM");
inline constexpr uint32_t kPiplKind = FourCC("kind");
inline constexpr uint32_t kPiplName = FourCC("name");
inline constexpr uint32_t kPiplCategory = FourCC("catg");
inline constexpr uint32_t kPiplEntryPointWin64 = FourCC("8664");
inline constexpr uint32_t kPiplListVersionKey = FourCC("ePVR");
inline constexpr uint32_t kPiplApiVersion = FourCC("eSVR");
inline constexpr uint32_t kPiplVersion = FourCC("eVER");
inline constexpr uint32_t kPiplInfoFlags = FourCC("eINF");
inline constexpr uint32_t kPiplOutFlags = FourCC("eGLO");
inline constexpr uint32_t kPiplOutFlags2 = FourCC("eGL2");
inline constexpr uint32_t kPiplMatchName = FourCC("eMNA");
inline constexpr uint32_t kPiplReservedInfo = FourCC("aeFL");

// The exact bytes of the "PIPL" resource, little-endian: a 16-bit 1, the list version 0, the
// property count, then the properties. The storage is static and immutable.
std::span<const uint8_t> PiplBytes();

}  // namespace morvane
