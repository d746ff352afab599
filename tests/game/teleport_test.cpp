#include "game/teleport.hpp"

#include "support/hand_world.hpp"

#include <gtest/gtest.h>

#include <optional>

TEST(Teleport, LandsOnTheColumnOfWhatTheRayMetAtItsSunlightLevel) {
  hand_world::World s;
  s.scene.fmap.pages.resize({4, 4});
  for (auto [page, sunlight] : {std::pair{glm::ivec2(0, -1), 20}, {glm::ivec2(-1, 0), -7}})
    for (auto& c : s.scene.fmap.pages.insert(page).columns) c.l4 = std::int16_t(sunlight);
  Mob* mob = s.scene.mobs.construct(mob_db()["teleport_test.hopper"].id, {-0.5f, 7.2f, 4.9f});
  using Kind = Raycast_result::Kind;
  auto hit = [](Kind kind, glm::ivec3 cell, glm::ivec3 adjacent, Mob const* m = nullptr) {
    return Raycast_result{kind, cell, adjacent, Face::u, m ? m->ref() : Mob_ref()};
  };
  float const h = 0.9f;
  struct Case { char const* what; Raycast_result hit; std::optional<glm::vec3> target; } const cases[] = {
      {"the cell in front of the face", hit(Kind::cell, {3, 30, -1}, {3, 31, -2}), glm::vec3(3.5f, 20 + h, -1.5f)},
      {"a mob's column, floored", hit(Kind::mob, {}, {}, mob), glm::vec3(-0.5f, -7 + h, 4.5f)},
      {"a column whose flat page is not loaded", hit(Kind::cell, {20, 0, 20}, {21, 0, 20}), std::nullopt},
      {"nothing", Raycast_result(), std::nullopt},
      {"a mob kind without a mob", hit(Kind::mob, {}, {}), std::nullopt},
  };
  for (auto const& c : cases) EXPECT_EQ(teleport_target(s.scene, c.hit, h), c.target) << c.what;
}
