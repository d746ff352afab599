#include "game/teleport.hpp"

#include "support/small_scene.hpp"

#include <gtest/gtest.h>

#include <optional>

namespace {

Raycast_result cell_hit(glm::ivec3 cell, glm::ivec3 adjacent) {
  Raycast_result r;
  r.kind = Raycast_result::Kind::cell;
  r.cell = cell;
  r.adjacent = adjacent;
  return r;
}

Raycast_result mob_hit(Mob const* mob) {
  Raycast_result r;
  r.kind = Raycast_result::Kind::mob;
  if (mob) r.mob = mob->ref();
  return r;
}

} // namespace

TEST(Teleport, LandsOnTheColumnOfWhatTheRayMetAtItsSunlightLevel) {
  Small_scene s;
  s.load_flat({0, -1}, 20);
  s.load_flat({-1, 0}, -7);
  Mob* mob = s.scene.mobs.construct(mob_db()["teleport_test.hopper"].id, {-0.5f, 7.2f, 4.9f});
  float const h = 0.9f;
  struct Case {
    char const* what;
    Raycast_result hit;
    std::optional<glm::vec3> target;
  } const cases[] = {
      {"the cell in front of the face", cell_hit({3, 30, -1}, {3, 31, -2}), glm::vec3(3.5f, 20 + h, -1.5f)},
      {"a mob's column, floored", mob_hit(mob), glm::vec3(-0.5f, -7 + h, 4.5f)},
      {"a column whose flat page is not loaded", cell_hit({20, 0, 20}, {21, 0, 20}), std::nullopt},
      {"nothing", Raycast_result(), std::nullopt},
      {"a mob kind without a mob", mob_hit(nullptr), std::nullopt},
  };
  for (auto const& c : cases) EXPECT_EQ(teleport_target(s.scene, c.hit, h), c.target) << c.what;
}
