#include "generator/sweep_angles.h"

#include <algorithm>
#include <cstdlib>

namespace morvane {
namespace {

constexpr int64_t kMaxOffsets = 361;
constexpr size_t kMaxSweepLength = 1024;

}  // namespace

SweepAngles::SweepAngles(int32_t startAngle, int32_t angleRandomization, int32_t angleRange,
                         WorkerPool* pool)
    : startTheta_(static_cast<float>(static_cast<double>(static_cast<float>(startAngle)) *
                                     kFullTurn / 360.0)),
      randomization_(angleRandomization) {
  const float range = static_cast<float>(angleRange);
  doubledRange_ = static_cast<double>(range + range);

  // Next() % r lies in 0 .. |r| − 1 whatever the sign of r (and in 0 .. 32767 for INT32_MIN).
  const int64_t offsets = angleRandomization == 0 ? 1 : std::llabs(int64_t{angleRandomization});
  if (offsets > kMaxOffsets) return;
  // The sweeps' lengths first (float additions only), so that the table is allocated once and
  // its parts can be filled in any order.
  first_.resize(static_cast<size_t>(offsets));
  counts_.resize(static_cast<size_t>(offsets));
  size_t total = 0;
  for (int32_t k = 0; k < offsets; ++k) {
    size_t count = 0;
    ForEachAngle(k, [&count](float) { return ++count <= kMaxSweepLength; });
    if (count > kMaxSweepLength) {
      first_.clear();
      counts_.clear();
      return;
    }
    first_[k] = static_cast<int32_t>(2 * total);
    counts_[k] = static_cast<int32_t>(count);
    total += count;
  }
  values_.resize(2 * total);
  // Each sweep's sines and cosines, a few sweeps per task on a pool.
  constexpr int32_t kSweepsPerTask = 8;
  const auto fill = [this, offsets](int32_t task) {
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(offsets, int64_t{task + 1} * kSweepsPerTask));
    for (int32_t k = task * kSweepsPerTask; k < end; ++k) {
      double* out = values_.data() + first_[k];
      ForEachAngle(k, [&out](float angle) {
        SinCos(angle, out[0], out[1]);
        out += 2;
        return true;
      });
    }
  };
  const int32_t tasks = static_cast<int32_t>((offsets + kSweepsPerTask - 1) / kSweepsPerTask);
  if (pool != nullptr && pool->Threads() > 1) {
    pool->ForEach(tasks, [&fill](int32_t task) { fill(task); });
  } else {
    for (int32_t task = 0; task < tasks; ++task) fill(task);
  }
  tabled_ = true;
}

}  // namespace morvane
