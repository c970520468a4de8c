#include "generator/sweep_angles.h"

#include <cstdlib>

#include "support/maths.h"

namespace morvane {
namespace {

constexpr int64_t kMaxOffsets = 361;
constexpr int32_t kMaxSweepLength = 1024;

// Visits the angles of one sweep as the chain search steps them; stops early when visit returns
// false. Returns the number visited.
template <class Visit>
int32_t ForEachAngle(float theta, float thetaEnd, Visit&& visit) {
  int32_t count = 0;
  while (theta < thetaEnd) {
    ++count;
    if (!visit(theta)) break;
    // Far from zero the step no longer moves a float angle; such a sweep would never end.
    const float next = theta + kAngleStep;
    if (next == theta) break;
    theta = next;
  }
  return count;
}

}  // namespace

float SweepAngles::StartTheta(int32_t startAngle) {
  return static_cast<float>(static_cast<double>(static_cast<float>(startAngle)) * kFullTurn / 360.0);
}

float SweepAngles::StartOf(float startTheta, int32_t randomization, int32_t k) {
  if (randomization == 0) return startTheta;
  return static_cast<float>(static_cast<double>(k) * kFullTurn / 360.0 +
                            static_cast<double>(startTheta));
}

float SweepAngles::EndOf(double doubledRange, float theta) {
  return static_cast<float>(doubledRange * kHalfTurn / 360.0 + static_cast<double>(theta));
}

SweepAngles::SweepAngles(int32_t startAngle, int32_t angleRandomization, int32_t angleRange) {
  // Next() % r lies in 0 .. |r| − 1 whatever the sign of r (and in 0 .. 32767 for INT32_MIN).
  const int64_t offsets = angleRandomization == 0 ? 1 : std::llabs(int64_t{angleRandomization});
  if (offsets > kMaxOffsets) return;
  const float startTheta = StartTheta(startAngle);
  const float range = static_cast<float>(angleRange);
  const double doubledRange = static_cast<double>(range + range);

  first_.resize(static_cast<size_t>(offsets));
  counts_.resize(static_cast<size_t>(offsets));
  for (int32_t k = 0; k < offsets; ++k) {
    const float theta = StartOf(startTheta, angleRandomization, k);
    const float end = EndOf(doubledRange, theta);
    first_[k] = static_cast<int32_t>(values_.size());
    bool tooLong = false;
    counts_[k] = ForEachAngle(theta, end, [&](float angle) {
      if (values_.size() - first_[k] >= 2 * static_cast<size_t>(kMaxSweepLength)) {
        tooLong = true;
        return false;
      }
      values_.push_back(Sin(static_cast<double>(angle)));
      values_.push_back(Cos(static_cast<double>(angle)));
      return true;
    });
    if (tooLong) {
      values_.clear();
      first_.clear();
      counts_.clear();
      return;
    }
  }
  tabled_ = true;
}

}  // namespace morvane
