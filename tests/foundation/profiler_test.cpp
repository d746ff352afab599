#include "foundation/profiler.hpp"

#include <gtest/gtest.h>

#include <thread>

TEST(Profiler, RowTruncatesToWholeMillisecondsBeforeAveragingAndKeepsColumnsApart) {
  std::tuple<char const*, std::int64_t, std::uint64_t, char const*> rows[] = { // name, total ns, operations, row
      {"x", 1200000, 2, "x                      1       2   0.500\n"},
      {"x", 1900000, 1, "x                      1       1   1.000\n"},
      {"x", 999999, 1000, "x                      0    1000   0.000\n"},
      {"x", 0, 0, "x                      0       0   0.000\n"},
      {"x", 9'999'999'000'000, 9'999'999, "x                9999999 9999999   1.000\n"}, // the widest that fits
      {"x", 10'000'000'000'000, 10'000, "x                10000000   10000 1000.000\n"},
      {"Light (spread)xx", 12'345'678'000'000, 1, "Light (spread)xx 12345678       1 12345678.000\n"},
      {"x", 5'000'000'000'000'000'000, 5'000'000'000, "x                5000000000000 5000000000 1000.000\n"}}; // beyond 32 bits
  for (auto [name, total, ops, row] : rows) {
    Profiler p;
    p.total = total, p.ops = ops;
    EXPECT_EQ(p.row(name), row);
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
