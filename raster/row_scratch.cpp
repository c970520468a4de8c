// Per-thread working storage for the rasterisers' span and row tables.
// Must not: shrink (shapes would allocate again) or be shared between threads.
#include <cstddef>
#include <vector>

#include "raster/row_scratch_p.h"

namespace morvane {

int32_t* RowScratch(std::size_t count) {
  thread_local std::vector<int32_t> rows;
  if (rows.size() < count) rows.resize(count);
  return rows.data();
}

}  // namespace morvane
