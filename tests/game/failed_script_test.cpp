// A pack script that fails says which script it was: the log at the game's
// end then names it. A stop keeps its cause, so that a quit request that
// stopped a script still ends the game through the saving exit.
#include "content/item_db.hpp"
#include "game/edit.hpp"
#include "game/interact.hpp"
#include "support/play_world.hpp"
#include "support/set_clock.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
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

TEST(Failed_script, ABudgetStopSaysItsOwnTimeAndTheFramesTotal) {
  using namespace std::chrono_literals;
  // Scripts that each stay within the budget alone, on a set clock: an
  // item's use that lasts 0.3 s, then a mob's update that would last 0.4 s.
  Set_clock clock;
  kestrine::Scope scope;
  clock.add_to(scope);
  Item_type& slow = item_db()["failing.slow_stick"];
  slow.use = std::make_unique<kestrine::Standalone>(scope, "i = 0\nwhile i < 300:\n    spend(1)\n    i = i + 1\n");
  Mob_type& runner = mob_db()["failing.runner"];
  runner.update = std::make_unique<kestrine::Standalone>(scope, "i = 0\nwhile i < 400:\n    spend(1)\n    i = i + 1\n");
  Small_world w;
  Mob mob(runner, {3.5f, 1.0f, 3.5f});
  std::int32_t delay = 0;
  Raycast_result const on_floor{Raycast_result::Kind::cell, {-2, -1, 2}, {-2, 0, 2}, Face::u, {}};

  kestrine::Budget budget(500ms, {}, clock.clock());
  kestrine::Budget::Period frame(budget);
  Raised const use = raised_by([&] { paint(w.wmap, nullptr, on_floor, slow.id, delay); });
  EXPECT_EQ(use.message, "");
  // The item's use is in the frame's total, not in the mob's own time.
  Raised const update = raised_by([&] { mob.update(); });
  EXPECT_EQ(update.cause, kestrine::Interrupted::Cause::budget);
  EXPECT_EQ(update.message, "mob failing.runner, update script: script ran too long: stopped after 0.2 s "
                            "(the frame's scripts: 0.5 s)");
}
