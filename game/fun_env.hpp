#pragma once
// What the game's script functions act on: the world and its player, the
// cursor and the view direction, the screen mode and the action bar, and the
// edits and sounds they cause. The game fills it from its context; the
// functions keep it by reference, so its members may be built after the
// functions are registered, as long as no script runs before.
#include "content/cell_db.hpp"
#include "game/action_bar.hpp"
#include "game/modes.hpp"
#include "world/raycast.hpp"
#include "world/scene.hpp"

#include <glm/vec3.hpp>

#include <memory>
#include <stdexcept>
#include <string>

struct Mob;

// The effects that leave the world's own state: cell and face edits go
// through the page pipeline, sounds to the mixer.
struct Fun_effects {
  virtual ~Fun_effects() = default;
  // The page holding the cell is loaded and filled.
  virtual void change_cell(glm::ivec3 const& cell, Cell_id id) = 0;
  virtual void change_face(glm::ivec3 const& cell, int face, Cell_id id) = 0;
  // The sound of a cell of that type being placed, if it has one.
  virtual void place_sound(Cell_id id) = 0;
  // A sound by full name: plain, at a cell, or following a mob.
  virtual void play(std::string const& name) = 0;
  virtual void play(std::string const& name, glm::ivec3 const& cell) = 0;
  virtual void play(std::string const& name, Mob const& mob) = 0;
};

struct Fun_env {
  Scene& scene;
  Action_bar& action_bar;
  Raycast_result const& cursor; // what the crosshair last pointed at
  glm::vec3 const& view;        // the camera's forward direction
  Mode& mode;
  Inventory_kind& inventory_kind;
  std::unique_ptr<Fun_effects> effects;
};

using Fun_env_ptr = std::shared_ptr<Fun_env const>;

// Checks a type name given to a script function before anything is done
// with it: one longer than a type's may be raises "name too long", since
// the tables refuse it and no file could hold it.
inline void check_type_name(std::string const& name) {
  if (name.size() > max_name_bytes) throw std::runtime_error("name too long");
}
