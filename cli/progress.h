// What a render reports on standard error while it runs.
//
// On a terminal, a progress bar (frames done, elapsed and remaining time) that fits the terminal's
// width, redrawn from its own thread, so a single long frame still shows time passing; a single
// frame shows nothing until it has taken a second. Off a terminal (a render farm's log), one line
// per finished frame: its number, its file and its time. --quiet: nothing.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace morvane::cli {

enum class Report { kSilent, kBar, kLines };

// One line of the bar, without the carriage return, for `done` of `total` frames, shorter than
// `columns` (the bar narrows, then the words go, then the line is cut).
std::string ProgressLine(int done, int total, double elapsedSeconds, int columns = 80);

// The log line of one finished frame (no frame number for a single picture).
std::string FrameLine(std::optional<int> frame, const std::string& path, double milliseconds);

// The time a frame took, for its log line.
inline double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The width of the terminal on `out`, else $COLUMNS, else 80.
int TerminalColumns(std::FILE* out);

class Progress {
 public:
  Progress(Report report, int total, std::FILE* out = stderr);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Called by the thread that wrote the frame.
  void FrameDone(std::optional<int> frame, const std::string& path, double milliseconds);

 private:
  void Run();
  double elapsed() const;

  const Report report_;
  const int total_;
  const int columns_;
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
