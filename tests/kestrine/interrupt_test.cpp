// Stopping scripts that run on: a requested interrupt and a time budget.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

#include "support/set_clock.hpp"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace kestrine {
namespace {

using namespace std::chrono_literals;

// Scripts that never end by themselves. "down" runs the script it is
// called from again, at most `max_depth` deep: a recursion that goes on for
// ever without passing the depth limit.
struct Runaway {
  char const* what;
  char const* text;
} const runaways[] = {
    {"an endless loop", "while 1:\n    x = 1\n"},
    {"an endless recursion", "down()\ndown()\n"},
    {"a long string-building loop", "s = \"\"\ni = 0\nwhile i < 1000000000:\n    s = s + \"abc\"\n    i = i + 1\n"},
};

struct Recursing {
  static constexpr int max_depth = 40;
  Scope scope;
  int depth = 0;
  int deepest = 0;
  std::unique_ptr<Standalone> script;

  explicit Recursing(char const* text) {
    scope.add("down", Val(Fun([this] {
                if (depth == max_depth) return;
                ++depth;
                deepest = std::max(deepest, depth);
                struct Leave {
                  int& d;
                  ~Leave() { --d; }
                } leave{depth};
                (*script)();
              })));
    script = std::make_unique<Standalone>(scope, text);
  }
};

// The error that running the script raised, with its cause.
struct Stop {
  bool stopped = false;
  Interrupted::Cause cause{};
  std::string message;
};

Stop run(Standalone const& script, Int arg = 0) {
  Val a(arg);
  try {
    script(&a, 1);
  } catch (Interrupted const& e) {
    return {true, e.cause(), e.what()};
  }
  return {};
}

// The seconds that a budget's message names: the stopped run's own, and
// the period's (-1 when it names none); both -1 for another message.
struct Said {
  double own = -1, period = -1;
};

Said seconds_in(std::string const& message) {
  std::smatch m;
  static std::regex const form(
      R"(script ran too long: stopped after (\d+\.\d) s(?: \(the frame's scripts: (\d+\.\d) s\))?)");
  if (!std::regex_match(message, m, form)) return {};
  return {std::stod(m[1]), m[2].matched ? std::stod(m[2]) : -1};
}

TEST(Interrupt, StopsRunawayScriptsWhenRequested) {
  for (auto const& r : runaways) {
    Recursing env(r.text);
    std::thread requester([] {
      std::this_thread::sleep_for(30ms);
      request_interrupt();
    });
    Stop stop = run(*env.script);
    requester.join();
    EXPECT_TRUE(stop.stopped) << r.what;
    EXPECT_EQ(stop.cause, Interrupted::Cause::request) << r.what;
    EXPECT_EQ(stop.message, "script interrupted") << r.what;
    EXPECT_EQ(env.depth, 0) << r.what;
    // The request is used up: the same script runs again until stopped anew.
    Budget budget(50ms);
    EXPECT_EQ(run(*env.script).cause, Interrupted::Cause::budget) << r.what;
  }
}

TEST(Interrupt, OnTheSteadyClockRunawaysStopAndShortScriptsFinish) {
  // The one test of the budget on real time: whatever the load, a runaway
  // is stopped only late, and a short script is far within an hour.
  for (auto const& r : runaways) {
    Recursing env(r.text);
    Budget budget(100ms);
    Stop stop = run(*env.script);
    EXPECT_TRUE(stop.stopped) << r.what;
    EXPECT_EQ(stop.cause, Interrupted::Cause::budget) << r.what;
    // A run alone: its own time, no period's.
    EXPECT_GE(seconds_in(stop.message).own, 0.1) << r.what << ": " << stop.message;
    EXPECT_EQ(seconds_in(stop.message).period, -1) << r.what << ": " << stop.message;
    EXPECT_EQ(env.depth, 0) << r.what;
    if (r.text[0] == 'd') {
      EXPECT_EQ(env.deepest, Recursing::max_depth);
    }
  }
  Scope scope;
  Budget budget(1h);
  EXPECT_EQ(eval(scope, "t = 0\nfor i in [1, 2, 3]:\n    t = t + i\nreturn t\n"), Val(Int{6}));
}

TEST(Interrupt, ConsoleGoesOnAfterAStop) {
  Scope scope;
  Interactive console;
  EXPECT_EQ(console(scope, "x = 5"), Val(Int{5}));
  {
    Budget budget(60ms);
    EXPECT_THROW(console(scope, "while 1:\n    x = x + 1\n"), Interrupted);
  }
  EXPECT_EQ(console(scope, "1 + 2"), Val(Int{3}));
  EXPECT_EQ(console(scope, "x > 5"), Val(true)); // the loop's stores stay done
}

TEST(Interrupt, TheWatchdogLooksAtTheBudgetsClock) {
  // The run naps past a tick of its clock, then loops until a poll after
  // the nap: only the watchdog makes it look, and the clock then decides.
  struct Case {
    char const* what;
    Int nap;          // of a limit of 1 s
    bool request;     // the poll requests a stop, as the game's does on a close
    char const* stop; // "": the run ends by itself
  } const cases[] = {
      {"within the limit it is polled and ends", 500, false, ""},
      {"at the limit it is stopped", 1000, false, "script ran too long: stopped after 1.0 s"},
      {"a poll may request the stop", 500, true, "script interrupted"},
  };
  for (auto const& c : cases) {
    Set_clock clock;
    Scope scope;
    clock.add_to(scope);
    Int polls = 0;
    scope.add("polls", Val(Fun([&polls] { return polls; })));
    Budget budget(
        1s,
        [&] {
          ++polls;
          if (c.request) request_interrupt();
        },
        clock.clock());
    ASSERT_LT(budget.tick(), std::chrono::milliseconds(c.nap));
    Standalone script(scope, "nap(@0)\nn = polls()\nwhile polls() == n:\n    x = 1\n");
    EXPECT_EQ(run(script, c.nap).message, c.stop) << c.what;
  }
}

// Scripts whose time is a set clock's, their argument's milliseconds of it:
// "busy" loops, spending a millisecond at a time and looking after each;
// "nap" spends it all in one call and ends without a look; "quick" makes one
// call and spends nothing.
struct Timed_scripts {
  Set_clock clock;
  Scope scope;
  std::unique_ptr<Standalone> busy, nap, quick;

