#pragma once
// A page's cell ids and light bytes with a one-cell border taken from its 26
// neighbours, gathered once per meshing so the meshers index one small array
// and never touch the page table again.
//
// Entry (X, Y, Z), each 0..17, holds the page's cell (X - 1, Y - 1, Z - 1);
// index 0 on an axis is the low neighbour's last cell, 17 the high
// neighbour's first. Entries no loaded page supplies hold id 0 (the nameless
// type, opaque) and light 0, so nothing is drawn toward a missing page.
#include "content/cell_db.hpp"
#include "world/page.hpp"

#include <glm/vec3.hpp>

#include <array>

struct Wmap;

struct Wmap_buffer {
  static constexpr int side = 18;
  static constexpr int size = side * side * side;

  static constexpr int index(int x, int y, int z) { return 324 * x + 18 * y + z; }

  std::array<Cell_id, size> cells;
  std::array<Light, size> light;

  // Reads the page at `page` (page coordinates) and its neighbours through
  // snapshots; a slot holding a page of another position counts as missing.
  Wmap_buffer(Wmap const& wmap, glm::ivec3 const& page);

  // Unread, for callers that read in two steps and may stop after the ids.
  Wmap_buffer() = default;
  void read_cells(Wmap const& wmap, glm::ivec3 const& page);
  void read_light(Wmap const& wmap, glm::ivec3 const& page);

  // Every entry holds the same id: no face anywhere at either detail.
  bool uniform() const;
};
