#include "cli/frame_pipeline.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/progress.h"

namespace morvane::cli {
namespace {

struct Finished {
  int index;
  Image output;
  double milliseconds;  // the frame's read and render so far
};

// The state the stages share, under one mutex: frames are large and few, so the lock is taken a
// handful of times per frame.
class Pipeline {
 public:
  Pipeline(int count, int inFlight, const FrameStages& stages, const Image* shared)
      : count_(count), inFlight_(inFlight), stages_(stages), shared_(shared) {}

  void Run() {
    std::thread reader;
    if (!shared_) reader = std::thread([this] { Guard([this] { ReadLoop(); }); });
    // A writer per render: encoding a frame (PNG's compression above all) can take longer than
    // rendering it.
    std::vector<std::thread> writers, renderers;
    for (int t = 0; t < inFlight_; ++t) writers.emplace_back([this] { Guard([this] { WriteLoop(); }); });
    for (int t = 1; t < inFlight_; ++t) {
      renderers.emplace_back([this] { Guard([this] { RenderLoop(); }); });
    }
    Guard([this] { RenderLoop(); });
    for (std::thread& t : renderers) t.join();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      rendersOver_ = true;
    }
    changed_.notify_all();
    if (reader.joinable()) reader.join();
    for (std::thread& t : writers) t.join();
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  static constexpr auto Now = std::chrono::steady_clock::now;

  // Runs one stage's loop; its failure stops every stage.
  template <class Loop>
  void Guard(Loop loop) {
    try {
      loop();
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
      failed_ = true;
      changed_.notify_all();
    }
  }

  void ReadLoop() {
    for (int i = 0; i < count_; ++i) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        // The frames renders wait for, and one more.
        changed_.wait(lock, [&] { return failed_ || i <= next_; });
        if (failed_) return;
      }
      const auto start = Now();
      Image input = stages_.read(i);
      const double ms = MillisecondsSince(start);
      std::lock_guard<std::mutex> lock(mutex_);
      read_.emplace(i, std::make_pair(std::move(input), ms));
      changed_.notify_all();
    }
  }

  void RenderLoop() {
    for (;;) {
      int i;
      std::optional<Image> input;
      double ms = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (failed_ || next_ >= count_) return;
        i = next_++;
        changed_.notify_all();  // the reader may go one frame further
        if (!shared_) {
          changed_.wait(lock, [&] { return failed_ || read_.count(i) > 0; });
          if (failed_) return;
          auto it = read_.find(i);
          input = std::move(it->second.first);
          ms = it->second.second;
          read_.erase(it);
        }
      }
      const auto start = Now();
      Image output = stages_.render(i, shared_ ? *shared_ : *input);
      input.reset();
      ms += MillisecondsSince(start);
      std::unique_lock<std::mutex> lock(mutex_);
      // A slow disk holds the renders back rather than piling frames up in memory.
      changed_.wait(lock, [&] { return failed_ || written_.size() < static_cast<size_t>(idleWriters_); });
      if (failed_) return;
      written_.push_back(Finished{i, std::move(output), ms});
      changed_.notify_all();
    }
  }

  void WriteLoop() {
    for (;;) {
      Finished frame;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ++idleWriters_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return failed_ || !written_.empty() || rendersOver_; });
        --idleWriters_;
        if (failed_ || written_.empty()) return;
        frame = std::move(written_.front());
        written_.pop_front();
      }
      const auto start = Now();
      stages_.write(frame.index, frame.output);
      stages_.done(frame.index, frame.milliseconds + MillisecondsSince(start));
    }
  }

  const int count_;
  const int inFlight_;
  const FrameStages& stages_;
  const Image* const shared_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool failed_ = false;
  std::exception_ptr failure_;
  int next_ = 0;  // the next frame a render takes
  std::map<int, std::pair<Image, double>> read_;  // frames read and not yet taken
  std::deque<Finished> written_;                  // frames rendered and not yet written
  int idleWriters_ = 0;  // writers waiting for a frame
  bool rendersOver_ = false;
};

}  // namespace

void RunFramePipeline(int count, int inFlight, const FrameStages& stages, const Image* shared) {
  if (count <= 0) return;
  Pipeline(count, std::max(1, std::min(inFlight, count)), stages, shared).Run();
}

}  // namespace morvane::cli
