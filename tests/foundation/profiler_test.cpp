#include "foundation/profiler.hpp"

#include <gtest/gtest.h>

#include <thread>

TEST(Profiler, RowTruncatesToWholeMillisecondsBeforeAveraging) {
  std::tuple<std::int64_t, std::uint64_t, char const*> rows[] = { // total ns, operations, row
      {1200000, 2, "x                      1       2   0.500\n"},
      {1900000, 1, "x                      1       1   1.000\n"},
      {999999, 1000, "x                      0    1000   0.000\n"},
      {0, 0, "x                      0       0   0.000\n"},
      {5'000'000'000'000'000, 5'000'000'000, "x               50000000005000000000   1.000\n"}}; // beyond 32 bits
  for (auto [total, ops, row] : rows) {
    Profiler p;
    p.total = total, p.ops = ops;
    EXPECT_EQ(p.row("x"), row);
  }
}

TEST(Profiler, GuardsOnManyThreadsLoseNothingAndAddTheirTime) {
  Profiler p;
  std::vector<std::thread> pool;
  for (int t = 0; t < 8; ++t)
    pool.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) Profiler::Guard g(p);
    });
  for (auto& t : pool) t.join();
  EXPECT_EQ(p.ops.load(), 8u * 2000);
  Profiler slow;
  {
    Profiler::Guard g(slow);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(std::pair(slow.ops.load(), slow.total.load() >= 2000000), std::pair(1ul, true));
}
