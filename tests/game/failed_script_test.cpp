// A pack script that fails says which script it was: the log at the game's
// end then names it. A stop keeps its cause, so that a quit request that
// stopped a script still ends the game through the saving exit.
#include "content/item_db.hpp"
#include "game/edit.hpp"
#include "game/interact.hpp"
#include "support/play_world.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
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
  // Scripts that each stay within the budget alone: an item's use that
  // lasts 0.3 s, then a mob's update that would run on.
  kestrine::Scope scope;
  auto const start = std::chrono::steady_clock::now();
  scope.add("clock", kestrine::Val(kestrine::Fun([start] {
              return kestrine::Int{std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count()};
            })));
  Item_type& slow = item_db()["failing.slow_stick"];
  slow.use = std::make_unique<kestrine::Standalone>(scope, "s = clock()\nwhile clock() - s < 300:\n    x = 1\n");
  Mob_type& runner = mob_db()["failing.runner"];
  runner.update = std::make_unique<kestrine::Standalone>(scope, "s = clock()\nwhile clock() - s < 400:\n    x = 1\n");
  Small_world w;
  Mob mob(runner, {3.5f, 1.0f, 3.5f});
  std::int32_t delay = 0;
  Raycast_result const on_floor{Raycast_result::Kind::cell, {-2, -1, 2}, {-2, 0, 2}, Face::u, {}};

  kestrine::Budget budget(500ms);
  kestrine::Budget::Period frame(budget);
  Raised const use = raised_by([&] { paint(w.wmap, nullptr, on_floor, slow.id, delay); });
  EXPECT_EQ(use.message, "");
  Raised const update = raised_by([&] { mob.update(); });
  EXPECT_EQ(update.cause, kestrine::Interrupted::Cause::budget);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(update.message, m,
                               std::regex(R"(mob failing\.runner, update script: script ran too long: )"
                                          R"(stopped after (\d+\.\d) s \(the frame's scripts: (\d+\.\d) s\))")))
      << update.message;
  double const own = std::stod(m[1]), total = std::stod(m[2]);
  EXPECT_GE(total, 0.5) << update.message;
  // The item's use is in the total, not in the mob's own time.
  EXPECT_LT(own, 0.4) << update.message;
  EXPECT_GE(total - own, 0.25) << update.message;
}
