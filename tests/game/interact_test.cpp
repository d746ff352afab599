// Cell and mob scripts run from the cursor.
#include "game/interact.hpp"

#include "support/play_world.hpp"

#include <gtest/gtest.h>

#include <optional>

using namespace play_test;

TEST(Interact, ScriptsAnswerByTheirTruth) {
  Cell_id lever = cell_kind("play.lever", Cell_collision::solid);
  Cell_id stuck = cell_kind("play.stuck", Cell_collision::solid);
  cell_db()[lever].interact = script("return seen2(@0, @1)");
  cell_db()[lever].callback = script("return seen2(@1, @0)");
  cell_db()[stuck].interact = script("return 0");
  Mob_type& friendly = mob_db()["play.friend"];
  friendly.interact = script("return @0");
  Small_world w({{{0, 0, 0}, lever}, {{1, 0, 0}, stuck}, {{2, 0, 0}, 0}});

  struct Case { char const* name; glm::ivec3 cell; std::optional<bool> answer;
  } const cases[] = { // nothing: not interactive
      {"says yes", {0, 0, 0}, true}, {"says no", {1, 0, 0}, false},   {"no script", {0, -1, 0}, std::nullopt},
      {"id 0", {2, 0, 0}, std::nullopt}, {"a page not loaded", {40, 0, 0}, std::nullopt},
  };
  for (auto const& c : cases) {
    Raycast_result r{Raycast_result::Kind::cell, c.cell, c.cell - glm::ivec3(0, 0, 1), Face::f, {}};
    EXPECT_EQ(is_interactive(w.wmap, r), c.answer.has_value()) << c.name;
    EXPECT_EQ(run_cell_script(&Cell_type::interact, w.wmap, r.cell, r.adjacent), c.answer) << c.name;
  }
  EXPECT_EQ(seen().args.size(), 2u);
  EXPECT_EQ(seen().args[1].get<glm::ivec3>(), glm::ivec3(0, 0, -1)) << "the hit cell, then the one in front";
  EXPECT_EQ(run_cell_script(&Cell_type::callback, w.wmap, {0, 0, 0}, {0, 0, -1}), true);
  EXPECT_EQ(seen().args[0].get<glm::ivec3>(), glm::ivec3(0, 0, -1)) << "the callback is its own script";

  Mob& m = w.add_mob({3.5f, 1.0f, 3.5f});
  m.type = friendly.id;
  Raycast_result on_mob{Raycast_result::Kind::mob, {}, {}, Face::l, m.ref()};
  EXPECT_TRUE(is_interactive(w.wmap, on_mob));
  EXPECT_EQ(run_mob_script(&Mob_type::interact, m), true);
  EXPECT_EQ(run_mob_script(&Mob_type::callback, m), std::nullopt);
  w.mobs.clear();
  EXPECT_FALSE(is_interactive(w.wmap, on_mob)) << "a mob that is gone";
}
