// Private to the rasterisers: helpers shared by the shape families. Every float-to-integer step
// of the rasterisers goes through truncToInt32, because NaN or huge values reach them from float
// frames (HDR or NaN alpha) and from degenerate geometry, where a plain cast is undefined.
#pragma once
#include <cstddef>
#include <cstdint>

#include "raster/numeric.h"

namespace morvane {

// Working rows of this thread for span and row tables: at least count entries, contents
// unspecified. The storage grows to the largest request and is reused, so a warmed-up render
// thread draws shapes without allocating. Valid until the thread's next call.
int32_t* rowScratch(std::size_t count);

}  // namespace morvane
