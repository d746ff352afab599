#include "foundation/fps.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>

Fps_manager::Fps_manager(int fps_) : fps(fps_) {
  if (fps < 1 || fps > 200) throw std::runtime_error("FPS out of range: " + std::to_string(fps));
  start = Clock::now();
}

void Fps_manager::sync() {
  std::int32_t ms = step(Clock::now());
  if (ms > 0) sleep_ms(ms);
}

std::int32_t Fps_manager::step(Clock::time_point now) {
  using namespace std::chrono;
  // Move the run's start forward by whole seconds now and then: the plan of
  // every later frame is unchanged and frame_count * 1000 never overflows.
  if (frame_count >= fps * 3600) {
    start += milliseconds(std::int64_t(frame_count) * 1000 / fps);
    frame_count = 0;
  }
  ++frame_count;
  auto planned = start + milliseconds(std::int64_t(frame_count) * 1000 / fps);
  std::int64_t late_ms = duration_cast<nanoseconds>(now - planned).count() / 1000000;
  // A pause of weeks must not wrap into a negative (sleeping) difference.
  auto diff = static_cast<std::int32_t>(std::clamp<std::int64_t>(late_ms, -INT32_MAX, INT32_MAX));
  std::int32_t sleep = 0;
  if (diff < 0) {
    sleep = -diff;
  } else if (diff > 0) {
    // Late: start a new run here rather than rushing to catch up.
    start = now;
    frame_count = 0;
  }
  times.push_back(now);
  while (now - times.front() > seconds(1)) times.pop_front();
  return sleep;
}

void sleep_ms(std::int32_t ms) {
  timespec t{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) == -1 && errno == EINTR) {
  }
}
