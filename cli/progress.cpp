#include "cli/progress.h"

#include <cmath>
#include <cstdint>

namespace morvane::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
constexpr double kSingleFrameDelaySeconds = 1.0;

std::string Clock(double seconds) {
  const long s = static_cast<long>(std::lround(seconds));
  char buffer[32];
  if (s >= 3600) {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", s / 60, s % 60);
  }
  return buffer;
}

}  // namespace

std::string ProgressLine(int done, int total, double elapsedSeconds) {
  const int filled = total > 0 ? static_cast<int>(static_cast<int64_t>(done) * kBarWidth / total) : 0;
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
  line += std::to_string(done) + "/" + std::to_string(total) + (total == 1 ? " frame" : " frames");
  line += "  elapsed " + Clock(elapsedSeconds);
  line += "  remaining ";
  line += done > 0 ? Clock(elapsedSeconds / done * (total - done)) : std::string("--:--");
  return line;
}

Progress::Progress(bool enabled, int total, std::FILE* out)
    : enabled_(enabled), total_(total), out_(out), start_(std::chrono::steady_clock::now()) {
  if (enabled_) thread_ = std::thread([this] { Run(); });
}

Progress::~Progress() {
  if (!enabled_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  if (drawn_) {
    std::fprintf(out_, "\r%s\n", ProgressLine(done_.load(), total_, elapsed()).c_str());
    std::fflush(out_);
  }
}

double Progress::elapsed() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto draw = [this] {
    std::fprintf(out_, "\r%s", ProgressLine(done_.load(std::memory_order_relaxed), total_, elapsed()).c_str());
    std::fflush(out_);
    drawn_ = true;
  };
  // A sequence shows its bar at once, however quickly its frames render; a single frame only once
  // it has taken a second.
  if (total_ > 1) draw();
  while (!wake_.wait_for(lock, kRedrawInterval, [this] { return stop_; })) {
    if (total_ <= 1 && elapsed() < kSingleFrameDelaySeconds) continue;
    draw();
  }
}

}  // namespace morvane::cli
