#pragma once
// Cell types for world tests, registered in the process-wide cell table
// without loading any pack.
#include "content/cell_db.hpp"

#include <cstdint>
#include <string>

// The id of `name`, (re)defined with this opacity and emitted light.
inline Cell_id test_cell(std::string const& name, Cell_opacity opacity, std::uint8_t light = 0) {
  Cell_type& t = cell_db()[name];
  t.opacity = opacity;
  t.light = light;
  t.collision = opacity == Cell_opacity::opaque ? Cell_collision::solid : Cell_collision::empty;
  return t.id;
}

// Air as the default packs define it; the shared all-air array uses it.
inline Cell_id test_air() { return test_cell("basic.none", Cell_opacity::clear); }
inline Cell_id test_stone() { return test_cell("basic.stone", Cell_opacity::opaque); }