  Timed_scripts() {
    clock.add_to(scope);
    busy = std::make_unique<Standalone>(scope, "i = 0\nwhile i < @0:\n    spend(1)\n    i = i + 1\n");
    nap = std::make_unique<Standalone>(scope, "nap(@0)\n");
    quick = std::make_unique<Standalone>(scope, "x = 1\nnap(0)\n");
  }
};

TEST(Interrupt, RunsOfOnePeriodShareTheLimit) {
  enum Period { same, fresh, inner }; // before the step: go on, a new period, one more opened inside
  struct Step {
    std::unique_ptr<Standalone> Timed_scripts::*script;
    Int ms;
    Period period;
    char const* stop; // "": the run ends by itself
  };
  constexpr auto busy = &Timed_scripts::busy, nap = &Timed_scripts::nap, quick = &Timed_scripts::quick;
  struct Case {
    char const* what;
    bool periods;
    std::vector<Step> steps;
  } const cases[] = {
      {"the run that reaches the period's limit is stopped there",
       true, {{busy, 350, same, ""}, {busy, 350, same, ""},
              {busy, 800, same, "script ran too long: stopped after 0.3 s (the frame's scripts: 1.0 s)"}}},
      {"a millisecond short of the limit the runs finish",
       true, {{busy, 350, same, ""}, {busy, 649, same, ""}, {quick, 0, same, ""},
              {busy, 1, same, "script ran too long: stopped after 0.0 s (the frame's scripts: 1.0 s)"}}},
      {"without a period each run has the whole limit",
       false, {{busy, 350, same, ""}, {busy, 800, same, ""}, {busy, 999, same, ""},
               {busy, 1500, same, "script ran too long: stopped after 1.0 s"}}},
      {"a new period starts afresh",
       true, {{busy, 700, same, ""}, {busy, 700, fresh, ""}, {busy, 700, fresh, ""}}},
      {"a first period does not count the runs before it",
       false, {{busy, 700, same, ""}, {busy, 700, fresh, ""}}},
      {"runs well inside the limit all finish",
       true, {{busy, 100, same, ""}, {quick, 0, same, ""}, {busy, 100, same, ""}, {nap, 100, same, ""},
              {busy, 100, same, ""}}},
      {"a run that starts with the period used up stops at its first look",
       true, {{nap, 1100, same, ""},
              {quick, 0, same, "script ran too long: stopped after 0.0 s (the frame's scripts: 1.1 s)"},
              {quick, 0, fresh, ""}}},
      {"a period used up to the limit is used up",
       true, {{nap, 1000, same, ""},
              {quick, 0, same, "script ran too long: stopped after 0.0 s (the frame's scripts: 1.0 s)"}}},
      {"a period opened inside another is part of it",
       true, {{busy, 700, same, ""},
              {busy, 800, inner, "script ran too long: stopped after 0.3 s (the frame's scripts: 1.0 s)"}}},
  };
  for (auto const& c : cases) {
    Timed_scripts env;
    Budget budget(1s, {}, env.clock.clock());
    std::vector<std::unique_ptr<Budget::Period>> open;
    if (c.periods) open.push_back(std::make_unique<Budget::Period>(budget));
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      Step const& s = c.steps[i];
      if (s.period == fresh) open.clear();
      if (s.period != same) open.push_back(std::make_unique<Budget::Period>(budget));
      Stop const stop = run(*(env.*s.script), s.ms);
      EXPECT_EQ(stop.message, s.stop) << c.what << ", run " << i;
      if (stop.stopped) {
        EXPECT_EQ(stop.cause, Interrupted::Cause::budget) << c.what;
      }
    }
    while (!open.empty()) open.pop_back(); // innermost first
  }
}

