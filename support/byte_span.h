// The bytes the rows of a frame span, for telling whether two frames may share memory (a host may
// hand over one buffer as input and output).
#pragma once
#include <algorithm>
#include <cstdint>

namespace morvane {

struct ByteSpan {
  uintptr_t lo = 0, hi = 0;  // bytes lo .. hi − 1

  // `rows` rows of rowPixelBytes each, the first at `first`, rowBytes apart (either sign).
  static ByteSpan OfRows(const void* first, int64_t rows, int64_t rowBytes, int64_t rowPixelBytes) {
    const uintptr_t start = reinterpret_cast<uintptr_t>(first);
    // Unsigned arithmetic: a negative step wraps to the right address.
    const uintptr_t last = start + static_cast<uintptr_t>(std::max<int64_t>(rows - 1, 0) * rowBytes);
    return {std::min(start, last), std::max(start, last) + static_cast<uintptr_t>(std::max<int64_t>(rowPixelBytes, 0))};
  }

  bool Overlaps(const ByteSpan& other) const { return lo < other.hi && other.lo < hi; }
};

}  // namespace morvane
