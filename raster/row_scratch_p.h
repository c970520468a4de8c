// Private to the rasterisers: the per-thread working rows of their span and row tables.
#pragma once
#include <cstddef>
#include <cstdint>

namespace morvane {

// Working rows of this thread for span and row tables: at least count entries, contents
// unspecified. The storage grows to the largest request and is reused, so a warmed-up render
// thread draws shapes without allocating. Valid until the thread's next call.
int32_t* RowScratch(std::size_t count);

}  // namespace morvane
