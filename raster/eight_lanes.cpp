#include "raster/eight_lanes.h"

#if defined(MORVANE_EIGHT_LANES)
namespace morvane {

const bool kEightLanes = [] {
  __builtin_cpu_init();  // may run before the runtime's own initialisation
  return __builtin_cpu_supports("avx2") != 0;
}();

}  // namespace morvane
#endif
