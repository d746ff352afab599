#include "foundation/profiler.hpp"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(Profiler, RowTruncatesToWholeMillisecondsBeforeAveraging) {
  Profiler p;
  p.total = 1200000;
  p.ops = 2;
  EXPECT_EQ(p.row("light"), "light                  1       2   0.500\n");
  p.total = 1900000;
  p.ops = 1;
  EXPECT_EQ(p.row("mesh"), "mesh                   1       1   1.000\n");
  p.total = 999999;
  p.ops = 1000;
  EXPECT_EQ(p.row("x"), "x                      0    1000   0.000\n");
  Profiler idle;
  EXPECT_EQ(idle.row("idle"), "idle                   0       0   0.000\n");
  Profiler big;
  big.total = 5'000'000'000'000'000; // beyond 32 bits of milliseconds
  big.ops = 5'000'000'000;
  EXPECT_EQ(big.row("big"), "big             50000000005000000000   1.000\n");
}

TEST(Profiler, GuardsOnManyThreadsLoseNothing) {
  Profiler p;
  constexpr int threads = 8, each = 2000;
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&] {
      for (int i = 0; i < each; ++i) Profiler::Guard g(p);
    });
  for (auto& t : pool) t.join();
  EXPECT_EQ(p.ops.load(), std::uint64_t(threads * each));
  EXPECT_GE(p.total.load(), 0);
}

TEST(Profiler, GuardAddsItsElapsedTime) {
  Profiler p;
  {
    Profiler::Guard g(p);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(p.ops.load(), 1u);
  EXPECT_GE(p.total.load(), 2000000);
}
