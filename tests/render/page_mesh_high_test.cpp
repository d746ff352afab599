#include "render/randomizer.hpp"
#include "support/mesh_world.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace mesh;

namespace {

glm::ivec3 const c{5, 5, 5};
glm::ivec3 const up{0, 1, 0};

// The light byte of the average of open cells: sunlight and spotlight apart.
int average(std::vector<Light> const& open) {
  int sun = 0, spot = 0;
  for (Light l : open) sun += l & 15, spot += l >> 4;
  int const n = int(open.size());
  return (spot / n) << 4 | sun / n;
}

// The quad of a cell's face on a side, which must be there once.
Quad face_of(Cube_mesh_data const& m, glm::ivec3 cell, int side) {
  Quad found;
  int n = 0;
  for (Quad const& q : quads(m))
    if (q.side == side && q.lo == cell && q.hi == cell) found = q, ++n;
  EXPECT_EQ(n, 1) << "side " << side;
  return found;
}

int cross_sign(Cube_vertex const& a, Cube_vertex const& b, Cube_vertex const& c, int axis) {
  glm::ivec3 const u = pos(b) - pos(a), v = pos(c) - pos(a);
  glm::ivec3 const n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  return n[axis];
}

} // namespace

TEST(HighDetailMesh, ALoneCellHasSixFacesInSideOrderEachWindingOutward) {
  World w = World::open();
  w.set(c, stone);
  for (int x = -1; x <= 1; ++x) // every air cell around its own light
    for (int y = -1; y <= 1; ++y)
      for (int z = -1; z <= 1; ++z) w.light(c + glm::ivec3(x, y, z), Light((x + 2) * 0x31 + (y + 2) * 0x15 + (z + 2) * 0x03));
  Cube_mesh_data const m = w.high();
  EXPECT_EQ(m.ends, (std::array<std::uint64_t, 6>{6, 12, 18, 24, 30, 36}));
  ASSERT_EQ(m.vertices.size(), 36u);
  int const uv[6][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 1}, {1, 0}, {0, 0}};
  for (int s = 0; s < 6; ++s) {
    SCOPED_TRACE(s);
    Quad const q = face_of(m, c, s);
    glm::ivec3 const n = outward[s];
    int const axis = n.x ? 0 : n.y ? 1 : 2;
    for (int t : {0, 3}) // both triangles point to the front cell
      EXPECT_EQ(cross_sign(q.v[t], q.v[t + 1], q.v[t + 2], axis), n[axis]);
    for (int i = 0; i < 6; ++i) {
      Cube_vertex const& v = q.v[i];
      EXPECT_EQ(v.u, uv[i][0]);
      EXPECT_EQ(v.v, uv[i][1]);
      EXPECT_EQ(v.occlusion, 0);
      EXPECT_EQ(v.effects, 1);
      EXPECT_EQ(v.layer, texture_of(stone, s));
      // The four front cells around the corner, all open.
      glm::ivec3 const p = pos(v);
      std::vector<Light> open;
      for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
          glm::ivec3 cell = p;
          int k = 0;
          for (int ax = 0; ax < 3; ++ax)
            if (ax == axis)
              cell[ax] = c[ax] + n[ax];
            else
              cell[ax] = p[ax] - ((k++ == 0 ? a : b) ? 1 : 0);
          open.push_back(w.light_at(cell));
        }
      EXPECT_EQ(v.light, average(open)) << i;
    }
  }
}

TEST(HighDetailMesh, OcclusionBitsRunAroundTheFace) {
  // The top face of c: rows along x, columns along z; a stone in the plane
  // above closes that neighbour.
  glm::ivec3 const around[8] = {{1, 0, 1}, {0, 0, 1}, {-1, 0, 1}, {-1, 0, 0}, {-1, 0, -1}, {0, 0, -1}, {1, 0, -1}, {1, 0, 0}};
  for (int bit = 0; bit < 8; ++bit) {
    World w = World::open();
    w.set(c, stone);
    w.set(c + up + around[bit], stone);
    Quad const q = face_of(w.high(), c, 3);
    for (auto const& v : q.v) EXPECT_EQ(v.occlusion, 1 << bit) << bit;
  }
}

