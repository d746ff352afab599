#include "support/mesh_world.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace mesh;

namespace {

// The axes of each side's rows and columns.
constexpr int row_axis[6] = {2, 2, 0, 0, 0, 0};
constexpr int column_axis[6] = {1, 1, 2, 2, 1, 1};

// Every low-detail quad: both triangles k0 k1 k2, k0 k2 k3; texture
// coordinates counting the rectangle's cells; one light and layer; no
// occlusion, effects or orientation.
void expect_well_formed(Cube_mesh_data const& m) {
  ASSERT_EQ(m.vertices.size() % 6, 0u);
  ASSERT_EQ(m.ends[5], m.vertices.size());
  for (Quad const& q : quads(m)) {
    int const h = q.hi[row_axis[q.side]] - q.lo[row_axis[q.side]] + 1;
    int const w = q.hi[column_axis[q.side]] - q.lo[column_axis[q.side]] + 1;
    int const uv[6][2] = {{0, w}, {h, w}, {h, 0}, {0, w}, {h, 0}, {0, 0}};
    for (int i = 0; i < 6; ++i) {
      Cube_vertex const& v = q.v[i];
      EXPECT_EQ(v.u, uv[i][0]);
      EXPECT_EQ(v.v, uv[i][1]);
      EXPECT_EQ(v.occlusion, 0);
      EXPECT_EQ(v.effects, 0);
      EXPECT_EQ(v.light, q.v[0].light);
      EXPECT_EQ(v.layer, q.v[0].layer);
      EXPECT_EQ(v.layer & ~Tex_range::layer_mask, 0);
    }
    EXPECT_EQ(pos(q.v[3]), pos(q.v[0]));
    EXPECT_EQ(pos(q.v[4]), pos(q.v[2]));
  }
}

struct Case {
  std::string name;
  std::function<void(World&)> build;
  std::vector<Q> expected;
  int only_side = -1; // compare the quads of this side only
};

// A 16 x 16 stone floor at y = 0 over a stone page, under air of light 0x0F.
void stone_floor(World& w) {
  w.page({0, -1, 0}, stone);
  w.box({0, 0, 0}, {15, 0, 15}, stone);
}

std::vector<Q> floor_quads(int top_light = 0x0F, int top_layer = texture_of(stone, 3)) {
  return {Q{0, {0, 0, 0}, {0, 0, 15}, 0x0F, texture_of(stone, 0)}, Q{1, {15, 0, 0}, {15, 0, 15}, 0x0F, texture_of(stone, 1)},
          Q{3, {0, 0, 0}, {15, 0, 15}, top_light, top_layer}, Q{4, {0, 0, 0}, {15, 0, 0}, 0x0F, texture_of(stone, 4)},
          Q{5, {0, 0, 15}, {15, 0, 15}, 0x0F, texture_of(stone, 5)}};
}

} // namespace

TEST(LowDetailMesh, Geometry) {
  glm::ivec3 const c{5, 6, 7};
  std::vector<Case> const cases{
      {"a lone cell: six unit quads lit by the cell in front of each",
       [&](World& w) {
         w.set(c, stone);
         for (int s = 0; s < 6; ++s) w.light(c + outward[s], Light(0x10 * s + s + 1));
       },
       {unit(0, c, 0x01, 32), unit(1, c, 0x12, 33), unit(2, c, 0x23, 34), unit(3, c, 0x34, 35), unit(4, c, 0x45, 36),
        unit(5, c, 0x56, 37)}},
      {"a full layer is one quad; its edges toward air one quad each", stone_floor, floor_quads()},
      {"one other light splits the layer",
       [](World& w) {
         stone_floor(w);
         w.light({5, 1, 5}, 0x3A);
       },
       {Q{3, {0, 0, 0}, {15, 0, 4}, 0x0F, 35}, Q{3, {0, 0, 5}, {4, 0, 15}, 0x0F, 35}, Q{3, {5, 0, 5}, {5, 0, 5}, 0x3A, 35},
        Q{3, {6, 0, 5}, {15, 0, 15}, 0x0F, 35}, Q{3, {5, 0, 6}, {5, 0, 15}, 0x0F, 35}},
       3},
      {"other types with the same layer merge, also flipped",
       [](World& w) {
         stone_floor(w);
         for (int x = 0; x < 16; x += 2) w.box({x, 0, 0}, {x, 0, 15}, stone_flip);
       },
       floor_quads()},
      {"an L: the column run first, grown while the whole run matches",
       [](World& w) {
         w.box({0, 5, 0}, {3, 5, 0}, stone);
         w.box({0, 5, 1}, {1, 5, 2}, stone);
       },
       {Q{3, {0, 5, 0}, {3, 5, 0}, 0x0F, 35}, Q{3, {0, 5, 1}, {1, 5, 2}, 0x0F, 35}},
       3},
      {"semiclear cells draw nothing; the solid behind takes their light",
       [&](World& w) {
         w.set(c, water);
         w.set(c + glm::ivec3(0, 1, 0), water);
         w.set(c - glm::ivec3(0, 1, 0), stone);
         w.light(c, 0x27);
       },
       {unit(3, c - glm::ivec3(0, 1, 0), 0x27, 35)},
       3},
      {"a solid behind a semiopaque cell has no face; the semiopaque one has",
       [&](World& w) {
         w.set(c, leaves);
         w.set(c - glm::ivec3(0, 1, 0), stone);
       },
       {unit(3, c, 0x0F, texture_of(leaves, 3))},
       3},
      {"billboards are open",
       [&](World& w) {
         w.set(c, flower);
         w.set(c - glm::ivec3(0, 1, 0), stone);
         w.light(c, 0x05);
       },
       {unit(3, c - glm::ivec3(0, 1, 0), 0x05, 35)},
       3},
      {"a painted face shows the paint's layer",
       [&](World& w) {
         w.set(c, stone);
         w.paint(c, 3, dirt);
         w.paint(c, 2, grass); // an animated range shows its frame 1
       },
       {unit(0, c, 0x0F, 32), unit(1, c, 0x0F, 33), unit(2, c, 0x0F, texture_of(grass, 2) + 1),
        unit(3, c, 0x0F, texture_of(dirt, 3)), unit(4, c, 0x0F, 36), unit(5, c, 0x0F, 37)}},
      {"untextured faces keep a layer past any array",
       [&](World& w) { w.set(c, bare); },
       {unit(3, c, 0x0F, Tex_range::layer_mask)},
       3},
      {"toward a missing page nothing is drawn",
       [](World& w) {
         w.wmap.erase({-1, 0, 0});
         w.set({0, 3, 3}, stone);
       },
       {unit(1, {0, 3, 3}, 0x0F, 33), unit(2, {0, 3, 3}, 0x0F, 34), unit(3, {0, 3, 3}, 0x0F, 35),
        unit(4, {0, 3, 3}, 0x0F, 36), unit(5, {0, 3, 3}, 0x0F, 37)}},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.name);
    World w = World::open();
    k.build(w);
    Cube_mesh_data const m = w.low();
    expect_well_formed(m);
    std::vector<Q> got = stated(m);
    if (k.only_side >= 0) std::erase_if(got, [&](Q const& q) { return q.side != k.only_side; });
    std::vector<Q> expected = k.expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
  }
}
