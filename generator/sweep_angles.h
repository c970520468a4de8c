// The angles a ring's sweep visits depend only on where the sweep starts (the "Starting Angle"
// plus the ring's random offset k, 0 ≤ k < |"Angle Randomization"|) and on the "Angle Range", not
// on the ring or the point it is centred on. SweepAngles holds the sines and cosines of every
// sweep of one generation, computed once, so the chain search does no trigonometry per candidate.
// Must not: change how the angles step (float additions of the step, stopping at the first angle
// at or past the end, or where the step no longer moves the angle): the chains follow from them.
#pragma once
#include <cstdint>
#include <vector>

#include "generator/worker_pool.h"
#include "support/maths.h"

namespace morvane {

inline constexpr double kFullTurn = 6.28318530718;
inline constexpr double kHalfTurn = 3.14159265359;
inline constexpr float kAngleStep = 0.031415924f;

class SweepAngles {
 public:
  // Tables every sweep when the offsets and the sweeps' lengths are those of controls in range
  // (up to 361 offsets of up to 1024 angles); otherwise each angle's sine and cosine is computed
  // where the sweep visits it.
  // With a pool, its threads share the work of the table.
  SweepAngles(int32_t startAngle, int32_t angleRandomization, int32_t angleRange,
              WorkerPool* pool = nullptr);

  // The sines and cosines of the sweep at offset k (0 without randomization), interleaved, in
  // the order the sweep visits them, and their number in `count`; null when the sweeps are not
  // tabled, and Visit works each angle out instead.
  const double* Table(int32_t k, int32_t& count) const {
    if (!tabled_) return nullptr;
    count = counts_[k];
    return values_.data() + first_[k];
  }

  // Calls visit(sine, cosine) for the angles of the sweep at offset k (0 without
  // randomization), in order, until it returns false.
  template <class Visitor>
  void Visit(int32_t k, Visitor&& visit) const {
    if (tabled_) {
      int32_t count = 0;
      const double* values = Table(k, count);
      for (int32_t i = 0; i < count; ++i) {
        if (!visit(values[2 * i], values[2 * i + 1])) return;
      }
      return;
    }
    ForEachAngle(k, [&visit](float angle) {
      double sine, cosine;
      SinCos(angle, sine, cosine);
      return visit(sine, cosine);
    });
  }

 private:
  // Steps the angles of the sweep at offset k as the chain search visits them; stops early when
  // visit(angle) returns false.
  template <class VisitAngle>
  void ForEachAngle(int32_t k, VisitAngle&& visit) const {
    float theta = startTheta_;
    if (randomization_ != 0) {
      theta = static_cast<float>(static_cast<double>(k) * kFullTurn / 360.0 +
                                 static_cast<double>(theta));
    }
    const float thetaEnd =
        static_cast<float>(doubledRange_ * kHalfTurn / 360.0 + static_cast<double>(theta));
    while (theta < thetaEnd) {
      if (!visit(theta)) return;
      // Far from zero the step no longer moves a float angle; such a sweep would never end.
      const float next = theta + kAngleStep;
      if (next == theta) return;
      theta = next;
    }
  }

  float startTheta_;
  int32_t randomization_;
  double doubledRange_;
  bool tabled_ = false;
  std::vector<double> values_;   // sine and cosine of each angle, interleaved
  std::vector<int32_t> first_;   // where offset k's sweep starts in values_
  std::vector<int32_t> counts_;  // its number of angles
};

}  // namespace morvane
