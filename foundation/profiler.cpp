#include "foundation/profiler.hpp"

#include <SDL.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>

std::string Profiler::row(std::string const& name) const {
  // The average comes from the truncated milliseconds, in single precision.
  std::int64_t ms = total.load() / 1000000;
  std::uint64_t n = ops.load();
  float avg = n ? static_cast<float>(ms) / static_cast<float>(n) : 0.0f;
  // Columns of 8, widened where a figure would run into the one before it.
  char total[32], count[32], mean[64];
  int const w = std::snprintf(total, sizeof total, "%" PRId64, ms);
  int const c = std::snprintf(count, sizeof count, "%" PRIu64, n);
  int const m = std::snprintf(mean, sizeof mean, "%.3f", static_cast<double>(avg));
  char buf[192];
  std::snprintf(buf, sizeof buf, "%-16s%*s%*s%*s\n", name.c_str(), std::max(8, w + 1), total, std::max(8, c + 1),
                count, std::max(8, m + 1), mean);
  return buf;
}

void Profiler::print(std::string const& name) const { SDL_Log("%s", row(name).c_str()); }
