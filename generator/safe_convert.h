// Float-to-integer truncation that is defined for every input. A plain cast is undefined for
// NaN and for values outside int32_t, which an HDR or NaN float frame, or a setting far outside
// its range, can produce. In range the result is exactly the cast's (truncation toward zero).
#pragma once
#include <cstdint>

namespace morvane {

// NaN gives 0; values beyond the int32_t range give its nearest end.
inline int32_t TruncToInt32(double v) {
  if (v != v) return 0;
  if (v <= -2147483649.0) return INT32_MIN;
  if (v >= 2147483648.0) return INT32_MAX;
  return static_cast<int32_t>(v);
}

}  // namespace morvane
