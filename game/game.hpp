#pragma once
// The game: the context, the six renderers and the frame loop of events,
// update and render, with the mode deciding which update and which windows
// run each frame.
#include "game/context.hpp"
#include "game/frame_drop.hpp"
#include "render/cross_renderer.hpp"
#include "render/cube_renderer.hpp"
#include "render/line_overlays.hpp"
#include "render/mob_renderer.hpp"
#include "render/quad_renderer.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>

class Game : public Context {
public:
  Cube_renderer cube_renderer;
  Quad_renderer quad_renderer;
  Mob_renderer mob_renderer;
  Cursor_renderer cursor_renderer;
  Page_renderer page_renderer;
  Cross_renderer cross_renderer;
  Inventory_kind inventory_action_kind = kind_palette; // what the inventory key opens
  bool show_debug_pane = false;
  bool wireframe = false;
  bool page_borders = false;
  bool screenshot_requested = false;

  // Builds everything and says "Ready!".
  Game(Config& config, std::filesystem::path const& world_dir);
  ~Game();

  // Frames until the mode is quit. The scripts of one frame share the
  // script time budget.
  void run();
  void events();
  void update();
  void render();

  void update_mode();
  void update_roaming();
  void update_inventory();
  void update_main_menu();
  void update_config_menu();
  void update_console();

  void render_mode();
  void render_roaming();
  void render_inventory();
  void render_main_menu();
  void render_config_menu();
  void render_console();

  // The world of one drawn frame, before the mode's windows.
  void render_screen();

  void teleport();
  void open_inventory();

private:
  Frame_dropper dropper_;
  Console_exit console_exit_;
  // How many events the GUI had been given before this frame's first press
  // of the menu key.
  std::optional<std::uint64_t> menu_press_at_;
  // And before this frame's last press of the console key.
  std::optional<std::uint64_t> console_press_at_;

  void apply_menu_keys();
  void release_mouse();
  void take_screenshot();
};

// One game of the world, from building it to its end; the game is destroyed,
// and so the world saved, also when an error leaves. Returns what the save at
// the end could not write.
Unsaved play(Config& config, std::filesystem::path const& world_dir);
