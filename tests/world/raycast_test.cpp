// Picking cells and mobs along a ray.
#include "world/raycast.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>
#include <limits>

#include "support/hand_world.hpp"

namespace {

using namespace hand_world;
using Kind = Raycast_result::Kind;

TEST(Raycast, Cells) {
  auto const& c = cells();
  float const nan = std::numeric_limits<float>::quiet_NaN();
  glm::ivec3 const at(5, 5, 5);
  struct Case {
    char const* name;
    std::vector<std::pair<glm::ivec3, Cell_id>> cells; // their pages are loaded, no others
    glm::vec3 origin, vector;
    Kind kind;
    glm::ivec3 cell{0}, adjacent{0};
    Face face = Face::l;
  } const cases[] = {
      {"shorter than a sixteenth", {{at, c.stone}}, {5.5f, 6.05f, 5.5f}, {0, -0.06f, 0}, Kind::nothing},
      {"onto the top of a cell", {{at, c.stone}}, {5.5f, 8.5f, 5.5f}, {0, -5, 0}, Kind::cell, at, {5, 6, 5}, Face::u},
      {"from inside a cell to the next", {{at, c.stone}, {{6, 5, 5}, c.stone}}, {5.5f, 5.5f, 5.5f}, {3, 0, 0},
       Kind::cell, {6, 5, 5}, at, Face::l},
      {"into a small hit box", {{at, c.flower}}, {2.5f, 5.5f, 5.5f}, {5, 0, 0}, Kind::cell, at, {4, 5, 5}, Face::l},
      {"beside a small hit box", {{at, c.flower}}, {2.5f, 5.5f, 5.1f}, {5, 0, 0}, Kind::nothing},
      {"liquid stops rays", {{at, c.water}}, {5.5f, 5.5f, 9.5f}, {0, 0, -6}, Kind::cell, at, {5, 5, 6}, Face::b},
      {"through mist and an unloaded page to glass", {{at, c.mist}, {{33, 5, 5}, c.glass}}, {4.5f, 5.5f, 5.5f},
       {30, 0, 0}, Kind::cell, {33, 5, 5}, {32, 5, 5}, Face::l},
      {"a ray of NaN", {{at, c.stone}}, {5.5f, 8.5f, 5.5f}, {0, nan, 0}, Kind::nothing},
      {"an endless ray", {{at, c.stone}}, {5.5f, 8.5f, 5.5f}, {0, -1e30f, 0}, Kind::nothing},
      {"from nowhere", {{at, c.stone}}, {5.5f, INFINITY, 5.5f}, {0, -5, 0}, Kind::nothing},
  };
  for (auto const& k : cases) {
    SCOPED_TRACE(k.name);
    World w;
    for (auto [cell, id] : k.cells) {
      if (!w.wmap.find(page_of(cell))) w.load(page_of(cell));
      w.set(cell, id);
    }
    Raycast_result r = raycast(w.scene, k.origin, k.vector);
    ASSERT_EQ(r.kind, k.kind);
    if (k.kind != Kind::cell) continue;
    EXPECT_EQ(r.cell, k.cell);
    EXPECT_EQ(r.adjacent, k.adjacent);
    EXPECT_EQ(r.face, k.face);
  }
}

TEST(Raycast, AMobInFrontWinsButNeverThePlayer) {
  World w;
  w.load({0, 0, 0});
  w.set({9, 5, 5}, cells().stone);
  Mob_id const kind = mob_type("hand.target", {0.3f, 0.5f}, false);
  Mob* player = w.scene.mobs.construct(kind, {3.5f, 5.5f, 5.5f});
  Mob* target = w.scene.mobs.construct(kind, {6.5f, 5.5f, 5.5f});
  w.scene.player = player;
  w.scene.mobs.keep = player;
  w.scene.mobs.resort_mobs(w.scene);

  Raycast_result hit = raycast(w.scene, {1.5f, 5.5f, 5.5f}, {10, 0, 0});
  ASSERT_EQ(hit.kind, Kind::mob);
  EXPECT_EQ(hit.mob.get(), target);
  // A result kept after its mob is gone holds no mob.
  target->body.flags |= Body::erased;
  w.scene.mobs.resort_mobs(w.scene);
  EXPECT_FALSE(hit.mob);
  Raycast_result cell = raycast(w.scene, {1.5f, 5.5f, 5.5f}, {10, 0, 0});
  EXPECT_EQ(cell.kind, Kind::cell);
  EXPECT_EQ(cell.cell, glm::ivec3(9, 5, 5));
}

} // namespace