TEST(Interrupt, NestedBudgetsKeepTheirOwnTime) {
  Timed_scripts env;
  Budget outer(1s, {}, env.clock.clock());
  Budget::Period frame(outer);
  EXPECT_FALSE(run(*env.busy, 600).stopped);
  {
    // The newest budget counts, a run at a time: the outer period's time is
    // not its own.
    Budget inner(1s, {}, env.clock.clock());
    EXPECT_FALSE(run(*env.busy, 600).stopped);
    EXPECT_FALSE(run(*env.busy, 600).stopped);
  }
  // Back to the outer period, which the inner budget's runs left alone.
  EXPECT_EQ(run(*env.busy, 800).message, "script ran too long: stopped after 0.4 s (the frame's scripts: 1.0 s)");
}

TEST(Interrupt, ScriptsRunInsideARunCountOnce) {
  // "inner" runs the busy script: a run inside its caller's, counted with
  // the caller's and not again.
  Timed_scripts env;
  env.scope.add("inner", Val(Fun([&env](Int ms) {
                  Val arg(ms);
                  (*env.busy)(&arg, 1);
                })));
  Standalone calls(env.scope, "i = 0\nwhile i < @0:\n    inner(250)\n    i = i + 1\n");
  Budget budget(1s, {}, env.clock.clock());
  {
    Budget::Period frame(budget);
    EXPECT_EQ(run(calls, 3).message, "");
    EXPECT_EQ(run(*env.busy, 249).message, ""); // 999 ms in all
  }
  // Inner runs that each end well within the limit add up in the outer one.
  EXPECT_EQ(run(calls, 8).message, "script ran too long: stopped after 1.0 s");
}

TEST(Interrupt, NamingAFailedScriptKeepsWhatItWas) {
  struct Case {
    char const* what;
    std::function<void()> raise;
    std::optional<Interrupted::Cause> cause; // none: not a stop
    char const* message;
  } const cases[] = {
      {"a requested stop", [] { throw Interrupted(Interrupted::Cause::request, "script interrupted"); },
       Interrupted::Cause::request, "mob a.b, update script: script interrupted"},
      {"a stop at the budget", [] { throw Interrupted(Interrupted::Cause::budget, "script ran too long"); },
       Interrupted::Cause::budget, "mob a.b, update script: script ran too long"},
      {"a script error", [] { throw std::invalid_argument("bad cast"); }, std::nullopt,
       "mob a.b, update script: bad cast"},
  };
  for (auto const& c : cases) {
    try {
      try {
        c.raise();
      } catch (...) {
        rethrow_naming("mob a.b, update script");
      }
    } catch (Interrupted const& e) {
      EXPECT_EQ(c.cause, e.cause()) << c.what;
      EXPECT_STREQ(e.what(), c.message) << c.what;
    } catch (std::runtime_error const& e) {
      EXPECT_FALSE(c.cause) << c.what;
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
  }
  // What is no standard error can't be named: it goes on as it was.
  EXPECT_THROW(
      {
        try {
          throw 7;
        } catch (...) {
          rethrow_naming("x");
        }
      },
      int);
}

} // namespace
} // namespace kestrine
