#include "game/frame_drop.hpp"
#include "game/screenshot_name.hpp"
#include "game/view.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

TEST(Frame_dropper, ALateFrameIsOnlyPacedAndTheNextOneIsDrawn) {
  struct Case {
    std::vector<std::uint64_t> times;
    std::vector<bool> drawn;
  } const cases[] = {
      {{0, 33, 66, 99}, {true, true, true, true}},        // 33 ms is still in time
      {{0, 34, 35, 69}, {true, false, true, false}},      // late, then the next is drawn
      {{1000, 5000, 9000, 9010}, {true, false, true, true}},
      {{0, 100, 200, 300}, {true, false, true, false}},   // never two drops in a row
      {{5}, {true}},
  };
  for (auto const& c : cases) {
    Frame_dropper d;
    std::vector<bool> got;
    for (auto t : c.times) got.push_back(d.draw(t));
    EXPECT_EQ(got, c.drawn) << c.times.size() << " frames from " << c.times[0];
  }
}

TEST(View, TheFieldOfViewWidensWithRunningAndEasesHalfwayEachFrame) {
  EXPECT_FLOAT_EQ(target_fov(62, false, {0.2f, 0.0f}), 62.0f);
  EXPECT_FLOAT_EQ(target_fov(62, true, {0.0f, 0.2f}), 68.2f);
  EXPECT_FLOAT_EQ(target_fov(62, true, {0.12f, 0.16f}), 68.2f);
  EXPECT_FLOAT_EQ(target_fov(62, true, {0.0f, 0.0f}), 62.0f);

  float const start = 62 * radians_per_degree, goal = 68.2f * radians_per_degree;
  float fov = start;
  for (int frame = 1; frame <= 20; ++frame) {
    float before = fov;
    fov = eased_fov(fov, 68.2f);
    EXPECT_NEAR(goal - fov, (goal - before) * 0.5f, 1e-6f) << frame;
  }
  EXPECT_NEAR(fov, goal, 1e-5f);
  // From a camera that starts at zero the first frame reaches half the target.
  EXPECT_FLOAT_EQ(eased_fov(0.0f, 62.0f), 31.0f * radians_per_degree);
  for (int frame = 0; frame < 40; ++frame) fov = eased_fov(fov, 62.0f);
  EXPECT_NEAR(fov, start, 1e-6f) << "back to the configured view when the run stops";
}

TEST(Screenshot_name, UtcTimeAndASuffixForEveryNameTaken) {
  std::time_t const t = 1700000000; // 2023-11-14 22:13:20 UTC
  auto none = [](std::string const&) { return false; };
  EXPECT_EQ(screenshot_name(t, none), "2023-11-14.22:13:20.png");
  EXPECT_EQ(screenshot_name(0, none), "1970-01-01.00:00:00.png");

  std::set<std::string> taken;
  auto in_taken = [&](std::string const& n) { return taken.count(n) > 0; };
  std::vector<std::string> names;
  for (int i = 0; i < 4; ++i) taken.insert(names.emplace_back(screenshot_name(t, in_taken)));
  EXPECT_EQ(names, (std::vector<std::string>{"2023-11-14.22:13:20.png", "2023-11-14.22:13:20-1.png",
                                             "2023-11-14.22:13:20-2.png", "2023-11-14.22:13:20-3.png"}));
  // A gap left by a removed shot is filled first.
  taken.erase("2023-11-14.22:13:20-1.png");
  EXPECT_EQ(screenshot_name(t, in_taken), "2023-11-14.22:13:20-1.png");
}
