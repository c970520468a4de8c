// Private to the rasterisers: the 16.16 stepping of a segment that both the stroke's row tracing
// and the polygon's edge scan use, so the two record the same pixel for the same edge.
// Must not: change the half-pixel offset or the step's rounding: both are part of the picture.
#pragma once
#include <cstdint>
#include <cstdlib>

namespace morvane {

// Calls visit(column, row) once per pixel along the major axis of P0 → P1, both ends included,
// with the minor coordinate stepped in 16.16 fixed point from its start plus one half. Positions
// and step numerators are 64-bit (y × 65536 overflows 32 bits from |y| = 32768 on); the shift
// floors, exactly as 32-bit arithmetic does where it does not overflow. Every visited column and
// row lies between the segment's ends, so it fits 32 bits.
template <class Visit>
inline void StepSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Visit&& visit) {
  const int64_t adx = std::llabs(int64_t{x0} - x1);
  const int64_t ady = std::llabs(int64_t{y0} - y1);
  if (adx > ady) {
    int64_t step = ady * 65536 / adx;
    if (y0 > y1) step = -step;
    int64_t fy = int64_t{y0} * 65536 + 32768;
    const int64_t dir = x0 < x1 ? 1 : -1;
    int64_t x = x0;
    for (int64_t i = 0; i <= adx; ++i, fy += step, x += dir) visit(x, fy >> 16);
  } else {
    int64_t step = ady == 0 ? 0 : adx * 65536 / ady;
    if (x0 > x1) step = -step;
    int64_t fx = int64_t{x0} * 65536 + 32768;
    const int64_t dir = y0 < y1 ? 1 : -1;
    int64_t y = y0;
    for (int64_t i = 0; i <= ady; ++i, fx += step, y += dir) visit(fx >> 16, y);
  }
}

}  // namespace morvane
