// A pack script that fails says which script it was: the log at the game's
// end then names it. A stop keeps its cause, so that a quit request that
// stopped a script still ends the game through the saving exit.
#include "content/item_db.hpp"
#include "game/edit.hpp"
#include "game/interact.hpp"
#include "support/play_world.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

using namespace play_test;

namespace {

struct Raised {
  std::optional<kestrine::Interrupted::Cause> cause; // none: not a stop
  std::string message;                                // empty: nothing raised
};

Raised raised_by(std::function<void()> const& f) {
  try {
    f();
  } catch (kestrine::Interrupted const& e) {
    return {e.cause(), e.what()};
  } catch (std::exception const& e) {
    return {std::nullopt, e.what()};
  }
  return {};
}

} // namespace

TEST(Failed_script, TheErrorNamesTheScript) {
  Cell_id box = cell_kind("failing.box", Cell_collision::solid);
  cell_db()[box].interact = script("return 1 + null");
  cell_db()[box].callback = script("while 1:\n    x = 1\n");
  Mob_type& critter = mob_db()["failing.critter"];
  critter.interact = script("return 1 + null");
  critter.update = script("return 1 + null");
  Item_type& stick = item_db()["failing.stick"];
  stick.use = script("return 1 + null");
  Small_world w({{{0, 2, -1}, box}});
  Mob mob(critter, {3.5f, 1.0f, 3.5f});
  std::int32_t delay = 0;
  Raycast_result const on_floor{Raycast_result::Kind::cell, {-2, -1, 2}, {-2, 0, 2}, Face::u, {}};

  using Cause = kestrine::Interrupted::Cause;
  struct Case {
    char const* what;
    std::function<void()> run;
    std::optional<Cause> cause;
    char const* message;
  } const cases[] = {
      {"a cell's interact script", [&] { run_cell_script(&Cell_type::interact, w.wmap, {0, 2, -1}, {0, 2, 0}); },
       std::nullopt, "cell failing.box at [0,2,-1], interact script: bad cast"},
      {"a mob's interact script", [&] { run_mob_script(&Mob_type::interact, mob); }, std::nullopt,
       "mob failing.critter, interact script: bad cast"},
      {"a mob's update script", [&] { mob.update(); }, std::nullopt, "mob failing.critter, update script: bad cast"},
      {"an item's use script", [&] { paint(w.wmap, nullptr, on_floor, stick.id, delay); }, std::nullopt,
       "item failing.stick, use script: bad cast"},
      {"a cell's callback stopped by a quit request",
       [&] {
         kestrine::request_interrupt();
         run_cell_script(&Cell_type::callback, w.wmap, {0, 2, -1}, {0, 2, 0});
       },
       Cause::request, "cell failing.box at [0,2,-1], callback script: script interrupted"},
  };
  for (auto const& c : cases) {
    Raised r = raised_by(c.run);
    EXPECT_EQ(r.cause, c.cause) << c.what;
    EXPECT_EQ(r.message, c.message) << c.what;
  }
}
