// High-detail meshes beyond which faces there are (the random check covers
// those): corner light, winding, texture variants, paints, empty pages and
// the side runs.
#include "render/randomizer.hpp"
#include "support/mesh_world.hpp"

#include <gtest/gtest.h>

#include <functional>

using namespace mesh;

namespace {

glm::ivec3 const c{5, 5, 5};

// The quad of a cell's face on a side, which must be there once.
Quad face_of(Cube_mesh_data const& m, glm::ivec3 cell, int side) {
  std::vector<Quad> found;
  for (Quad const& q : quads(m))
    if (q.side == side && q.lo == cell && q.hi == cell) found.push_back(q);
  EXPECT_EQ(found.size(), 1u) << "side " << side;
  return found.empty() ? Quad{} : found[0];
}

} // namespace

TEST(HighDetailMesh, ALoneCellHasSixFacesInSideOrderWindingOutwardLitByTheAirAround) {
  World w = World::open();
  w.set(c, stone);
  for (int i = 0; i < 27; ++i) // the air around, each cell its own light
    if (i != 13) w.light(c + around(i), Light(i * 0x29 + 0x13));
  Cube_mesh_data const m = w.high();
  EXPECT_EQ(m.ends, (std::array<std::uint64_t, 6>{6, 12, 18, 24, 30, 36}));
  int const uv[6][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 1}, {1, 0}, {0, 0}};
  for (int s = 0; s < 6; ++s) {
    SCOPED_TRACE(s);
    Quad const q = face_of(m, c, s);
    glm::ivec3 const n = outward[s];
    for (int t : {0, 3}) { // both triangles face the front cell
      glm::ivec3 const a = pos(q.v[t + 1]) - pos(q.v[t]), b = pos(q.v[t + 2]) - pos(q.v[t]);
      EXPECT_EQ(glm::ivec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x), n);
    }
    for (int i = 0; i < 6; ++i) {
      Cube_vertex const& v = q.v[i];
      EXPECT_EQ(glm::ivec2(v.u, v.v), glm::ivec2(uv[i][0], uv[i][1]));
      EXPECT_EQ(glm::ivec3(v.occlusion, v.effects, v.layer), glm::ivec3(0, 1, texture_of(stone, s)));
      // The four air cells in front around the corner, averaged.
      int sun = 0, spot = 0;
      for (int k = 0; k < 4; ++k) {
        glm::ivec3 d = pos(v);
        for (int ax = 0, bit = 0; ax < 3; ++ax) d[ax] = n[ax] ? c[ax] + n[ax] : d[ax] - (k >> bit++ & 1);
        sun += w.light_at(d) & 15, spot += w.light_at(d) >> 4;
      }
      EXPECT_EQ(v.light, (spot / 4) << 4 | sun / 4) << i;
    }
  }
}

TEST(HighDetailMesh, CornerLightAveragesOnlyTheOpenCellsAroundTheCorner) {
  glm::ivec3 const a = c + glm::ivec3(0, 1, 0); // the top face's own front cell
  glm::ivec3 const x{1, 0, 0}, z{0, 0, 1};
  struct Case {
    char const* what;
    std::function<void(World&)> build;
    int light; // of corner (x, z) = (5, 5) of the top face of c
  } const cases[] = {
      {"three open", [&](World& w) { w.set(a - x - z, stone), w.light(a - x, 0x20), w.light(a, 0x37); },
       (0x5 / 3) << 4 | (0xF + 0x0 + 0x7) / 3},
      {"two side by side", [&](World& w) { w.box(a - x - z, a - x, stone), w.light(a - z, 0x53), w.light(a, 0x28); },
       (0x7 / 2) << 4 | (0x3 + 0x8) / 2},
      {"only the diagonal ones: the face's own front light",
       [&](World& w) { w.set(a - x, stone), w.set(a - z, stone), w.light(a - x - z, 0x11), w.light(a, 0x4C); }, 0x4C},
      {"inside a body of one semiclear type only the face's own is open",
       [&](World& w) { w.box(glm::ivec3(3), glm::ivec3(8), water), w.set(c, stone), w.light(a, 0x9A); }, 0x9A},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.what);
    World w = World::open();
    w.set(c, stone);
    k.build(w);
    Quad const q = face_of(w.high(), c, 3);
    ASSERT_EQ(pos(q.k(1)), a);
    EXPECT_EQ(q.k(1).light, k.light);
  }
}

TEST(HighDetailMesh, VariantsFollowThePositionAndPaintsKeepThem) {
  glm::ivec3 const page{2, -1, 3}, local{4, 9, 11}, next{5, 9, 11};
  World w;
  w.pages(page, air);
  w.set(page * 16 + local, grass);
  w.set(page * 16 + next, grass);
  w.paint(page * 16 + next, 3, stone);
  // The top face: row x, column z, layer 15 - y; grass tops are flipped.
  auto top = [&](glm::ivec3 p) {
    auto const v = std::uint64_t(std::int64_t(randomizer(p.x, p.z, 15 - p.y, page_seed(page))));
    return int((texture_of(grass, 3) | Tex_range::flip_x) + v % 4);
  };
  Cube_mesh_data const m = w.high(page);
  EXPECT_EQ(m.vertices, w.high(page).vertices); // the same on every re-mesh
  EXPECT_EQ(face_of(m, local, 3).v[0].layer, top(local));
  EXPECT_EQ(face_of(m, local, 3).v[0].effects, 3);
  EXPECT_EQ(face_of(m, next, 3).v[0].layer, texture_of(stone, 3)); // the paint's texture and effects
  EXPECT_EQ(face_of(m, next, 3).v[0].effects, 1);
  w.paint(page * 16 + next, 3, grass);
  EXPECT_EQ(face_of(w.high(page), next, 3).v[0].layer, top(next));
}

TEST(PageMesh, EmptyResults) {
  struct Case {
    char const* what;
    std::function<void(World&)> build;
    glm::ivec3 page{0};
  } const cases[] = {
      {"all air", [](World&) {}},
      {"all stone among stone", [](World& w) { w.pages({}, stone); }},
      {"stone among missing pages", [](World& w) { w.wmap.clear(), w.page({0, 0, 0}, stone); }},
      {"a page not in the table", [](World&) {}, {0, 5, 0}},
      {"a slot holding another page", [](World&) {}, {8, 0, 0}},
  };
  for (Case const& k : cases) {
    World w = World::open();
    k.build(w);
    for (int quality : {0, 1}) {
      Cube_mesh_data const m = mesh_page(w.wmap, k.page, quality, models());
      EXPECT_TRUE(m.vertices.empty()) << k.what;
      EXPECT_EQ(m.ends, (std::array<std::uint64_t, 6>{})) << k.what;
    }
  }
}
