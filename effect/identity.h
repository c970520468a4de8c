// The effect's name and version as people see them: in the host's About box, in its effect menu
// and in the command-line renderer's --version.
#pragma once
#include <cstdint>

namespace morvane {

inline constexpr char kEffectName[] = "Morvane";
inline constexpr char kEffectCategory[] = "Vantor";

inline constexpr int32_t kMajorVersion = 1;
inline constexpr int32_t kMinorVersion = 0;
inline constexpr int32_t kFixVersion = 1;

}  // namespace morvane