TEST(HighDetailMesh, CornerLight) {
  struct Case {
    std::string name;
    std::function<void(World&)> build;
    int k1_light; // corner (x, z) = (5, 5) of the top face of c
  };
  std::vector<Case> const cases{
      {"four open cells average", [](World&) {}, 0x0F},
      {"three open cells",
       [](World& w) {
         w.set(c + up + glm::ivec3(-1, 0, -1), stone);
         w.light(c + up + glm::ivec3(-1, 0, 0), 0x20);
         w.light(c + up, 0x37);
       },
       ((0x0 + 0x2 + 0x3) / 3) << 4 | (0xF + 0x0 + 0x7) / 3},
      {"two side by side",
       [](World& w) {
         w.box(c + up + glm::ivec3(-1, 0, -1), c + up + glm::ivec3(-1, 0, 0), stone);
         w.light(c + up + glm::ivec3(0, 0, -1), 0x53);
         w.light(c + up, 0x28);
       },
       ((0x5 + 0x2) / 2) << 4 | (0x3 + 0x8) / 2},
      {"two diagonal cells only take the face's own front light",
       [](World& w) {
         w.set(c + up + glm::ivec3(-1, 0, 0), stone);
         w.set(c + up + glm::ivec3(0, 0, -1), stone);
         w.light(c + up + glm::ivec3(-1, 0, -1), 0x11);
         w.light(c + up, 0x4C);
       },
       0x4C},
      {"one open cell inside a body of one semiclear type",
       [](World& w) {
         w.box(glm::ivec3(3), glm::ivec3(8), water);
         w.set(c, stone);
         w.light(c + up, 0x9A);
       },
       0x9A},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.name);
    World w = World::open();
    w.set(c, stone);
    k.build(w);
    Quad const q = face_of(w.high(), c, 3);
    EXPECT_EQ(pos(q.k(1)), c + up);
    EXPECT_EQ(q.k(1).light, k.k1_light);
  }
}

TEST(HighDetailMesh, FacesByOpacity) {
  struct Case {
    std::string name;
    std::function<void(World&)> build;
    std::vector<std::pair<glm::ivec3, std::string>> faces; // cell, its sides with a face
    int stone_top_occlusion = -1;
  };
  glm::ivec3 const below = c - up, x1{1, 0, 0};
  std::vector<Case> const cases{
      {"billboard and clear cells never have faces", [](World& w) { w.set(c, flower); }, {}},
      {"id 0 never has faces and closes the faces toward it",
       [&](World& w) {
         w.set(c, none);
         w.set(below, stone);
       },
       {{below, "lrdfb"}}},
      {"touching cells of one semiclear type hide their faces from each other",
       [](World& w) { w.box(c, c + up, water); },
       {{c, "lrdfb"}, {c + up, "lrufb"}}},
      {"opaque behind semiopaque of another type has a face, not the reverse; same types hide and close",
       [&](World& w) {
         w.set(below, stone);
         w.set(c, leaves);
         w.box(below + x1, c + x1, leaves);
       },
       {{below, "lrdufb"}, {c, "lufb"}, {c + x1, "rufb"}, {below + x1, "rdfb"}},
       0b10000000}, // the leaves at (r + 1, c) have leaves in front: closed
      {"two semiopaque types show faces to each other",
       [](World& w) {
         w.set(c, leaves);
         w.set(c + up, glass);
       },
       {{c, "lrdufb"}, {c + up, "lrdufb"}}},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.name);
    World w = World::open();
    k.build(w);
    Cube_mesh_data const m = w.high();
    std::set<std::tuple<int, int, int, int>> expected, got;
    for (auto const& [cell, sides] : k.faces)
      for (char s : sides) expected.insert({int(std::string("lrdufb").find(s)), cell.x, cell.y, cell.z});
    for (Quad const& q : quads(m)) got.insert({q.side, q.lo.x, q.lo.y, q.lo.z});
    EXPECT_EQ(got, expected);
    if (k.stone_top_occlusion >= 0) {
      EXPECT_EQ(face_of(m, below, 3).v[0].occlusion, k.stone_top_occlusion);
    }
  }
}

