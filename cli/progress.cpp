#include "cli/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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

std::string ProgressLine(int done, int total, double elapsedSeconds, int columns) {
  const std::string remaining = done > 0 ? Clock(elapsedSeconds / done * (total - done)) : std::string("--:--");
  const std::string count = std::to_string(done) + "/" + std::to_string(total);
  const std::string words = count + (total == 1 ? " frame" : " frames") + "  elapsed " + Clock(elapsedSeconds) +
                            "  remaining " + remaining;
  const std::string terse = count + " " + Clock(elapsedSeconds) + " -" + remaining;
  // The cursor stays on the line after the text, so it must end before the last column.
  const int room = columns - 1;
  constexpr int kMinBar = 10;
  const std::string& text = static_cast<int>(words.size()) + 3 + kMinBar <= room ? words : terse;
  const int barWidth = std::min(kBarWidth, room - 3 - static_cast<int>(text.size()));
  if (barWidth < 3) return text.substr(0, static_cast<size_t>(std::max(room, 1)));
  const int filled = total > 0 ? static_cast<int>(static_cast<int64_t>(done) * barWidth / total) : 0;
  return "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] " + text;
}

std::string FrameLine(std::optional<int> frame, const std::string& path, double milliseconds) {
  char ms[32];
  std::snprintf(ms, sizeof ms, "%.0f ms", milliseconds);
  return "morvane: " + (frame ? "frame " + std::to_string(*frame) + ": " : std::string()) + path + " (" + ms + ")";
}

int TerminalColumns(std::FILE* out) {
  winsize size{};
  if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS")) {
    const int n = std::atoi(columns);
    if (n > 0) return n;
  }
  return 80;
}

Progress::Progress(Report report, int total, std::FILE* out)
    : report_(report),
      total_(total),
      columns_(report == Report::kBar ? TerminalColumns(out) : 80),
      out_(out),
      start_(std::chrono::steady_clock::now()) {
  if (report_ == Report::kBar) thread_ = std::thread([this] { Run(); });
}

Progress::~Progress() {
  if (report_ != Report::kBar) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  if (drawn_) {
    std::fprintf(out_, "\r%s\n", ProgressLine(done_.load(), total_, elapsed(), columns_).c_str());
    std::fflush(out_);
  }
}

void Progress::FrameDone(std::optional<int> frame, const std::string& path, double milliseconds) {
  done_.fetch_add(1, std::memory_order_relaxed);
  if (report_ != Report::kLines) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::fprintf(out_, "%s\n", FrameLine(frame, path, milliseconds).c_str());
  std::fflush(out_);
}

double Progress::elapsed() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto draw = [this] {
    std::fprintf(out_, "\r%s",
                 ProgressLine(done_.load(std::memory_order_relaxed), total_, elapsed(), columns_).c_str());
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
