#pragma once
// Accumulating timer for pipeline operations; safe to feed from many threads.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

struct Profiler {
  std::atomic<std::int64_t> total{0}; // nanoseconds
  std::atomic<std::uint64_t> ops{0};

  struct Guard {
    Profiler& p;
    std::chrono::steady_clock::time_point start;
    explicit Guard(Profiler& p_) : p(p_), start(std::chrono::steady_clock::now()) {}
    ~Guard() {
      auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
          std::chrono::steady_clock::now() - start).count();
      p.total.fetch_add(ns, std::memory_order_relaxed);
      p.ops.fetch_add(1, std::memory_order_relaxed);
    }
    Guard(Guard const&) = delete;
    Guard& operator=(Guard const&) = delete;
  };

  // One row of the profile table: name, whole ms, operations, ms per operation.
  std::string row(std::string const& name) const;
  void print(std::string const& name) const;
};
