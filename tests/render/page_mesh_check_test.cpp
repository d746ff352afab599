// Both meshers against plain loops over random pages: every face they draw,
// and only those, lies between a drawn cell and an open front cell.
#include "render/wmap_buffer.hpp"
#include "support/mesh_world.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace mesh;

namespace {

using Face = std::tuple<int, int, int, int>; // side, x, y, z (page-relative)

// Each side's row and column directions in the page.
glm::ivec3 const row_dir[6] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {-1, 0, 0}};
glm::ivec3 const column_dir[6] = {{0, 1, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 1}, {0, 1, 0}, {0, 1, 0}};

Cell_opacity opacity(Cell_id id) { return models().opacity(id); }
bool solid(Cell_id id) { return id == 0 || opacity(id) <= Cell_opacity::semiopaque; }
bool drawn(Cell_id id) { return id != 0 && opacity(id) <= Cell_opacity::semiclear; }
bool front_closed(Cell_id id) { return id == 0 || opacity(id) == Cell_opacity::opaque; }
bool semiclear(Cell_id id) { return id != 0 && opacity(id) == Cell_opacity::semiclear; }
bool clear(Cell_id id) { return id != 0 && opacity(id) >= Cell_opacity::billboard; }

// Random pages around (0, 0, 0), some missing (some of those with a stone
// page eight pages off in their table slot); either cell by cell or in blocks of one type and
// light, so that low detail has rectangles to merge.
World random_world(std::mt19937& rng, bool blocks) {
  Cell_id const pick[] = {air, air, air, stone, dirt, leaves, water, flower, glass, stone_flip, none, bare, grass};
  World w;
  w.page({0, 0, 0}, air);
  for (int i = 0; i < 27; ++i) {
    unsigned const r = rng() % 6;
    if (i == 13 || r == 0) continue; // missing
    w.page(r == 1 ? around(i) + glm::ivec3(8, 0, 0) : around(i), r == 1 ? stone : air);
  }
  for (int x = -1; x <= 16; ++x) // what the meshers can see
    for (int y = -1; y <= 16; ++y)
      for (int z = -1; z <= 16; ++z) {
        if (!w.wmap.find(page_of({x, y, z}))) continue;
        unsigned const r = blocks ? unsigned((x >> 2) * 73856093 ^ (y >> 3) * 19349663 ^ (z >> 2) * 83492791) % 977
                                  : unsigned(rng());
        w.set({x, y, z}, pick[r % std::size(pick)]);
        w.light({x, y, z}, Light(blocks ? (r >> 4) % 3 : rng() % 256));
      }
  for (int i = 0; i < 20; ++i) w.paint({int(rng() % 16), int(rng() % 16), int(rng() % 16)}, int(rng() % 6), dirt);
  return w;
}

} // namespace

TEST(PageMeshCheck, RandomPagesDrawExactlyTheFacesBetweenDrawnAndOpenCells) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    World const w = random_world(rng, round % 2);
    // What the meshers read: the page and the touching cells of its neighbours.
    Wmap_buffer const buffer(w.wmap, {0, 0, 0});
    for (int i = 0; i < Wmap_buffer::size; ++i) {
      glm::ivec3 const c = glm::ivec3(i / 324, i / 18 % 18, i % 18) - 1;
      ASSERT_EQ(std::pair(buffer.cells[i], buffer.light[i]), std::pair(w.id_at(c), w.light_at(c))) << i;
    }
    std::set<Face> high, low;
    for (int x = 0; x < 16; ++x)
      for (int y = 0; y < 16; ++y)
        for (int z = 0; z < 16; ++z)
          for (int s = 0; s < 6; ++s) {
            Cell_id const b = w.id_at({x, y, z}), a = w.id_at(glm::ivec3(x, y, z) + outward[s]);
            if (drawn(b) && !front_closed(a) && a != b) high.insert({s, x, y, z});
            if ((solid(b) && !solid(a)) || (semiclear(b) && clear(a))) low.insert({s, x, y, z});
          }

    Cube_mesh_data const hm = w.high();
    Faces const hf = faces(hm);
    EXPECT_EQ(hf.all, high);
    EXPECT_TRUE(hf.twice.empty());
    for (Quad const& q : quads(hm)) {
      ASSERT_EQ(q.lo, q.hi);
      // Occlusion: a neighbour in the face's plane is closed when its front
      // cell is id 0 or opaque, or of its own drawn type.
      glm::ivec3 const r = row_dir[q.side], c = column_dir[q.side];
      glm::ivec3 const ring[8] = {r + c, c, c - r, -r, -r - c, -c, r - c, r};
      int mask = 0;
      for (int k = 0; k < 8; ++k) {
        glm::ivec3 const n = q.lo + ring[k];
        Cell_id const b = w.id_at(n), a = w.id_at(n + outward[q.side]);
        mask |= int(front_closed(a) || (drawn(b) && a == b)) << k;
      }
      EXPECT_EQ(q.v[0].occlusion, mask);
      // k0 = (r + 1, c), k2 = (r, c + 1) on the face plane.
      glm::ivec3 const plane = q.lo + glm::max(outward[q.side], glm::ivec3(0));
      glm::ivec3 const origin = plane + glm::max(-r, glm::ivec3(0)) + glm::max(-c, glm::ivec3(0));
      EXPECT_EQ(pos(q.k(0)), origin + r);
      EXPECT_EQ(pos(q.k(2)), origin + c);
    }

    Cube_mesh_data const lm = w.low();
    low_detail_quads(lm);
    Faces const lf = faces(lm);
    EXPECT_EQ(lf.all, low);
    EXPECT_TRUE(lf.twice.empty());
    for (Quad const& q : quads(lm))
      for (int x = q.lo.x; x <= q.hi.x; ++x)
        for (int y = q.lo.y; y <= q.hi.y; ++y)
          for (int z = q.lo.z; z <= q.hi.z; ++z) {
            glm::ivec3 const cell{x, y, z};
            ASSERT_EQ(q.v[0].light, w.light_at(cell + outward[q.side]));
            auto const& paints = w.wmap.find({0, 0, 0})->paints;
            auto const it = paints.find(std::int16_t(q.side * 4096 + cell_index(x, y, z)));
            Cell_id const id = it != paints.end() ? it->second : w.id_at(cell);
            ASSERT_EQ(q.v[0].layer, models().model(id).texture[q.side].get(1) & Tex_range::layer_mask);
          }
  }
}
