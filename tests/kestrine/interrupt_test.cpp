// Stopping scripts that run on: a requested interrupt and a time budget.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

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

// The seconds that a budget's message names, or -1.
double seconds_in(std::string const& message) {
  std::string const head = "script ran too long: stopped after ";
  if (message.rfind(head, 0) != 0 || message.size() < head.size() + 3 || message.substr(message.size() - 2) != " s")
    return -1;
  return std::stod(message.substr(head.size()));
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
    EXPECT_GE(seconds_in(stop.message), 0.1) << r.what << ": " << stop.message;
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

} // namespace
} // namespace kestrine
