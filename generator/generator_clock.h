// The generator's source of elapsed time for its time limit. The limit is wall-clock time (the
// target runtime's clock() counts elapsed milliseconds), so the default is a steady clock, not
// std::clock(), which counts processor time on Linux. Tests inject their own to reach the limit
// without waiting for it.
#pragma once
#include <chrono>
#include <cstdint>

namespace morvane {

struct GeneratorClock {
  using NowFunction = int64_t (*)(void* context);

  NowFunction now = nullptr;
  void* context = nullptr;

  int64_t Milliseconds() const { return now(context); }

  static GeneratorClock Steady() { return GeneratorClock{&SteadyMilliseconds, nullptr}; }

 private:
  static int64_t SteadyMilliseconds(void*) {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
  }
};

}  // namespace morvane
