#pragma once
// Frame dropping: a frame whose render step comes late after the last drawn
// frame's is only paced, so a slow update catches up without drawing; the
// frame after a dropped one is always drawn. Late means half a period past the
// 30 fps pacer's 33 ms: its whole-millisecond schedule spaces frames 33, 33
// and 34 ms apart and sleeps overshoot, so the bare period would drop every
// third frame of an idle game.
#include <cstdint>

struct Frame_dropper {
  static constexpr std::int64_t late_ms = 50;
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
