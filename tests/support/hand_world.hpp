#pragma once
// Small worlds built cell by cell for the tests of bodies, mobs and rays: a
// scene over an empty map whose page table holds only the pages a test
// loads, and cell and mob types registered under names of their own.
#include "content/cell_db.hpp"
#include "content/mob_db.hpp"
#include "foundation/config.hpp"
#include "world/scene.hpp"

#include <glm/vec3.hpp>

#include <array>
#include <string>
#include <vector>

namespace hand_world {

// One of each collision class; the flower's hit box is small.
struct Cells {
  Cell_id air, stone, ladder, mud, water, glass, mist, flower;
};

inline Cells const& cells() {
  static Cells const c = [] {
    auto type = [](char const* name, Cell_collision k) -> Cell_type& {
      Cell_type& t = cell_db()[name];
      t.collision = k;
      return t;
    };
    using enum Cell_collision;
    Cell_type& flower = type("hand.flower", raycast);
    flower.radius = glm::vec3(0.2f);
    return Cells{type("hand.air", empty).id,  type("hand.stone", solid).id, type("hand.ladder", climb).id,
                 type("hand.mud", slow).id,   type("hand.water", buoy).id,  type("hand.glass", raycast).id,
                 type("hand.mist", empty).id, flower.id};
  }();
  return c;
}

// A mob type by name with its size and solidity (scripts stay as they are).
inline Mob_id mob_type(std::string const& name, glm::vec2 size, bool solid) {
  Mob_type& t = mob_db()[name];
  t.size = size;
  t.solid = solid;
  return t.id;
}

struct World {
  Config config{Config::Defaults{}};
  Scene scene{config, "/nonexistent/hand-world", Fmap(1, {{{0.0f}, {0.0f}, {0.0f}, {0.0f}}})};
  Wmap& wmap = scene.wmap;

  World() { wmap.resize(glm::ivec3(8)); }
  // A test may make one of its mobs the player; the scene must not save it.
  ~World() { scene.player = nullptr; }

  // A page of air (or of one other type).
  Wmap_page& load(glm::ivec3 page, Cell_id fill = cells().air) {
    Wmap_page& p = wmap.insert(page);
    p.cells = Page<Cell_id>(fill);
    return p;
  }
  void set(glm::ivec3 cell, Cell_id id) {
    wmap.find(page_of(cell))->cells.set(cell_index(cell.x, cell.y, cell.z), id);
  }
  // Every cell of the inclusive box.
  void fill(glm::ivec3 lo, glm::ivec3 hi, Cell_id id) {
    for (int x = lo.x; x <= hi.x; ++x)
      for (int y = lo.y; y <= hi.y; ++y)
        for (int z = lo.z; z <= hi.z; ++z) set({x, y, z}, id);
  }
};

// A body with its box made from position and size.
inline Body body_at(glm::vec3 position, glm::vec2 size, std::uint32_t flags = 0) {
  Body b;
  b.position = position;
  b.size = size;
  b.flags = flags;
  b.update_box();
  return b;
}

} // namespace hand_world
