#pragma once
// The inventory screen (the player's slots beside a palette, a container or
// recipes) and the hotbar of the roaming frame.
#include "content/recipe.hpp"
#include "game/modes.hpp"
#include "world/item.hpp"

#include <glm/vec2.hpp>
#include <imgui.h>

#include <functional>
#include <memory>
#include <vector>

struct Config;
struct Context;
struct Raycast_result;
struct Scene;

class Inventory_menu {
public:
  // What the screen works on. The game's: the context's scene and cursor,
  // its sounds, the target's callback, the model table's icons and the
  // recipe table.
  struct Target {
    Config const& config; // ui_scale
    Scene& scene;         // the player's inventory and held stack, the pages of containers
    Raycast_result const& cursor;
    Inventory_kind const& kind;
    std::function<void(char const* sound)> play;
    std::function<void()> callback; // the pointed cell's or mob's, after its container changed
    std::function<ImTextureID(Item_id)> icon;
    std::function<std::vector<Recipe> const*(Cell_id)> recipes;
    ImTextureID frame = nullptr; // the hotbar's frame image
  };

  // Loads the hotbar image "textures/hotbar.png"; throws when it can't.
  explicit Inventory_menu(Context& context);
  explicit Inventory_menu(Target target);
  ~Inventory_menu();
  Inventory_menu(Inventory_menu const&) = delete;
  Inventory_menu& operator=(Inventory_menu const&) = delete;

  // One frame of the screen, centred on the game window.
  void update();
  void update(glm::ivec2 window);
  // The player's slots, 16 to a row, with the selected one framed, near the
  // bottom of the game window.
  void hotbar(int selected);
  void hotbar(int selected, glm::ivec2 window);

  // The stack at the pointer: the scene's held stack, kept while the screen
  // is closed and saved with the player.
  Item& held();

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};
