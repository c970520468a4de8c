// The threads of one generation: the calling thread and up to threads − 1 workers, started for
// the generation and joined at its end, so nothing outlives a render and renders on different host
// threads share nothing.
// Must not: let an exception escape a worker (it is carried to the calling thread), or run a task
// index twice.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace morvane {

class WorkerPool {
 public:
  // Starts threads − 1 workers; fewer when the system refuses more (the work still gets done).
  explicit WorkerPool(int32_t threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int32_t Threads() const { return static_cast<int32_t>(workers_.size()) + 1; }

  // Runs task(i) for every i in [0, count) on all threads, each index once, and returns when all
  // have finished. An exception thrown by a task is rethrown here after the others finish.
  template <class Task>
  void ForEach(int32_t count, Task&& task) {
    Run(count, [](void* context, int32_t i) { (*static_cast<Task*>(context))(i); }, &task);
  }

 private:
  using TaskFunction = void (*)(void* context, int32_t index);
  void Run(int32_t count, TaskFunction function, void* context);
  void Work();  // the loop of each worker
  void Drain(TaskFunction function, void* context, int32_t count);

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  bool stopping_ = false;
  // One per Run; written under the mutex, read without it while a thread spins.
  std::atomic<uint64_t> generation_{0};
  TaskFunction function_ = nullptr;
  void* context_ = nullptr;
  int32_t count_ = 0;
  std::atomic<int32_t> next_{0};
  // Workers inside the current generation; written under the mutex, read without it while the
  // calling thread spins.
  std::atomic<int32_t> busy_{0};
  std::exception_ptr failure_;
};

// Threads for a render that asks for `requested` (0: one per processor core), at least 1.
int32_t ThreadsFor(int32_t requested);

}  // namespace morvane
