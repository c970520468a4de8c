// The generator's random numbers: the sequence of the target runtime's rand(), reproduced here so
// that a seed gives the same picture on every platform. One value per generation call (or per
// shape, once the placement runs on several threads); it never touches the C library's rand()
// and holds no global state, so generations on different threads cannot disturb each other.
#pragma once
#include <cstdint>

namespace morvane {

class RandomSource {
 public:
  explicit RandomSource(uint32_t seed = 1) : state_(seed) {}

  // srand(): the state becomes the seed itself.
  void Seed(uint32_t value) { state_ = value; }

  // rand(): a linear congruential step modulo 2^32, returning bits 16..30 (0..32767).
  int32_t Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int32_t>((state_ >> 16) & 0x7fffu);
  }

 private:
  uint32_t state_;
};

}  // namespace morvane
