#pragma once
// Frame dropping: a frame whose render step comes more than 33 ms after the
// last drawn frame's is only paced, so a slow update catches up without
// drawing; the frame after a dropped one is always drawn.
#include <cstdint>

struct Frame_dropper {
  static constexpr std::int64_t late_ms = 33;
  std::int64_t last_time = -1; // ms of the last drawn frame; -1 after a drop

  // Whether the frame whose render step runs at `now` (ms) is drawn.
  bool draw(std::uint64_t now) {
    auto t = static_cast<std::int64_t>(now);
    if (last_time != -1 && t - last_time > late_ms) {
      last_time = -1;
      return false;
    }
    last_time = t;
    return true;
  }
};
