// Renders on many host threads at once, as After Effects' render threads call the module: 16
// renders with different control sets and depths start together through EffectMain, each on its
// own host thread (each render also uses its own worker threads), and each must equal its picture
// rendered alone. Under ThreadSanitizer (the tsan preset) this is also the race check.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "effect/control_id.h"
#include "tests/fake_host/fake_host.h"
#include "tests/fake_host/ppm.h"

namespace morvane {
namespace {

using testing::ArgbImage;
using testing::FakeHost;
using testing::FakeWorld;
using testing::WorldDepth;

struct Job {
  int preset;
  WorldDepth depth;
  int32_t seed;  // "Random Seed (Evolution)"
};

std::vector<uint8_t> Render(const Job& job, const ArgbImage& picture) {
  FakeHost host;
  EXPECT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.SetupParams(), PF_Err_NONE);
  host.value(ControlId::kPreset) = job.preset;
  EXPECT_EQ(host.UserChanged(ControlId::kPreset), PF_Err_NONE);
  host.value(ControlId::kRandomSeed) = job.seed * 65536;
  FakeWorld input = FakeWorld::FromArgb8(job.depth, picture.width, picture.height,
                                         picture.argb.data());
  FakeWorld output(job.depth, picture.width, picture.height);
  EXPECT_EQ(host.RenderSmart(input, output), PF_Err_NONE);
  return output.PixelBytes();
}

TEST(HostConcurrentRenders, SixteenRendersAtOnceEqualTheirPicturesRenderedAlone) {
  ArgbImage picture;
  ASSERT_TRUE(testing::ReadPpm(MORVANE_TEST_DATA_DIR "/chelsea-crop.ppm", picture));
  const WorldDepth depths[] = {WorldDepth::k8, WorldDepth::k16, WorldDepth::kFloat};
  std::vector<Job> jobs;
  for (int i = 0; i < 16; ++i) jobs.push_back({1 + (i * 7) % 20, depths[i % 3], 100 + i});

  std::vector<std::vector<uint8_t>> alone;
  for (const Job& job : jobs) alone.push_back(Render(job, picture));

  std::vector<std::vector<uint8_t>> together(jobs.size());
  std::mutex mutex;
  std::condition_variable go;
  bool started = false;
  std::vector<std::thread> threads;
  for (size_t i = 0; i < jobs.size(); ++i) {
    threads.emplace_back([&, i] {
      {
        std::unique_lock<std::mutex> lock(mutex);
        go.wait(lock, [&] { return started; });
      }
      together[i] = Render(jobs[i], picture);
    });
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    started = true;
  }
  go.notify_all();
  for (std::thread& t : threads) t.join();

  for (size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_EQ(together[i], alone[i]) << "render " << i << ": preset " << jobs[i].preset;
  }
}

}  // namespace
}  // namespace morvane
