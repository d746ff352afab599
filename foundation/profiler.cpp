#include "foundation/profiler.hpp"

#include <SDL.h>

#include <cinttypes>
#include <cstdio>

std::string Profiler::row(std::string const& name) const {
  // The average comes from the truncated milliseconds, in single precision.
  std::int64_t ms = total.load() / 1000000;
  std::uint64_t n = ops.load();
  float avg = n ? static_cast<float>(ms) / static_cast<float>(n) : 0.0f;
  char buf[128];
  std::snprintf(buf, sizeof buf, "%-16s%8" PRId64 "%8" PRIu64 "%8.3f\n", name.c_str(), ms, n,
                static_cast<double>(avg));
  return buf;
}

void Profiler::print(std::string const& name) const { SDL_Log("%s", row(name).c_str()); }
