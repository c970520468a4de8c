// The chain of one shape: from its starting point, ring after ring of growing radius is swept
// for the first place whose input colour matches the shape's source colour, and the place found
// becomes the next point. This is how shapes follow the colour regions of the picture.
//
// Reads the input only at coordinates mirrored into the image (never outside it), allocates
// nothing, and depends only on the input, the settings and the random state it is handed, so
// chains of different shapes can be built on different threads.
#pragma once
#include <cstddef>
#include <cstdint>

#include "generator/generator_settings.h"
#include "generator/random.h"
#include "generator/sweep_angles.h"
#include "raster/pixel_traits.h"
#include "raster/surface.h"

namespace morvane {

// Room for the starting point and 515 found points. The longest chain of a valid "Recursion
// Steps" (512, one more for curves and triangles) has 514 points; a larger wanted number of
// points, from a setting outside its range, is cut to this capacity.
inline constexpr int32_t kChainCapacity = 516;

struct Chain {
  int32_t x[kChainCapacity];
  int32_t y[kChainCapacity];
  // radius[j] is the ring on which point j + 1 was found from point j.
  int32_t radius[kChainCapacity];
  int32_t count = 0;
};

// size and sizeGrowth are each held to +-2^16 pixels (valid controls stay below 1024 even when
// scaled up), which keeps every chain coordinate, and every difference of two of them, far
// inside int32_t for the extents the generator accepts.
inline constexpr int32_t kRadiusSettingLimit = 1 << 16;

inline int32_t ClampRadiusSetting(int32_t v) {
  return v < -kRadiusSettingLimit ? -kRadiusSettingLimit
                                  : (v > kRadiusSettingLimit ? kRadiusSettingLimit : v);
}

// Brings a coordinate into 0..extent-1 by reflection: a negative c reads (-c) mod E, c from E
// to 2E reads (2E - c) mod E (E itself reads 0, E + 1 reads E - 1). Beyond 2E, which only a
// radius larger than the image allows, that reflection lands below 0 and is reflected once more.
inline int32_t MirrorCoordinate(int32_t c, int32_t extent) {
  if (static_cast<uint32_t>(c) < static_cast<uint32_t>(extent)) return c;
  const int64_t e = extent;
  int64_t v = c;
  if (v < 0) return static_cast<int32_t>((-v) % e);
  v = (2 * e - v) % e;
  return static_cast<int32_t>(v < 0 ? -v : v);
}

// Fills chain with the starting point (x0, y0) and the points found from it; returns the number
// of points (at least 1). The input must have width and height of at least 1. The colour is
// compared on red, green and blue only. `sweeps` must be built from the same settings' angles.
template <class P>
int32_t BuildChain(const InputSurface<P>& input, int32_t x0, int32_t y0,
                   const ShapeColour<P>& source, const GeneratorSettings<P>& settings,
                   const SweepAngles& sweeps, RandomSource& random, Chain& chain);

template <class P>
SweepAngles SweepAnglesOf(const GeneratorSettings<P>& settings, WorkerPool* pool = nullptr) {
  return SweepAngles(settings.startAngle, settings.angleRandomization, settings.angleRange, pool);
}

}  // namespace morvane
