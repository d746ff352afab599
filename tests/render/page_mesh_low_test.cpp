// Low-detail faces merged into rectangles; which faces there are is the
// random check's.
#include "support/mesh_world.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace mesh;

namespace {

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
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.name);
    World w = World::open();
    k.build(w);
    Cube_mesh_data const m = w.low();
    expect_low_detail_quads(m);
    std::vector<Q> got = stated(m);
    if (k.only_side >= 0) std::erase_if(got, [&](Q const& q) { return q.side != k.only_side; });
    std::vector<Q> expected = k.expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
  }
}
