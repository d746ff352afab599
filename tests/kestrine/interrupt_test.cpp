// Stopping scripts that run on: a requested interrupt and a time budget.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

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

Stop run(Standalone const& script) {
  try {
    script();
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

TEST(Interrupt, StopsRunawayScriptsAtTheBudget) {
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

TEST(Interrupt, ScriptsWithinTheBudgetFinish) {
  // A run that lasts past the watchdog's first look, which makes it poll,
  // and then ends by itself.
  int polls = 0;
  Scope scope;
  scope.add("polled", Val(Fun([&polls] { return polls > 0; })));
  Budget budget(1s, [&polls] { ++polls; });
  ASSERT_LT(budget.tick(), budget.limit());
  Standalone script(scope, "n = 0\nwhile !polled():\n    n = n + 1\nreturn n > 0\n");
  EXPECT_EQ(script(), Val(true));
  EXPECT_EQ(eval(scope, "t = 0\nfor i in [1, 2, 3]:\n    t = t + i\nreturn t\n"), Val(Int{6}));
}

TEST(Interrupt, APollMayRequestTheStop) {
  // As the game does when the window is closed during a long script.
  Scope scope;
  Budget budget(10s, [] { request_interrupt(); });
  Standalone script(scope, "while 1:\n    x = 1\n");
  Stop stop = run(script);
  EXPECT_EQ(stop.cause, Interrupted::Cause::request);
  EXPECT_EQ(stop.message, "script interrupted");
}

TEST(Interrupt, NestedRunsCountFromTheOutermost) {
  // Each inner run ends quickly, but the outer one keeps going.
  Scope scope;
  std::unique_ptr<Standalone> inner;
  scope.add("inner", Val(Fun([&inner] { (*inner)(); })));
  inner = std::make_unique<Standalone>(scope, "y = 1\n");
  Standalone outer(scope, "while 1:\n    inner()\n");
  Budget budget(80ms);
  EXPECT_EQ(run(outer).cause, Interrupted::Cause::budget);
}

// Scripts that last a given share of a budget's limit, timed by the host:
// "busy" loops (looking at every call of clock), "nap" sleeps inside one
// call and so passes the limit without looking, "quick" just makes one call.
struct Timed_scripts {
  std::chrono::milliseconds const limit;
  Scope scope;
  std::unique_ptr<Standalone> busy, nap, quick;

  explicit Timed_scripts(std::chrono::milliseconds limit_) : limit(limit_) {
    auto const start = std::chrono::steady_clock::now();
    scope.add("clock", Val(Fun([start] {
                using std::chrono::steady_clock;
                return Int{std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - start).count()};
              })));
    scope.add("sleep", Val(Fun([](Int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); })));
    busy = std::make_unique<Standalone>(scope, "s = clock()\nwhile clock() - s < @0:\n    x = 1\n");
    nap = std::make_unique<Standalone>(scope, "sleep(@0)\n");
    quick = std::make_unique<Standalone>(scope, "x = 1\nsleep(0)\n");
  }

  // Runs the script for its share of the limit.
  Stop run(Standalone const& script, double share) const {
    Val ms(Int(static_cast<double>(limit.count()) * share));
    try {
      script(&ms, 1);
    } catch (Interrupted const& e) {
      return {true, e.cause(), e.what()};
    }
    return {};
  }
};

TEST(Interrupt, RunsOfOnePeriodShareTheLimit) {
  enum Period { same, fresh, inner }; // before the step: go on, a new period, one more opened inside
  struct Step {
    std::unique_ptr<Standalone> Timed_scripts::*script;
    double share;
    Period period;
    bool stopped;
  };
  constexpr auto busy = &Timed_scripts::busy, nap = &Timed_scripts::nap, quick = &Timed_scripts::quick;
  struct Case {
    char const* what;
    bool periods;
    std::vector<Step> steps;
  } const cases[] = {
      {"the run that passes the period's limit is stopped",
       true, {{busy, 0.35, same, false}, {busy, 0.35, same, false}, {busy, 0.8, same, true}}},
      {"without a period each run has the whole limit",
       false, {{busy, 0.35, same, false}, {busy, 0.35, same, false}, {busy, 0.8, same, false}}},
      {"a new period starts afresh",
       true, {{busy, 0.7, same, false}, {busy, 0.7, fresh, false}, {busy, 0.7, fresh, false}}},
      {"a first period does not count the runs before it",
       false, {{busy, 0.7, same, false}, {busy, 0.7, fresh, false}}},
      {"runs well inside the limit all finish",
       true, {{busy, 0.1, same, false}, {quick, 0, same, false}, {busy, 0.1, same, false}, {nap, 0.1, same, false},
              {busy, 0.1, same, false}}},
      {"a run that starts with the period used up stops at its first look",
       true, {{nap, 1.1, same, false}, {quick, 0, same, true}, {quick, 0, fresh, false}}},
      {"a period opened inside another is part of it",
       true, {{busy, 0.7, same, false}, {busy, 0.8, inner, true}}},
  };
  for (auto const& c : cases) {
    Timed_scripts env(250ms);
    Budget budget(env.limit);
    std::vector<std::unique_ptr<Budget::Period>> open;
    if (c.periods) open.push_back(std::make_unique<Budget::Period>(budget));
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      Step const& s = c.steps[i];
      if (s.period == fresh) open.clear();
      if (s.period != same) open.push_back(std::make_unique<Budget::Period>(budget));
      Stop stop = env.run(*(env.*s.script), s.share);
      EXPECT_EQ(stop.stopped, s.stopped) << c.what << ", run " << i << ": " << stop.message;
      if (stop.stopped) {
        EXPECT_EQ(stop.cause, Interrupted::Cause::budget) << c.what;
        // The stopped run's own time, and the period's, which is more.
        Said const said = seconds_in(stop.message);
        EXPECT_GE(said.period, 0.25) << c.what << ": " << stop.message;
        EXPECT_GE(said.own, 0) << c.what << ": " << stop.message;
        EXPECT_LT(said.own, said.period) << c.what << ": " << stop.message;
      }
    }
    while (!open.empty()) open.pop_back(); // innermost first
  }
}

TEST(Interrupt, NestedBudgetsKeepTheirOwnTime) {
  Timed_scripts env(250ms);
  Budget outer(env.limit);
  Budget::Period frame(outer);
  EXPECT_FALSE(env.run(*env.busy, 0.6).stopped);
  {
    // The newest budget counts, a run at a time: the outer period's time is
    // not its own.
    Budget inner(env.limit);
    EXPECT_FALSE(env.run(*env.busy, 0.6).stopped);
    EXPECT_FALSE(env.run(*env.busy, 0.6).stopped);
  }
  // Back to the outer period, which the inner budget's runs left alone.
  Stop stop = env.run(*env.busy, 0.8);
  EXPECT_TRUE(stop.stopped);
  EXPECT_GE(seconds_in(stop.message).period, 0.25) << stop.message;
  EXPECT_LT(seconds_in(stop.message).own, seconds_in(stop.message).period) << stop.message;
}

TEST(Interrupt, ScriptsRunInsideARunCountOnce) {
  Timed_scripts env(250ms);
  env.scope.add("inner", Val(Fun([&env] {
                  Val ms(Int(env.limit.count() / 4));
                  (*env.busy)(&ms, 1);
                })));
  Standalone three_inner(env.scope, "inner()\ninner()\ninner()\n");
  Budget budget(env.limit);
  Budget::Period frame(budget);
  EXPECT_FALSE(run(three_inner).stopped);
  EXPECT_FALSE(env.run(*env.busy, 0.1).stopped);
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