TEST(HighDetailMesh, VariantsArePerPositionAndPaintsKeepThem) {
  glm::ivec3 const page{2, -1, 3};
  World w;
  w.pages(page - glm::ivec3(1), page + glm::ivec3(1), air);
  glm::ivec3 const cell = page * 16 + glm::ivec3(4, 9, 11);
  w.set(cell, grass);
  w.set(cell + glm::ivec3(1, 0, 0), grass);
  w.paint(cell + glm::ivec3(1, 0, 0), 3, stone);
  Cube_mesh_data const m = w.high(page);
  EXPECT_EQ(m.vertices, w.high(page).vertices); // the same within a run
  // Top face: row x, column z, layer 15 - y.
  auto variant = [&](glm::ivec3 local) {
    return std::uint64_t(std::int64_t(randomizer(local.x, local.z, 15 - local.y, page_seed(page))));
  };
  glm::ivec3 const local{4, 9, 11};
  Quad const q = face_of(m, local, 3);
  EXPECT_EQ(q.v[0].layer, (texture_of(grass, 3) | Tex_range::flip_x) + variant(local) % 4);
  EXPECT_EQ(q.v[0].effects, 3);
  Quad const painted = face_of(m, local + glm::ivec3(1, 0, 0), 3);
  EXPECT_EQ(painted.v[0].layer, texture_of(stone, 3));
  EXPECT_EQ(painted.v[0].effects, 1);
  w.paint(cell + glm::ivec3(1, 0, 0), 3, grass); // painted with its own type: the variant of its position
  EXPECT_EQ(face_of(w.high(page), local + glm::ivec3(1, 0, 0), 3).v[0].layer,
            (texture_of(grass, 3) | Tex_range::flip_x) + variant(local + glm::ivec3(1, 0, 0)) % 4);
}

TEST(PageMesh, EmptyResults) {
  struct Case {
    std::string name;
    std::function<void(World&)> build;
    glm::ivec3 page{0};
  };
  std::vector<Case> const cases{
      {"all air", [](World&) {}},
      {"all stone among stone", [](World& w) { w.pages(glm::ivec3(-1), glm::ivec3(1), stone); }},
      {"stone without neighbours", [](World& w) { w.wmap.clear(), w.page({0, 0, 0}, stone); }},
      {"a page not in the table", [](World&) {}, {0, 5, 0}},
      {"a slot holding another page", [](World&) {}, {8, 0, 0}},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.name);
    World w = World::open();
    k.build(w);
    for (int quality : {0, 1}) {
      Cube_mesh_data const m = generate_mesh(w.wmap, k.page, quality, models());
      EXPECT_TRUE(m.vertices.empty());
      EXPECT_EQ(m.ends, (std::array<std::uint64_t, 6>{}));
    }
  }
}

TEST(PageMesh, QualityPicksTheDetailAndSideRunsEndWhereTheirFacesDo) {
  World w = World::open();
  w.pages(glm::ivec3(-1), glm::ivec3(1), stone);
  w.page({0, 0, 1}, air); // faces on the b side only
  EXPECT_EQ(w.high().ends, (std::array<std::uint64_t, 6>{0, 0, 0, 0, 0, 256 * 6}));
  EXPECT_EQ(w.low().ends, (std::array<std::uint64_t, 6>{0, 0, 0, 0, 0, 6}));
  for (int quality : {1, -1, 7}) EXPECT_EQ(generate_mesh(w.wmap, {}, quality, models()).vertices, w.low().vertices);

  World lone = World::open();
  lone.set({15, 15, 15}, stone);
  bool far = false;
  for (Cube_vertex const& v : lone.high().vertices) far |= pos(v) == glm::ivec3(16);
  EXPECT_TRUE(far);
}
