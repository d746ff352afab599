#pragma once
// The bridge from the player's cursor to the pack scripts of cell and mob
// types: the interact action runs the pointed thing's interact script and
// answers with its model's use or fail sound; the inventory screen runs the
// target's callback script after its container changed.
#include "content/cell_db.hpp"
#include "content/mob_db.hpp"
#include "world/raycast.hpp"

#include <memory>
#include <optional>

struct Context;
struct Scene;
struct Wmap;

// Whether the pointed cell (loaded, not id 0) or mob has an interact script:
// the crosshair then shows its interactive form.
bool is_interactive(Wmap const& wmap, Raycast_result const& result);
bool is_interactive(Scene const& scene, Raycast_result const& result);

using Cell_script = std::unique_ptr<kestrine::Standalone> Cell_type::*;
using Mob_script = std::unique_ptr<kestrine::Standalone> Mob_type::*;

// Runs one script of the cell's type (id 0 when its page is not loaded) with
// the cell and the cell in front of the hit face; of the mob's type with the
// mob. Nothing when the type has no such script, else the truth of its
// result. An error that the script raises leaves with the script named
// before its message: the type, the cell's place and the hook.
std::optional<bool> run_cell_script(Cell_script which, Wmap const& wmap, glm::ivec3 cell, glm::ivec3 adjacent);
std::optional<bool> run_mob_script(Mob_script which, Mob& mob);

// The interact action on what a pick found.
struct Interact {
  Context& context;
  Raycast_result const& result;

  void operator()() const;
  void cell_() const;
  void mob_() const;
};
void interact(Context& context, Raycast_result const& result);

// After the player moved items into or out of the target's container.
struct Callback {
  Context& context;
  Raycast_result const& result;

  void operator()() const;
  void cell_() const;
  void mob_() const;
};
void callback(Context& context, Raycast_result const& result);
