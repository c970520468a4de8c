// Preparing the output on a pool's threads gives the bytes of preparing it on one: buffers of
// different sizes and row bytes, with and without the original, and buffers that share memory
// (a host rendering in place, or rows shifted against each other), where the order of the rows
// decides what is copied.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effect/render_buffers.h"
#include "generator/worker_pool.h"

namespace morvane {
namespace {

struct PrepareCase {
  const char* name;
  int32_t inWidth, inHeight, inPad;     // pad: row bytes beyond the pixels
  int32_t outWidth, outHeight, outPad;
  bool keepOriginal;
  // The output's first byte, counted from the input's (−1: a buffer of its own).
  int64_t outAt;
};

const PrepareCase kCases[] = {
    {"same size, copied", 37, 29, 0, 37, 29, 0, true, -1},
    {"same size, cleared", 37, 29, 0, 37, 29, 0, false, -1},
    {"padded rows", 37, 29, 12, 37, 29, 20, true, -1},
    {"input smaller", 20, 10, 4, 37, 29, 0, true, -1},
    {"input larger", 50, 40, 0, 37, 29, 8, true, -1},
    {"one row", 37, 1, 0, 37, 1, 0, true, -1},
    {"in place", 37, 29, 8, 37, 29, 8, true, 0},
    {"output one row down", 37, 29, 0, 37, 28, 0, true, 37 * 4},
    {"output one row up", 37, 29, 0, 37, 28, 0, true, -2},
};

TEST(PrepareOutput, PoolGivesTheBytesOfOneThread) {
  constexpr int32_t kBytesPerPixel = 4;
  for (const PrepareCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const int32_t inRow = c.inWidth * kBytesPerPixel + c.inPad;
    const int32_t outRow = c.outWidth * kBytesPerPixel + c.outPad;
    // One allocation holds both buffers: the input at `base`, the output after it or inside it.
    const size_t inBytes = static_cast<size_t>(inRow) * c.inHeight;
    const size_t outBytes = static_cast<size_t>(outRow) * c.outHeight;
    const size_t base = c.outAt == -2 ? static_cast<size_t>(inRow) : 0;
    const size_t outStart = c.outAt == -1 ? inBytes : c.outAt == -2 ? 0 : static_cast<size_t>(c.outAt);
    std::vector<uint8_t> start(base + inBytes + outBytes + 64);
    for (size_t i = 0; i < start.size(); ++i) start[i] = static_cast<uint8_t>(i * 131 + i / 7);
    const auto run = [&](WorkerPool* pool) {
      std::vector<uint8_t> memory = start;
      const FrameBuffer in{memory.data() + base, c.inWidth, c.inHeight, inRow};
      const FrameBuffer out{memory.data() + outStart, c.outWidth, c.outHeight, outRow};
      PrepareOutput(in, out, kBytesPerPixel, c.keepOriginal, pool);
      return memory;
    };
    const std::vector<uint8_t> expected = run(nullptr);
    for (int32_t threads : {2, 3}) {
      WorkerPool pool(threads);
      EXPECT_EQ(run(&pool), expected) << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace morvane
