#pragma once
// The game's shared state. Every component (player, editing, interaction,
// menus, script functions) gets the context by reference and reads or writes
// its members directly. Members are built in this order and destroyed in
// the reverse one.
#include "foundation/audio.hpp"
#include "foundation/config.hpp"
#include "foundation/event.hpp"
#include "foundation/media.hpp"
#include "foundation/widgets.hpp"
#include "game/action_bar.hpp"
#include "game/config_menu.hpp"
#include "game/console_menu.hpp"
#include "game/debug_pane.hpp"
#include "game/edit.hpp"
#include "game/inventory_menu.hpp"
#include "game/main_menu.hpp"
#include "game/modes.hpp"
#include "game/player.hpp"
#include "game/script.hpp"
#include "render/camera.hpp"
#include "world/builder.hpp"
#include "world/raycast.hpp"
#include "world/scene.hpp"

#include <filesystem>

struct Context {
  Media media;
  Audio audio;
  Input input;
  Script script;
  Scene scene;
  Builder builder;
  Camera camera;
  Action_bar action_bar;
  Raycast_result cursor;          // what the crosshair points at
  Mode mode = mode_roaming;
  Inventory_kind inventory_kind = kind_hand_recipes;
  bool mouse_released = true;     // the next mouse look turns nothing
  Widgets widgets;
  Edit edit;
  Player player;
  Main_menu main_menu;
  Inventory_menu inventory_menu;
  Config_menu config_menu;
  Console_menu console_menu;
  Debug_pane debug_pane;

  Context(Context const&) = delete;
  Context& operator=(Context const&) = delete;

protected:
  // Only the game builds a context.
  Context(Config& config, std::filesystem::path const& world_dir);
  ~Context();
};
