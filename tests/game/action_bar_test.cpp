#include "game/action_bar.hpp"

#include "support/gui.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using Clock = Action_bar::Clock;

Clock::time_point const t0 = Clock::time_point(100s);

// Draws the bar for a few frames (a fitted window settles its size in the
// second) and returns the drawn window, or null.
ImGuiWindow* draw(Headless_gui& gui, Action_bar& bar, Clock::time_point now, glm::ivec2 window = {1280, 720}) {
  for (int i = 0; i < 3; ++i) gui.frame([&] { bar.update(now, window); });
  return Headless_gui::drawn("ui.action");
}

} // namespace

TEST(Action_bar, ShowsForFiveSecondsFromTheLatestMessage) {
  Headless_gui gui;
  Config config{Config::Defaults{}};
  Action_bar bar(config);
  EXPECT_EQ(draw(gui, bar, t0), nullptr) << "nothing before the first message";

  bar.say("first", t0);
  struct Case {
    Clock::duration at;
    bool shown;
  } const cases[] = {{0s, true}, {4999ms, true}, {5s, true}, {5s + 1ns, false}};
  for (auto c : cases) EXPECT_EQ(draw(gui, bar, t0 + c.at) != nullptr, c.shown) << c.at.count();

  // A second message replaces the first and counts from its own arrival.
  bar.say("second", t0 + 3s);
  EXPECT_EQ(bar.message, "second");
  EXPECT_NE(draw(gui, bar, t0 + 7s), nullptr);
  EXPECT_EQ(draw(gui, bar, t0 + 8s + 1ns), nullptr);
  EXPECT_EQ(bar.message, "second") << "the text stays stored after it expires";

  // An empty message still opens its window while it lasts.
  bar.say("", t0 + 10s);
  EXPECT_NE(draw(gui, bar, t0 + 10s), nullptr);
}

TEST(Action_bar, IsCentredAboveTheBottomByTheInterfaceScale) {
  Headless_gui gui;
  Config config{Config::Defaults{}};
  Action_bar bar(config);
  struct Case {
    int scale;
    glm::ivec2 window;
    ImVec2 centre;
  } const cases[] = {{3, {1280, 720}, {640, 630}}, {1, {801, 600}, {400, 570}}, {2, {100, 50}, {50, -10}}};
  for (auto c : cases) {
    config.ui_scale = c.scale;
    bar.say("Screenshot saved to x.png", t0);
    ImGuiWindow* w = draw(gui, bar, t0, c.window);
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(Headless_gui::centre(w).x, c.centre.x, 0.5f) << c.scale;
    EXPECT_NEAR(Headless_gui::centre(w).y, c.centre.y, 0.5f) << c.scale;
  }
}

TEST(Action_bar, PercentSignsInAMessageAreShownAsTyped) {
  Headless_gui gui;
  Config config{Config::Defaults{}};
  Action_bar bar(config);
  // Taken as a format, "%s%s%s%n" would read arguments that are not there.
  bar.say("100% %s%s%s%n", t0);
  ImGuiWindow* w = draw(gui, bar, t0);
  ASSERT_NE(w, nullptr);
  ImVec2 expected = ImGui::CalcTextSize("100% %s%s%s%n");
  EXPECT_NEAR(w->ContentSize.x, expected.x, 0.5f);
}
