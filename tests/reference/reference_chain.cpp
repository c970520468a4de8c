// Reference copy of the chain search as it was before any speed work: every candidate's sine and
// cosine computed where it is visited. Test-only.
#include "tests/reference/reference_render.h"

#include <cmath>
#include <type_traits>

#include "support/maths.h"
#include "support/numeric.h"

namespace morvane::reference {
namespace {

constexpr double kFullTurn = 6.28318530718;
constexpr double kHalfTurn = 3.14159265359;
constexpr float kAngleStep = 0.031415924f;

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
int32_t BuildChain(const InputSurface<P>& input, int32_t x0, int32_t y0, const ShapeColour<P>& source,
                   const GeneratorSettings<P>& settings, RandomSource& random, Chain& chain) {
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

  const float startTheta = static_cast<float>(
      static_cast<double>(static_cast<float>(settings.startAngle)) * kFullTurn / 360.0);
  const int32_t randomization = settings.angleRandomization;
  const float range = static_cast<float>(settings.angleRange);
  const double doubledRange = static_cast<double>(range + range);

  const Ch sourceRed = source.channel[2];
  const Ch sourceGreen = source.channel[1];
  const Ch sourceBlue = source.channel[0];
  const SettingLevel<P> threshold = settings.matchThreshold;

  while (chain.count - 1 < wanted) {
    const int32_t px = chain.x[chain.count - 1];
    const int32_t py = chain.y[chain.count - 1];
    bool found = false;

    for (int32_t r = size; r <= maxRadius && !found; ++r) {
      float theta = startTheta;
      if (randomization != 0) {
        const int32_t k = random.Next() % randomization;
        theta = static_cast<float>(static_cast<double>(k) * kFullTurn / 360.0 +
                                   static_cast<double>(theta));
      }
      const float thetaEnd =
          static_cast<float>(doubledRange * kHalfTurn / 360.0 + static_cast<double>(theta));
      const double radius = static_cast<float>(r);

      while (theta < thetaEnd) {
        const double angle = theta;
        const int32_t cx = TruncToInt32(Sin(angle) * radius + static_cast<double>(px));
        const int32_t cy = TruncToInt32(Cos(angle) * radius + static_cast<double>(py));
        if (cx < bandLeft || cy < bandLeft || cx >= bandRight || cy >= bandBottom) break;

        const Ch* pixel = input.PixelAt(MirrorCoordinate(cx, width), MirrorCoordinate(cy, height));
        if (ChannelMatches<P>(pixel[1], sourceRed, threshold) &&
            ChannelMatches<P>(pixel[2], sourceGreen, threshold) &&
            ChannelMatches<P>(pixel[3], sourceBlue, threshold)) {
          chain.x[chain.count] = cx;
          chain.y[chain.count] = cy;
          chain.radius[chain.count - 1] = r;
          ++chain.count;
          found = true;
          break;
        }

        // Far from zero the step no longer moves a float angle; such a sweep (only reachable
        // with angles far outside their controls' ranges) would never end.
        const float next = theta + kAngleStep;
        if (next == theta) break;
        theta = next;
      }
    }
    if (!found) break;
  }
  return chain.count;
}

#define MORVANE_INSTANTIATE(P)                                                              \
  template int32_t BuildChain<P>(const InputSurface<P>&, int32_t, int32_t, const ShapeColour<P>&, \
                                 const GeneratorSettings<P>&, RandomSource&, Chain&);
MORVANE_FOR_EACH_DEPTH(MORVANE_INSTANTIATE)
#undef MORVANE_INSTANTIATE

}  // namespace morvane::reference
