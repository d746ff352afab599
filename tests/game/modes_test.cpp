#include "game/modes.hpp"

#include "foundation/event.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

// Action states with the given actions pressed this frame, every other up.
std::vector<std::uint32_t> pressing(std::initializer_list<Action> actions) {
  std::vector<std::uint32_t> s(action_count, Input::up);
  for (Action a : actions) s[a] = Input::pressed;
  return s;
}

} // namespace

TEST(Mode_keys, EachModeLeavesByItsOwnKeys) {
  struct Case { Mode from; std::initializer_list<Action> keys; Mode to; int sounds; } const cases[] = {
      {mode_roaming, {action_menu}, mode_main_menu, 1},
      {mode_roaming, {action_console}, mode_console, 1},
      {mode_roaming, {action_menu, action_console}, mode_console, 2},
      {mode_roaming, {action_menu, action_console, action_inventory}, mode_inventory, 2},
      {mode_inventory, {action_interact}, mode_roaming, 0},
      {mode_inventory, {action_inventory}, mode_roaming, 0},
      {mode_inventory, {action_console}, mode_inventory, 0},
      {mode_main_menu, {action_menu}, mode_roaming, 0},
      {mode_main_menu, {action_inventory, action_interact}, mode_main_menu, 0},
      {mode_settings, {action_menu}, mode_main_menu, 1},
      {mode_console, {action_menu}, mode_roaming, 0},
      {mode_console, {action_console, action_inventory}, mode_console, 0},
      {mode_quit, {action_menu, action_console}, mode_quit, 0},
  };
  for (auto const& c : cases) {
    Mode_keys k = mode_keys(c.from, pressing(c.keys));
    EXPECT_EQ(k.mode, c.to) << c.from << " with " << c.keys.size() << " keys";
    EXPECT_EQ(k.open_sounds, c.sounds) << c.from << " with " << c.keys.size() << " keys";
    EXPECT_EQ(k.open_inventory, c.from == mode_roaming && c.to == mode_inventory);
    EXPECT_EQ(k.left_settings, c.from == mode_settings && c.to == mode_main_menu);
  }
}

TEST(Mode_keys, OnlyAFreshPressCountsAndOnlyWhileRoaming) {
  auto toggles = [](Mode_keys k) {
    return int(k.toggle_page_borders) + k.toggle_debug_pane + k.toggle_wireframe + k.teleport + k.screenshot;
  };
  auto keys = pressing({action_num6, action_num7, action_num8, action_num9, action_num0});
  keys[action_num0] |= Input::double_press;
  EXPECT_EQ(toggles(mode_keys(mode_roaming, keys)), 5);
  EXPECT_EQ(toggles(mode_keys(mode_console, keys)), 0);
  for (auto& k : keys) k = Input::held;
  EXPECT_EQ(toggles(mode_keys(mode_roaming, keys)), 0);
  EXPECT_EQ(mode_keys(mode_roaming, keys).mode, mode_roaming) << "a held menu key";
  // A short state list (no binding for the key) reads as never pressed.
  EXPECT_EQ(mode_keys(mode_roaming, std::vector<std::uint32_t>(3, Input::pressed)).mode, mode_roaming);
}

TEST(Console_exit, TheMenuKeyClosesTheConsoleOnceTheGuiHasHadWhatCameBeforeIt) {
  // Frames of the console: what its keys ask for, how many events the GUI
  // had been given before the press, how many it has had; the mode after.
  struct Frame { Mode asked; std::uint64_t asked_at, handed; Mode after; };
  std::vector<std::vector<Frame>> const runs = {
      // Nothing waits: the console closes at once.
      {{mode_roaming, 10, 10, mode_roaming}},
      {{mode_console, 0, 0, mode_console}, {mode_roaming, 0, 0, mode_roaming}},
      // Typed keys wait for the GUI: the console stays until it has them,
      // however the key is held meanwhile.
      {{mode_roaming, 10, 6, mode_console}, {mode_console, 12, 9, mode_console}, {mode_console, 12, 10, mode_roaming}},
      // A second press while it waits doesn't push the close further.
      {{mode_roaming, 10, 6, mode_console}, {mode_roaming, 14, 10, mode_roaming}},
  };
  for (auto const& run : runs) {
    Console_exit exit;
    for (std::size_t i = 0; i < run.size(); ++i)
      EXPECT_EQ(exit.next(run[i].asked, run[i].asked_at, run[i].handed), run[i].after)
          << "run of " << run.size() << ", frame " << i;
    EXPECT_FALSE(exit.until) << "closed, it waits for nothing";
  }
}
