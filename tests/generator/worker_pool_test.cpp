// The generation's thread pool: every index of every task runs exactly once, also when tasks
// follow each other faster than the workers wake, and a task's exception reaches the caller.
#include "generator/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace morvane {
namespace {

TEST(GeneratorWorkerPool, EveryIndexRunsOnceAcrossManyShortTasks) {
  for (int32_t threads : {1, 2, 3, 8}) {
    WorkerPool pool(threads);
    std::vector<std::atomic<int32_t>> runs(64);
    for (int task = 0; task < 3000; ++task) {
      const int32_t count = 1 + task % 64;
      for (int32_t i = 0; i < count; ++i) runs[i].store(0);
      pool.ForEach(count, [&](int32_t i) { runs[i].fetch_add(1); });
      for (int32_t i = 0; i < count; ++i) {
        ASSERT_EQ(runs[i].load(), 1) << threads << " threads, task " << task << ", index " << i;
      }
    }
  }
}

TEST(GeneratorWorkerPool, ATasksExceptionReachesTheCallerAfterTheOthersFinish) {
  WorkerPool pool(3);
  std::atomic<int32_t> finished{0};
  EXPECT_THROW(pool.ForEach(100,
                            [&](int32_t i) {
                              if (i == 17) throw std::runtime_error("task failed");
                              finished.fetch_add(1);
                            }),
               std::runtime_error);
  EXPECT_EQ(finished.load(), 99);
  // The pool stays usable.
  std::atomic<int32_t> again{0};
  pool.ForEach(10, [&](int32_t) { again.fetch_add(1); });
  EXPECT_EQ(again.load(), 10);
}

}  // namespace
}  // namespace morvane
