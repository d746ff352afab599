#pragma once
// Shared by the world tests: cell and mob types set up without packs, mobs
// by their box; directories and gzip files come from terrain.hpp.
#include "content/cell_db.hpp"
#include "content/mob_db.hpp"
#include "support/terrain.hpp"
#include "world/mob.hpp"

#include <memory>
#include <string>

namespace world_test {

namespace fs = std::filesystem;
using terrain::emitted;
using terrain::read_gz;
using terrain::write_gz;

// A throw-away world directory (other folders' tests know it by this name).
using Temp_world = terrain::World_dir;

// Types by name (added when new) with the fields the world reads.
inline Cell_id cell_type(std::string const& name, int capacity = 0) {
  Cell_type& t = cell_db()[name];
  t.capacity = static_cast<std::uint8_t>(capacity);
  return t.id;
}
inline Mob_type& mob_type(std::string const& name, bool persistent, int items = 0, glm::vec2 size = {0.4f, 0.9f}) {
  Mob_type& t = mob_db()[name];
  t.persistent = persistent;
  t.items = static_cast<std::uint8_t>(items);
  t.size = size;
  return t;
}

// A mob whose box is exactly [lo, hi).
inline std::unique_ptr<Mob> mob_in_box(glm::vec3 lo, glm::vec3 hi) {
  auto m = std::make_unique<Mob>();
  m->body.position = (lo + hi) * 0.5f;
  m->body.box_min = lo;
  m->body.box_max = hi;
  return m;
}

} // namespace world_test
