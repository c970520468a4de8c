#include "generator/sweep_angles.h"

#include <cstdlib>

namespace morvane {
namespace {

constexpr int64_t kMaxOffsets = 361;
constexpr size_t kMaxSweepLength = 1024;

}  // namespace

SweepAngles::SweepAngles(int32_t startAngle, int32_t angleRandomization, int32_t angleRange)
    : startTheta_(static_cast<float>(static_cast<double>(static_cast<float>(startAngle)) *
                                     kFullTurn / 360.0)),
      randomization_(angleRandomization) {
  const float range = static_cast<float>(angleRange);
  doubledRange_ = static_cast<double>(range + range);

  // Next() % r lies in 0 .. |r| − 1 whatever the sign of r (and in 0 .. 32767 for INT32_MIN).
  const int64_t offsets = angleRandomization == 0 ? 1 : std::llabs(int64_t{angleRandomization});
  if (offsets > kMaxOffsets) return;
  first_.resize(static_cast<size_t>(offsets));
  counts_.resize(static_cast<size_t>(offsets));
  for (int32_t k = 0; k < offsets; ++k) {
    first_[k] = static_cast<int32_t>(values_.size());
    bool tooLong = false;
    ForEachAngle(k, [&](float angle) {
      if (values_.size() - first_[k] >= 2 * kMaxSweepLength) {
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
    counts_[k] = static_cast<int32_t>((values_.size() - first_[k]) / 2);
  }
  tabled_ = true;
}

}  // namespace morvane
