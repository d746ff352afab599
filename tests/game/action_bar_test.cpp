#include "game/action_bar.hpp"

#include "support/gui.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using Clock = Action_bar::Clock;

Clock::time_point const t0 = Clock::time_point(100s);

struct Bar : testing::Test {
  Headless_gui gui;
  Config config{Config::Defaults{}};
  Action_bar bar{config};

  // The drawn window after a few frames (a fitted window settles its size in
  // the second), or null.
  ImGuiWindow* draw(Clock::time_point now, glm::ivec2 window = {1280, 720}) {
    for (int i = 0; i < 3; ++i) gui.frame([&] { bar.update(now, window); });
    return Headless_gui::drawn("ui.action");
  }
};

} // namespace

TEST_F(Bar, ShowsForFiveSecondsFromTheLatestMessage) {
  EXPECT_EQ(draw(t0), nullptr) << "nothing before the first message";
  bar.say("first", t0);
  EXPECT_TRUE(draw(t0 + 5s) && !draw(t0 + 5s + 1ns));
  bar.say("second", t0 + 3s); // counts from its own arrival
  EXPECT_TRUE(draw(t0 + 8s) && !draw(t0 + 8s + 1ns));
  bar.say("", t0 + 10s);
  EXPECT_NE(draw(t0 + 10s), nullptr) << "an empty message still opens its window";
}

TEST_F(Bar, IsCentredAboveTheBottomByTheInterfaceScaleAndShowsPercentSignsAsTyped) {
  struct Case { int scale; glm::ivec2 window; ImVec2 centre;
  } const cases[] = {{3, {1280, 720}, {640, 630}}, {1, {801, 600}, {400, 570}}, {2, {100, 50}, {50, -10}}};
  for (auto c : cases) {
    config.ui_scale = c.scale;
    bar.say("100% %s%s%s%n", t0); // as a format it would read arguments that are not there
    ImGuiWindow* w = draw(t0, c.window);
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(Headless_gui::centre(w).x, c.centre.x, 0.5f) << c.scale;
    EXPECT_NEAR(Headless_gui::centre(w).y, c.centre.y, 0.5f) << c.scale;
    EXPECT_NEAR(w->ContentSize.x, ImGui::CalcTextSize("100% %s%s%s%n").x, 0.5f);
  }
}
