#include "generator/build_chain.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>

#include "support/numeric.h"

namespace morvane {
namespace {

template <class P>
inline bool ChannelMatches(typename P::Channel a, typename P::Channel b,
                           SettingLevel<P> threshold) {
  if constexpr (std::is_floating_point_v<typename P::Channel>) {
    float d = a - b;
    if (d < 0) d = -d;
    return d <= threshold;
  } else {
    int32_t d = static_cast<int32_t>(a) - static_cast<int32_t>(b);
    if (d < 0) d = -d;
    return d <= threshold;
  }
}

}  // namespace

template <class P>
int32_t BuildChain(const InputSurface<P>& input, int32_t x0, int32_t y0,
                   const ShapeColour<P>& source, const GeneratorSettings<P>& settings,
                   const SweepAngles& sweeps, RandomSource& random, Chain& chain) {
  using Ch = typename P::Channel;

  int64_t wanted = settings.recursive == 1 ? settings.recursionSteps : 1;
  if (settings.shapeType == kCurve || settings.shapeType == kTriangle) ++wanted;
  if (wanted > kChainCapacity - 1) wanted = kChainCapacity - 1;

  chain.x[0] = x0;
  chain.y[0] = y0;
  chain.count = 1;

  const int32_t size = ClampRadiusSetting(settings.size);
  const int32_t maxRadius = size + ClampRadiusSetting(settings.sizeGrowth);
  if (size > maxRadius) return 1;

  const int32_t width = input.width;
  const int32_t height = input.height;
  // A ring's sweep ends at the first candidate outside this band around the image.
  const int64_t bandLeft = -static_cast<int64_t>(maxRadius);
  const int64_t bandRight = static_cast<int64_t>(width) + maxRadius;
  const int64_t bandBottom = static_cast<int64_t>(height) + maxRadius;

  const int32_t randomization = settings.angleRandomization;

  const Ch sourceRed = source.channel[2];
  const Ch sourceGreen = source.channel[1];
  const Ch sourceBlue = source.channel[0];
  const SettingLevel<P> threshold = settings.matchThreshold;

  // A source colour with a NaN channel matches no pixel (its differences are NaN), nor does one
  // with an infinite channel while the threshold is finite (its differences are NaN or infinite):
  // the search cannot find a point. Only the rings' random draws are made, as the sweep would make
  // them, and the chain stays at its start.
  if constexpr (std::is_floating_point_v<Ch>) {
    const auto hopeless = [threshold](Ch c) {
      return std::isnan(c) || (std::isinf(c) && threshold != std::numeric_limits<float>::infinity());
    };
    if (hopeless(sourceRed) || hopeless(sourceGreen) || hopeless(sourceBlue)) {
      if (randomization != 0) {
        for (int32_t r = size; r <= maxRadius; ++r) random.Next();
      }
      return chain.count;
    }
  }

  // Asking for pixels ahead pays only when the frame is larger than the caches; on a small one it
  // is work for nothing.
  const bool prefetch =
      static_cast<int64_t>(height) * input.rowStride * static_cast<int64_t>(sizeof(Ch)) > (int64_t{1} << 20);
  const auto matches = [&](const Ch* pixel) {
    return ChannelMatches<P>(pixel[1], sourceRed, threshold) &&
           ChannelMatches<P>(pixel[2], sourceGreen, threshold) &&
           ChannelMatches<P>(pixel[3], sourceBlue, threshold);
  };

  // The sweep's candidates are worked out kAhead places before they are tested, each once, and
  // their pixels asked for then: the frame is far larger than the caches and the candidates of a
  // ring lie on different rows. Working out a few past the sweep's end changes nothing. Only the
  // pixel is kept; the point is worked out again for the candidate that matches.
  // Sixteen: eight left the search waiting on the input's pixels (a 1080p frame's rows are pages
  // apart), and sixteen measured 3-20 % quicker on the searching presets.
  constexpr int32_t kAhead = 16;
  constexpr int32_t kAheadNextRing = 4;
  const Ch* ahead[kAhead];

  while (chain.count - 1 < wanted) {
    const int32_t px = chain.x[chain.count - 1];
    const int32_t py = chain.y[chain.count - 1];
    const double fx = px, fy = py;
    bool found = false;

    for (int32_t r = size; r <= maxRadius && !found; ++r) {
      const int32_t k = randomization != 0 ? random.Next() % randomization : 0;
      const double radius = static_cast<float>(r);
      const auto record = [&](double sine, double cosine) {
        chain.x[chain.count] = TruncToInt32(sine * radius + fx);
        chain.y[chain.count] = TruncToInt32(cosine * radius + fy);
        chain.radius[chain.count - 1] = r;
        ++chain.count;
        found = true;
      };
      // The pixel a candidate of the ring of radius `at` reads, or null when it lies outside
      // the band around the image, where the ring's sweep ends.
      const auto pixelInBand = [&](double sine, double cosine, double at) __attribute__((always_inline)) -> const Ch* {
        const int32_t x = TruncToInt32(sine * at + fx);
        const int32_t y = TruncToInt32(cosine * at + fy);
        if (x < bandLeft || y < bandLeft || x >= bandRight || y >= bandBottom) return nullptr;
        const Ch* pixel = input.PixelAt(MirrorCoordinate(x, width), MirrorCoordinate(y, height));
        if (prefetch) __builtin_prefetch(pixel);
        return pixel;
      };
      int32_t count = 0;
      const double* angles = sweeps.Table(k, count);
      if (angles == nullptr) {
        // Untabled sweeps (controls far out of range) work each angle out as they go.
        sweeps.Visit(k, [&](double sine, double cosine) {
          const Ch* pixel = pixelInBand(sine, cosine, radius);
          if (pixel == nullptr) return false;
          if (matches(pixel)) {
            record(sine, cosine);
            return false;
          }
          return true;
        });
        continue;
      }
      // Tests the candidates in sweep order; pixelOf(i) is candidate i's pixel.
      const auto sweep = [&](auto&& pixelOf) __attribute__((always_inline)) {
        for (int32_t i = 0; i < kAhead && i < count; ++i) ahead[i] = pixelOf(i);
        // The next ring's first pixels, asked for now: its offset is the next random draw (taken
        // from a copy, so the sequence is untouched), and when this ring finds nothing they are
        // what the search reads next.
        if (prefetch && r < maxRadius) {
          RandomSource peek = random;
          const int32_t nextK = randomization != 0 ? peek.Next() % randomization : 0;
          int32_t nextCount = 0;
          const double* nextAngles = sweeps.Table(nextK, nextCount);
          const double nextRadius = static_cast<float>(r + 1);
          for (int32_t i = 0; i < kAheadNextRing && i < nextCount; ++i) {
            if (pixelInBand(nextAngles[2 * i], nextAngles[2 * i + 1], nextRadius) == nullptr) break;
          }
        }
        for (int32_t i = 0; i < count; ++i) {
          const Ch* pixel = ahead[i % kAhead];
          if (pixel == nullptr) return;
          if (i + kAhead < count) ahead[i % kAhead] = pixelOf(i + kAhead);
          if (matches(pixel)) {
            record(angles[2 * i], angles[2 * i + 1]);
            return;
          }
        }
      };
      // A ring that lies inside the image reads every candidate where it falls: sine and cosine
      // lie within ±1, so each coordinate, rounded and truncated, stays within the point's
      // coordinate ± |r| (monotonic rounding, whole end points), which needs no band test, no
      // reflection and no saturation.
      const int64_t span = std::llabs(int64_t{r});
      if (px - span >= 0 && px + span < width && py - span >= 0 && py + span < height) {
        sweep([&](int32_t i) __attribute__((always_inline)) {
          const Ch* pixel = input.PixelAt(static_cast<int32_t>(angles[2 * i] * radius + fx),
                                          static_cast<int32_t>(angles[2 * i + 1] * radius + fy));
          if (prefetch) __builtin_prefetch(pixel);
          return pixel;
        });
      } else {
        sweep([&](int32_t i) __attribute__((always_inline)) {
          return pixelInBand(angles[2 * i], angles[2 * i + 1], radius);
        });
      }
    }
    if (!found) break;
  }
  return chain.count;
}

#define MORVANE_INSTANTIATE(P)                                                              \
  template int32_t BuildChain<P>(const InputSurface<P>&, int32_t, int32_t, const ShapeColour<P>&, \
                                 const GeneratorSettings<P>&, const SweepAngles&, RandomSource&, \
                                 Chain&);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane
