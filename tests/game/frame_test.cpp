#include "game/frame_drop.hpp"
#include "game/screenshot_name.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

TEST(Frame_dropper, ALateFrameIsOnlyPacedAndTheNextOneIsDrawn) {
  struct Case { std::vector<std::uint64_t> times; std::vector<bool> drawn; } const cases[] = {
      {{0, 33, 67, 100, 150}, {true, true, true, true, true}}, // the pacer's spacing and 50 ms are in time
      {{0, 51, 52, 103}, {true, false, true, false}},          // late, then the next is drawn
      {{1000, 5000, 9000, 9010}, {true, false, true, true}}, // never two drops in a row
  };
  for (auto const& c : cases) {
    Frame_dropper d;
    std::vector<bool> got;
    for (auto t : c.times) got.push_back(d.draw(t));
    EXPECT_EQ(got, c.drawn) << c.times[1];
  }
}

TEST(Screenshot_name, UtcTimeAndTheFirstFreeSuffix) {
  std::time_t const t = 1700000000; // 2023-11-14 22:13:20 UTC
  std::set<std::string> taken;
  auto in_taken = [&](std::string const& n) { return taken.count(n) > 0; };
  for (int i = 0; i < 3; ++i) taken.insert(screenshot_name(t, in_taken));
  EXPECT_EQ(taken, (std::set<std::string>{"2023-11-14.22:13:20.png", "2023-11-14.22:13:20-1.png",
                                          "2023-11-14.22:13:20-2.png"}));
  taken.erase("2023-11-14.22:13:20-1.png"); // a gap left by a removed shot is filled first
  EXPECT_EQ(screenshot_name(t, in_taken), "2023-11-14.22:13:20-1.png");
}
