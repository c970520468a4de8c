// The angles a ring's sweep visits depend only on where the sweep starts (the "Starting Angle"
// plus the ring's random offset k, 0 ≤ k < |"Angle Randomization"|) and on the "Angle Range", not
// on the ring or the point it is centred on. SweepAngles holds the sines and cosines of every
// sweep of one generation, computed once, so the chain search does no trigonometry per candidate.
// Must not: change how the angles step (float additions of the step, stopping at the first angle
// at or past the end, or where the step no longer moves the angle): the chains follow from them.
#pragma once
#include <cstdint>
#include <vector>

namespace morvane {

// The sweep's first angle in radians, before the random offset, and the angle step.
inline constexpr double kFullTurn = 6.28318530718;
inline constexpr double kHalfTurn = 3.14159265359;
inline constexpr float kAngleStep = 0.031415924f;

class SweepAngles {
 public:
  // Tables every sweep when the offsets and the sweeps' lengths are those of controls in range
  // (up to 361 offsets of up to 1024 angles); otherwise Tabled() is false and the chain search
  // computes each angle where it visits it.
  SweepAngles(int32_t startAngle, int32_t angleRandomization, int32_t angleRange);

  bool Tabled() const { return tabled_; }

  // Sine and cosine of angle i of the sweep at offset k, interleaved: values[2i], values[2i + 1].
  struct Sweep {
    const double* values;
    int32_t count;
  };
  Sweep ForOffset(int32_t k) const {
    return {values_.data() + first_[k], counts_[k]};
  }

  // The first angle of the sweep at offset k (k is 0 without randomization) and where it ends.
  static float StartOf(float startTheta, int32_t randomization, int32_t k);
  static float EndOf(double doubledRange, float theta);
  static float StartTheta(int32_t startAngle);

 private:
  bool tabled_ = false;
  std::vector<double> values_;
  std::vector<int32_t> first_;
  std::vector<int32_t> counts_;
};

}  // namespace morvane
