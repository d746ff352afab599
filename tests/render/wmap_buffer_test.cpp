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

struct Layout {
  std::string name;
  std::vector<glm::ivec3> neighbours;
};

} // namespace

TEST(WmapBuffer, HoldsThePageAndTheTouchingCellsOfTheNeighboursThatAreLoaded) {
  std::vector<glm::ivec3> all;
  for (int x = -1; x <= 1; ++x)
    for (int y = -1; y <= 1; ++y)
      for (int z = -1; z <= 1; ++z)
        if (x || y || z) all.push_back({x, y, z});
  std::vector<Layout> const layouts{
      {"all 26", all},
      {"none", {}},
      {"the low corner only", {{-1, -1, -1}}},
      {"a high corner, an edge and a face", {{1, 1, 1}, {1, 0, -1}, {0, 1, 0}}},
  };
  glm::ivec3 const centre{3, -2, -1};
  for (Layout const& l : layouts) {
    SCOPED_TRACE(l.name);
    mesh::World w;
    fill_patterned(w, centre);
    for (glm::ivec3 d : l.neighbours) fill_patterned(w, centre + d);
    Wmap_buffer const b(w.wmap, centre);
    int zeros = 0;
    for (int x = 0; x < 18; ++x)
      for (int y = 0; y < 18; ++y)
        for (int z = 0; z < 18; ++z) {
          glm::ivec3 const c = centre * 16 + glm::ivec3(x, y, z) - 1;
          int const i = Wmap_buffer::index(x, y, z);
          ASSERT_EQ(b.cells[i], w.id_at(c)) << x << ' ' << y << ' ' << z;
          ASSERT_EQ(b.light[i], w.light_at(c)) << x << ' ' << y << ' ' << z;
          zeros += b.cells[i] == 0;
        }
    int const border = 18 * 18 * 18 - 16 * 16 * 16;
    if (l.neighbours.empty()) {
      EXPECT_EQ(zeros, border);
    }
    if (l.neighbours.size() == 1) {
      EXPECT_EQ(zeros, border - 1);
      EXPECT_EQ(b.cells[0], w.id_at(centre * 16 - glm::ivec3(1))); // the corner page's cell (15, 15, 15)
    }
  }
}

TEST(WmapBuffer, ANeighbourSlotHoldingAnotherPositionCountsAsMissing) {
  mesh::World w; // 8 slots per axis: (9, 0, 0) takes the slot of (1, 0, 0)
  fill_patterned(w, {0, 0, 0});
  fill_patterned(w, {9, 0, 0});
  Wmap_buffer const b(w.wmap, {0, 0, 0});
  for (int y = 0; y < 18; ++y)
    for (int z = 0; z < 18; ++z) {
      EXPECT_EQ(b.cells[Wmap_buffer::index(17, y, z)], 0);
      EXPECT_EQ(b.light[Wmap_buffer::index(17, y, z)], 0);
    }
  EXPECT_EQ(b.cells[Wmap_buffer::index(16, 1, 1)], w.id_at({15, 0, 0}));
}
