// Low-detail faces merged into rectangles; which faces there are, and their
// light and layer cell by cell, is the random check's.
#include "support/mesh_world.hpp"

#include <gtest/gtest.h>

#include <functional>

using namespace mesh;

TEST(LowDetailMesh, RectanglesMergeWhileLightAndLayerMatch) {
  // A 16 x 16 stone floor at y = 0 over a stone page, under air of light 0x0F.
  auto const floor = [](World& w) { w.page({0, -1, 0}, stone), w.box({0, 0, 0}, {15, 0, 15}, stone); };
  int const top = texture_of(stone, 3);
  std::vector<Q> const whole_floor{
      {0, {0, 0, 0}, {0, 0, 15}, 0x0F, texture_of(stone, 0)}, {1, {15, 0, 0}, {15, 0, 15}, 0x0F, texture_of(stone, 1)},
      {3, {0, 0, 0}, {15, 0, 15}, 0x0F, top},                 {4, {0, 0, 0}, {15, 0, 0}, 0x0F, texture_of(stone, 4)},
      {5, {0, 0, 15}, {15, 0, 15}, 0x0F, texture_of(stone, 5)}};
  struct Case {
    char const* what;
    std::function<void(World&)> build;
    std::vector<Q> expected;
    unsigned sides = 0x3F; // bit s: compare the quads of side s
  } const cases[] = {
      {"a full layer is one quad; its edges toward air one quad each", floor, whole_floor},
      {"one other light splits the layer",
       [&](World& w) { floor(w), w.light({5, 1, 5}, 0x3A); },
       {{3, {0, 0, 0}, {15, 0, 4}, 0x0F, top}, {3, {0, 0, 5}, {4, 0, 15}, 0x0F, top}, {3, {5, 0, 5}, {5, 0, 5}, 0x3A, top},
        {3, {6, 0, 5}, {15, 0, 15}, 0x0F, top}, {3, {5, 0, 6}, {5, 0, 15}, 0x0F, top}},
       0b1000},
      {"other types with the same layer merge, also flipped",
       [&](World& w) {
         floor(w);
         for (int x = 0; x < 16; x += 2) w.box({x, 0, 0}, {x, 0, 15}, stone_flip);
       },
       whole_floor},
      {"an L: the column run first, grown while the whole run matches",
       [](World& w) { w.box({0, 5, 0}, {3, 5, 0}, stone), w.box({0, 5, 1}, {1, 5, 2}, stone); },
       {{3, {0, 5, 0}, {3, 5, 0}, 0x0F, top}, {3, {0, 5, 1}, {1, 5, 2}, 0x0F, top}},
       0b1000},
      {"the sea under air: its surface is one quad",
       [](World& w) {
         for (int i = 0; i < 27; ++i)
           if (around(i).y < 1) w.page(around(i), water, 0x0C);
       },
       {{3, {0, 15, 0}, {15, 15, 15}, 0x0F, texture_of(water, 3)}}},
      {"no face between water cells; stone under water keeps its face, lit through the water",
       [](World& w) { w.box({5, 5, 5}, {6, 5, 5}, water), w.set({5, 4, 5}, stone), w.light({5, 5, 5}, 0x3A); },
       {{0, {5, 5, 5}, {5, 5, 5}, 0x0F, texture_of(water, 0)},
        {1, {6, 5, 5}, {6, 5, 5}, 0x0F, texture_of(water, 1)},
        {2, {6, 5, 5}, {6, 5, 5}, 0x0F, texture_of(water, 2)},
        {3, {5, 5, 5}, {6, 5, 5}, 0x0F, texture_of(water, 3)},
        {4, {5, 5, 5}, {6, 5, 5}, 0x0F, texture_of(water, 4)},
        {5, {5, 5, 5}, {6, 5, 5}, 0x0F, texture_of(water, 5)},
        {0, {5, 4, 5}, {5, 4, 5}, 0x0F, texture_of(stone, 0)},
        {1, {5, 4, 5}, {5, 4, 5}, 0x0F, texture_of(stone, 1)},
        {2, {5, 4, 5}, {5, 4, 5}, 0x0F, texture_of(stone, 2)},
        {3, {5, 4, 5}, {5, 4, 5}, 0x3A, texture_of(stone, 3)},
        {4, {5, 4, 5}, {5, 4, 5}, 0x0F, texture_of(stone, 4)},
        {5, {5, 4, 5}, {5, 4, 5}, 0x0F, texture_of(stone, 5)}}},
      {"water shows toward a flower, not toward stone or glass; they show toward it",
       [](World& w) {
         w.box({4, 5, 5}, {4, 5, 6}, water), w.set({3, 5, 5}, flower), w.set({3, 5, 6}, stone);
         w.box({5, 5, 5}, {5, 5, 6}, glass);
       },
       {{0, {4, 5, 5}, {4, 5, 5}, 0x0F, texture_of(water, 0)},
        {0, {3, 5, 6}, {3, 5, 6}, 0x0F, texture_of(stone, 0)},
        {1, {3, 5, 6}, {3, 5, 6}, 0x0F, texture_of(stone, 1)},
        {0, {5, 5, 5}, {5, 5, 6}, 0x0F, texture_of(leaves, 0)},
        {1, {5, 5, 5}, {5, 5, 6}, 0x0F, texture_of(leaves, 1)}},
       0b11},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.what);
    World w = World::open();
    k.build(w);
    std::vector<Q> got = low_detail_quads(w.low()), expected = k.expected;
    std::erase_if(got, [&](Q const& q) { return !(k.sides >> q.side & 1); });
    std::erase_if(expected, [&](Q const& q) { return !(k.sides >> q.side & 1); });
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
  }
}
