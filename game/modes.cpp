#include "game/modes.hpp"

#include "foundation/event.hpp"

Mode_keys mode_keys(Mode mode, std::span<std::uint32_t const> states) {
  auto pressed = [&](Action a) {
    return static_cast<std::size_t>(a) < states.size() && (states[a] & Input::pressed) != 0;
  };
  Mode_keys k{mode};
  switch (mode) {
  case mode_roaming:
    if (pressed(action_menu)) k.mode = mode_main_menu, ++k.open_sounds;
    if (pressed(action_console)) k.mode = mode_console, ++k.open_sounds;
    if (pressed(action_inventory)) k.mode = mode_inventory, k.open_inventory = true;
    k.toggle_page_borders = pressed(action_num6);
    k.toggle_debug_pane = pressed(action_num7);
    k.toggle_wireframe = pressed(action_num8);
    k.teleport = pressed(action_num9);
    k.screenshot = pressed(action_num0);
    break;
  case mode_inventory:
    if (pressed(action_menu) || pressed(action_interact) || pressed(action_inventory)) k.mode = mode_roaming;
    break;
  case mode_main_menu:
  case mode_console:
    if (pressed(action_menu)) k.mode = mode_roaming;
    break;
  case mode_settings:
    if (pressed(action_menu)) k.mode = mode_main_menu, ++k.open_sounds, k.left_settings = true;
    break;
  case mode_quit:
    break;
  }
  return k;
}

Mode Console_exit::next(Mode asked, std::uint64_t asked_at, std::uint64_t handed) {
  if (asked != mode_console && !until) until = asked_at;
  if (!until || handed < *until) return mode_console;
  until.reset();
  return mode_roaming;
}
