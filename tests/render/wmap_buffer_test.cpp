#include "render/wmap_buffer.hpp"

#include "support/mesh_world.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Ids and light that differ from cell to cell across pages.
void fill_patterned(mesh::World& w, glm::ivec3 p) {
  w.page(p, 0);
  for (int i = 0; i < 4096; ++i) {
    glm::ivec3 const c = p * 16 + glm::ivec3(i >> 8, (i >> 4) & 15, i & 15);
    w.set(c, Cell_id(1000 + ((c.x * 7 + c.y * 131 + c.z * 1031) & 4095)));
    w.light(c, Light((c.x * 3 + c.y * 5 + c.z * 11) & 255));
  }
}

} // namespace

TEST(WmapBuffer, HoldsThePageAndTheTouchingCellsOfTheNeighboursThatAreThere) {
  struct Layout {
    std::string name;
    std::vector<glm::ivec3> neighbours;
  } layouts[] = {
      {"none", {}},
      {"a high corner, an edge and a face", {{1, 1, 1}, {1, 0, -1}, {0, 1, 0}}},
      {"a slot holding another page: (9, 0, 0) where (1, 0, 0) goes", {{9, 0, 0}}},
      {"all 26", {}},
  };
  for (int i = 0; i < 27; ++i)
    if (i != 13) layouts[3].neighbours.push_back(mesh::around(i));
  for (Layout const& l : layouts) {
    SCOPED_TRACE(l.name);
    mesh::World w; // 8 slots per axis
    fill_patterned(w, {0, 0, 0});
    for (glm::ivec3 d : l.neighbours) fill_patterned(w, d);
    Wmap_buffer const b(w.wmap, {0, 0, 0});
    for (int i = 0; i < Wmap_buffer::size; ++i) {
      glm::ivec3 const c = glm::ivec3(i / 324, i / 18 % 18, i % 18) - 1;
      ASSERT_EQ(b.cells[i], w.id_at(c)) << c.x << ' ' << c.y << ' ' << c.z; // 0 where no page is
      ASSERT_EQ(b.light[i], w.light_at(c)) << c.x << ' ' << c.y << ' ' << c.z;
    }
  }
}
