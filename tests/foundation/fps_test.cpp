#include "foundation/fps.hpp"

#include "util.hpp"

using namespace std::chrono;

namespace {

Fps_manager::Clock::time_point const t0 = Fps_manager::Clock::time_point{} + hours(1);

// A pacer whose run starts at t0.
Fps_manager pacer_at(int fps) {
  Fps_manager p(fps);
  p.start = t0;
  return p;
}

} // namespace

TEST(Fps_manager, TargetMustLieBetweenOneAndTwoHundred) {
  for (int fps : {0, 201, -5})
    EXPECT_EQ(error_of([&] { Fps_manager p(fps); }), "FPS out of range: " + std::to_string(fps));
  EXPECT_EQ(error_of([] { Fps_manager(1), Fps_manager(200); }), "<no error>");
}

TEST(Fps_manager, FramesFollowTheAbsoluteScheduleWithoutOverflow) {
  auto p = pacer_at(30);
  auto end = t0;
  for (int n = 1; n <= 90; ++n) { // ten-millisecond frames
    auto now = end + milliseconds(10);
    end = now + milliseconds(p.step(now));
    ASSERT_EQ(end, t0 + milliseconds(n * 1000 / 30)) << n; // 33, 66, 100, 133 ...
  }
  // Entries are frame ends before sleeping; the window keeps both ends of one second: frames 60 to 90.
  EXPECT_EQ(std::pair(p.start, p.times.size()), std::pair(t0, 31ul));
  EXPECT_EQ(p.times.front(), t0 + milliseconds(59 * 1000 / 30 + 10));
  // Frame 2160001 of a run is planned 10800.005 s after its start; its count times 1000 needs 33 bits.
  auto q = pacer_at(200);
  q.frame_count = 200 * 3600 * 3 - 1;
  EXPECT_EQ(q.step(t0 + hours(3)), 0);
  EXPECT_EQ(q.step(t0 + hours(3)), 5);
}

TEST(Fps_manager, WholeMillisecondsEarlySleepAndAnyWholeMillisecondLateRestarts) {
  auto p = pacer_at(30);
  EXPECT_EQ(p.step(t0 + microseconds(33000 - 5700)), 5); // 5.7 ms early
  EXPECT_EQ(p.step(t0 + microseconds(66900)), 0);        // 0.9 ms late is on time
  EXPECT_EQ(std::pair(p.start, p.frame_count), std::pair(t0, 2));
  auto late = t0 + milliseconds(101); // frame 3 was planned at 100 ms
  EXPECT_EQ(p.step(late), 0);
  EXPECT_EQ(std::pair(p.start, p.frame_count), std::pair(late, 0));
  EXPECT_EQ(p.step(late + milliseconds(20)), 13); // planned 33 ms after the restart
  EXPECT_EQ(pacer_at(1).step(t0 + milliseconds(1)), 999);
}

TEST(Fps_manager, ALongPauseEmptiesTheWindowAndRestarts) {
  auto p = pacer_at(30);
  for (int n = 1; n <= 20; ++n) p.step(t0 + milliseconds(n * 1000 / 30));
  auto resume = t0 + seconds(3);
  EXPECT_EQ(p.step(resume), 0);
  EXPECT_EQ(std::pair(p.times.size(), p.start), std::pair(1ul, resume));
  // An entry exactly one second old stays, one nanosecond more goes.
  p.step(resume + seconds(1));
  EXPECT_EQ(p.times.size(), 2u);
  p.step(resume + seconds(1) + nanoseconds(1));
  EXPECT_EQ(p.times.size(), 2u);
  // Pauses beyond 32 bits of milliseconds never wrap into a sleep.
  EXPECT_EQ(p.step(resume + hours(24 * 60)), 0);
  EXPECT_EQ(p.start, resume + hours(24 * 60));

  Fps_manager real(100); // on the real clock frame 1 is planned 10 ms after the start
  auto before = steady_clock::now();
  real.sync(), real.sync();
  EXPECT_GE(steady_clock::now() - before, milliseconds(10));
}
