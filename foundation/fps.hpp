#pragma once
// Frame pacing on an absolute schedule, plus the frame times of the last second.
#include <chrono>
#include <cstdint>
#include <deque>

struct Fps_manager {
  using Clock = std::chrono::steady_clock;

  Clock::time_point start;
  std::int32_t frame_count = 0;
  std::int32_t fps;
  std::deque<Clock::time_point> times; // oldest first; its size is the measured rate

  // Throws "FPS out of range: <fps>" outside 1..200.
  explicit Fps_manager(int fps_);

  // Counts one frame, sleeps until its planned time and records it.
  void sync();

  // The bookkeeping of sync for a frame that ends at `now`: returns the
  // whole milliseconds to sleep (0 when on time or late).
  std::int32_t step(Clock::time_point now);
};

// Sleeps whole milliseconds, resuming after signals.
void sleep_ms(std::int32_t ms);
