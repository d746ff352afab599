#pragma once
// What the game is doing (roaming or one of its windows) and what the mode
// keys change from one frame to the next.
#include <cstdint>
#include <optional>
#include <span>

enum Mode : std::uint32_t { mode_roaming, mode_inventory, mode_main_menu, mode_settings, mode_console, mode_quit };

// Which pane the inventory screen shows beside the player's inventory.
enum Inventory_kind : std::uint32_t { kind_hand_recipes, kind_palette, kind_container, kind_target_recipes };

// The effects of the mode keys pressed in one frame (action states by
// action number, as Input holds them).
struct Mode_keys {
  Mode mode;
  int open_sounds = 0;         // "ui.open_menu" plays this often
  bool open_inventory = false; // opening the inventory plays its own
  bool toggle_page_borders = false;
  bool toggle_debug_pane = false;
  bool toggle_wireframe = false;
  bool teleport = false;
  bool screenshot = false;
  bool left_settings = false; // the pipeline rebuilds if page settings changed
};

// Every key of the mode is tested, so that in roaming menu, console and
// inventory pressed together end in the inventory.
Mode_keys mode_keys(Mode mode, std::span<std::uint32_t const> states);

// Leaving the console on the menu key waits for the GUI: the events polled
// before the key's press (typed text, a completed line) reach the console's
// window first, however far the GUI's frames trail the keys.
struct Console_exit {
  std::optional<std::uint64_t> until; // the console closes once the GUI has had this many events

  // The mode after a frame of the console: `asked` is what the mode keys
  // ask for, `asked_at` how many events the GUI had been given before the
  // press that asked, `handed` how many it has had by now. A wait is
  // forgotten (reset to {}) when the game leaves the console otherwise.
  Mode next(Mode asked, std::uint64_t asked_at, std::uint64_t handed);
};
