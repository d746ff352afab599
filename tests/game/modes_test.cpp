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
  struct Case {
    Mode from;
    std::initializer_list<Action> keys;
    Mode to;
    int sounds;
  } const cases[] = {
      {mode_roaming, {}, mode_roaming, 0},
      {mode_roaming, {action_menu}, mode_main_menu, 1},
      {mode_roaming, {action_console}, mode_console, 1},
      {mode_roaming, {action_menu, action_console}, mode_console, 2},
      {mode_roaming, {action_menu, action_console, action_inventory}, mode_inventory, 2},
      {mode_inventory, {action_menu}, mode_roaming, 0},
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
  auto states = pressing({});
  for (Action a : {action_menu, action_num6, action_num7, action_num8, action_num9, action_num0})
    states[a] = Input::held;
  Mode_keys held = mode_keys(mode_roaming, states);
  EXPECT_EQ(held.mode, mode_roaming);
  EXPECT_FALSE(held.toggle_page_borders || held.toggle_debug_pane || held.toggle_wireframe || held.teleport ||
               held.screenshot);

  auto keys = pressing({action_num6, action_num7, action_num8, action_num9, action_num0});
  keys[action_num0] |= Input::double_press;
  Mode_keys roaming = mode_keys(mode_roaming, keys);
  EXPECT_TRUE(roaming.toggle_page_borders && roaming.toggle_debug_pane && roaming.toggle_wireframe &&
              roaming.teleport && roaming.screenshot);
  for (Mode m : {mode_inventory, mode_main_menu, mode_settings, mode_console}) {
    Mode_keys menu = mode_keys(m, keys);
    EXPECT_FALSE(menu.toggle_page_borders || menu.toggle_debug_pane || menu.toggle_wireframe || menu.teleport ||
                 menu.screenshot)
        << m;
  }
  // A short state list (no binding for the key) reads as never pressed.
  EXPECT_EQ(mode_keys(mode_roaming, std::vector<std::uint32_t>(3, Input::pressed)).mode, mode_roaming);
}
