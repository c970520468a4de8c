// Per-thread working storage for the rasterisers' span and row tables.
// Must not: shrink (shapes would allocate again) or be shared between threads.
#include <cstddef>
#include <vector>

#include "raster/convert_p.h"

namespace morvane {

int32_t* rowScratch(std::size_t count) {
  thread_local std::vector<int32_t> rows;
  if (rows.size() < count) rows.resize(count);
  return rows.data();
}

}  // namespace morvane
