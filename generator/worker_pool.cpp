#include "generator/worker_pool.h"

#include <algorithm>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace morvane {
namespace {

// A render runs two tasks per batch of shapes, microseconds apart when shapes are small, and a
// thread put to sleep takes longer than that to wake. Before sleeping, threads wait this many
// pauses (some tens of microseconds) for the next task or the last worker.
constexpr int kSpins = 2000;

inline void Pause() {
#if defined(__SSE2__)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

}  // namespace

int32_t ThreadsFor(int32_t requested) {
  if (requested > 0) return std::min(requested, 256);
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int32_t>(std::min(cores, 256u));
}

WorkerPool::WorkerPool(int32_t threads) {
  for (int32_t i = 1; i < threads; ++i) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // the calling thread and the workers started so far do the work
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void WorkerPool::Drain(TaskFunction function, void* context, int32_t count) {
  // A worker that copied a finished task (count 0) must not touch the counter: the next task may
  // already be running, and an index it took would never run.
  if (count <= 0) return;
  for (;;) {
    const int32_t i = next_.fetch_add(1, std::memory_order_relaxed);
    if (i >= count) return;
    try {
      function(context, i);
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
    }
  }
}

void WorkerPool::Work() {
  uint64_t seen = 0;
  for (;;) {
    TaskFunction function;
    void* context;
    int32_t count;
    for (int spin = 0; spin < kSpins && generation_.load(std::memory_order_relaxed) == seen; ++spin) {
      Pause();
    }
    {
      // The task is copied under the lock: a worker that wakes after its Run has returned copies
      // a count of 0 and touches nothing.
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      function = function_;
      context = context_;
      count = count_;
      ++busy_;
    }
    Drain(function, context, count);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --busy_;
    }
    done_.notify_one();
  }
}

void WorkerPool::Run(int32_t count, TaskFunction function, void* context) {
  if (count <= 0) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    function_ = function;
    context_ = context;
    count_ = count;
    next_.store(0, std::memory_order_relaxed);
    failure_ = nullptr;
    ++generation_;
  }
  if (!workers_.empty() && count > 1) wake_.notify_all();
  Drain(function, context, count);
  for (int spin = 0; spin < kSpins && busy_.load(std::memory_order_relaxed) != 0; ++spin) Pause();
  std::exception_ptr failure;
  {
    // Every worker that copied this task finishes before its context goes away.
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
    failure = failure_;
    function_ = nullptr;
    context_ = nullptr;
    count_ = 0;
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace morvane
