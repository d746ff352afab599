// Cell and mob scripts run from the cursor.
#include "game/interact.hpp"

#include "support/play_world.hpp"

#include <gtest/gtest.h>

#include <optional>

using namespace play_test;

namespace {

using Kind = Raycast_result::Kind;

// Cell and mob types with every kind of interact script, and a world with
// one cell of each kind in a row from x = 0 and one mob of each kind.
struct Scripted {
  Cell_id yes = cell_kind("play.lever", Cell_collision::solid);
  Cell_id no = cell_kind("play.stuck", Cell_collision::solid);
  Cell_id plain = cell_kind("play.rock", Cell_collision::solid);
  Mob_id mob_yes = mob_db()["play.friend"].id;
  Mob_id mob_no = mob_db()["play.grump"].id;
  Mob_id mob_plain = mob_db()["play.rabbit"].id;

  Scripted() {
    cell_db()[yes].interact = script("return seen2(@0, @1)");
    cell_db()[yes].callback = script("return seen2(@1, @0)");
    cell_db()[no].interact = script("return 0");
    mob_db()[mob_yes].interact = script("return @0");
    mob_db()[mob_no].interact = script("return 0");
  }
};
Scripted const& scripted() {
  static Scripted const s;
  return s;
}

Raycast_result cell_at(glm::ivec3 c) {
  Raycast_result r;
  r.kind = Kind::cell;
  r.cell = c;
  r.adjacent = c + glm::ivec3(0, 0, -1);
  r.face = Face::f;
  return r;
}

Raycast_result mob_of(Mob const& m) {
  Raycast_result r;
  r.kind = Kind::mob;
  r.mob = m.ref();
  return r;
}

} // namespace

TEST(Interact, CellScriptsAnswerByTheirTruth) {
  Scripted const& s = scripted();
  Small_world w;
  w.set({0, 0, 0}, s.yes);
  w.set({1, 0, 0}, s.no);
  w.set({2, 0, 0}, s.plain);
  w.set({3, 0, 0}, 0);
  struct Case {
    char const* name;
    glm::ivec3 cell;
    bool interactive;
    std::optional<bool> answer;
  } const cases[] = {
      {"a script that says yes", {0, 0, 0}, true, true},
      {"a script that says no", {1, 0, 0}, true, false},
      {"no script", {2, 0, 0}, false, std::nullopt},
      {"id 0", {3, 0, 0}, false, std::nullopt},
      {"a page not loaded", {40, 0, 0}, false, std::nullopt},
  };
  for (auto const& c : cases) {
    Raycast_result r = cell_at(c.cell);
    EXPECT_EQ(is_interactive(w.wmap, r), c.interactive) << c.name;
    EXPECT_EQ(run_cell_script(&Cell_type::interact, w.wmap, r.cell, r.adjacent), c.answer) << c.name;
  }
  // The script is handed the hit cell, then the cell in front of the face.
  run_cell_script(&Cell_type::interact, w.wmap, {0, 0, 0}, {0, 0, -1});
  ASSERT_EQ(seen().args.size(), 2u);
  EXPECT_EQ(seen().args[0].get<glm::ivec3>(), glm::ivec3(0, 0, 0));
  EXPECT_EQ(seen().args[1].get<glm::ivec3>(), glm::ivec3(0, 0, -1));
  // A callback is its own script over the same arguments.
  EXPECT_EQ(run_cell_script(&Cell_type::callback, w.wmap, {0, 0, 0}, {0, 0, -1}), true);
  EXPECT_EQ(seen().args[0].get<glm::ivec3>(), glm::ivec3(0, 0, -1));
  EXPECT_EQ(run_cell_script(&Cell_type::callback, w.wmap, {1, 0, 0}, {1, 0, -1}), std::nullopt);
}

TEST(Interact, MobScriptsAndMobsThatAreGone) {
  Scripted const& s = scripted();
  Small_world w;
  struct Case {
    char const* name;
    Mob_id type;
    bool interactive;
    std::optional<bool> answer;
  } const cases[] = {
      {"a script answering with its mob", s.mob_yes, true, true},
      {"a script that says no", s.mob_no, true, false},
      {"no script", s.mob_plain, false, std::nullopt},
  };
  for (auto const& c : cases) {
    Mob& m = w.add_mob({0.5f, 0.5f, 0.5f});
    m.type = c.type;
    EXPECT_EQ(is_interactive(w.wmap, mob_of(m)), c.interactive) << c.name;
    EXPECT_EQ(run_mob_script(&Mob_type::interact, m), c.answer) << c.name;
  }
  Raycast_result gone;
  {
    Mob m;
    m.type = s.mob_yes;
    gone = mob_of(m);
  }
  EXPECT_FALSE(is_interactive(w.wmap, gone));
  EXPECT_FALSE(is_interactive(w.wmap, Raycast_result{}));
}
