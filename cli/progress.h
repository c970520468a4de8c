// The progress bar on standard error: frames done, elapsed and remaining time.
//
// Redrawn from its own thread, so a single long frame still shows time passing; a single frame
// shows nothing until it has taken a second. Disabled, it does nothing at all (the program turns
// it off when standard error is not a terminal, or with --quiet).
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace morvane::cli {

// One line of the bar, without the carriage return, for `done` of `total` frames.
std::string ProgressLine(int done, int total, double elapsedSeconds);

class Progress {
 public:
  Progress(bool enabled, int total, std::FILE* out = stderr);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void FrameDone() { done_.fetch_add(1, std::memory_order_relaxed); }

 private:
  void Run();
  double elapsed() const;

  const bool enabled_;
  const int total_;
  std::FILE* const out_;
  const std::chrono::steady_clock::time_point start_;
  std::atomic<int> done_{0};
  bool drawn_ = false;  // touched by the drawing thread only, then read after it has joined
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace morvane::cli
