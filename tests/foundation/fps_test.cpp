#include "foundation/fps.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace std::chrono;
using Tp = Fps_manager::Clock::time_point;

namespace {

Tp const t0 = Tp{} + hours(1);

// A pacer whose run starts at t0.
Fps_manager pacer_at(int fps) {
  Fps_manager p(fps);
  p.start = t0;
  return p;
}

} // namespace

TEST(Fps_manager, TargetMustLieBetweenOneAndTwoHundred) {
  for (int bad : {0, 201, -5}) {
    try {
      Fps_manager p(bad);
      FAIL() << bad;
    } catch (std::runtime_error const& e) {
      EXPECT_EQ(std::string(e.what()), "FPS out of range: " + std::to_string(bad));
    }
  }
  EXPECT_NO_THROW(Fps_manager(1));
  EXPECT_NO_THROW(Fps_manager(200));
}

TEST(Fps_manager, TenMillisecondFramesFollowTheAbsoluteSchedule) {
  auto p = pacer_at(30);
  Tp end = t0;
  for (int n = 1; n <= 90; ++n) {
    Tp now = end + milliseconds(10);
    end = now + milliseconds(p.step(now));
    ASSERT_EQ(end, t0 + milliseconds(n * 1000 / 30)) << n; // 33, 66, 100, 133 ...
  }
  EXPECT_EQ(p.start, t0);
  // Entries are frame ends before sleeping; the window keeps both ends of
  // one second: frames 60 to 90.
  EXPECT_EQ(p.times.size(), 31u);
  EXPECT_EQ(p.times.front(), t0 + milliseconds(59 * 1000 / 30 + 10));
}

TEST(Fps_manager, WholeMillisecondsEarlySleepAndAnyWholeMillisecondLateRestarts) {
  auto p = pacer_at(30);
  EXPECT_EQ(p.step(t0 + microseconds(33000 - 5700)), 5); // 5.7 ms early
  EXPECT_EQ(p.step(t0 + microseconds(66900)), 0);        // 0.9 ms late is on time
  EXPECT_EQ(p.start, t0);
  EXPECT_EQ(p.frame_count, 2);
  Tp late = t0 + milliseconds(101); // frame 3 was planned at 100 ms
  EXPECT_EQ(p.step(late), 0);
  EXPECT_EQ(p.start, late);
  EXPECT_EQ(p.frame_count, 0);
  EXPECT_EQ(p.step(late + milliseconds(20)), 13); // planned 33 ms after the restart
  EXPECT_EQ(pacer_at(200).step(t0), 5);
  EXPECT_EQ(pacer_at(1).step(t0 + milliseconds(1)), 999);
}

TEST(Fps_manager, ALongPauseEmptiesTheWindowAndRestarts) {
  auto p = pacer_at(30);
  for (int n = 1; n <= 20; ++n) p.step(t0 + milliseconds(n * 1000 / 30));
  ASSERT_EQ(p.times.size(), 20u);
  Tp resume = t0 + seconds(3);
  EXPECT_EQ(p.step(resume), 0);
  EXPECT_EQ(p.times.size(), 1u);
  EXPECT_EQ(p.start, resume);
  // An entry exactly one second old stays, one nanosecond more goes.
  p.step(resume + seconds(1));
  EXPECT_EQ(p.times.size(), 2u);
  p.step(resume + seconds(1) + nanoseconds(1));
  EXPECT_EQ(p.times.size(), 2u);
  // Pauses beyond 32 bits of milliseconds never wrap into a sleep.
  Tp much_later = resume + hours(24 * 60);
  EXPECT_EQ(p.step(much_later), 0);
  EXPECT_EQ(p.start, much_later);
}

TEST(Fps_manager, VeryLongRunsKeepTheirPlanWithoutOverflow) {
  auto p = pacer_at(200);
  p.frame_count = 200 * 3600 - 1;
  EXPECT_EQ(p.step(t0 + seconds(3600)), 0);
  // Frame 720001 of the run is planned 3600.005 s after its start.
  EXPECT_EQ(p.step(t0 + seconds(3600)), 5);
  EXPECT_EQ(p.start, t0 + seconds(3600));
  EXPECT_EQ(p.frame_count, 1);
  auto q = pacer_at(7);
  Tp end = t0;
  for (int n = 1; n <= 7 * 3600 * 2 + 3; ++n) {
    end += milliseconds(q.step(end));
    ASSERT_EQ(end, t0 + milliseconds(std::int64_t(n) * 1000 / 7)) << n;
  }
}

TEST(Fps_manager, SyncSleepsOnTheRealClock) {
  Fps_manager p(100);
  auto before = steady_clock::now();
  p.sync();
  p.sync();
  EXPECT_GE(steady_clock::now() - before, milliseconds(10)); // frame 1 is planned 10 ms after start
  EXPECT_EQ(p.times.size(), 2u);
}
