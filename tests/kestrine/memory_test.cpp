// What scripts hold counts against one limit: every kind of growth stops
// with "script out of memory" below it, the next text still runs, and what
// is let go is given back.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "support/kestrine_util.hpp"
#include "support/script_memory.hpp"
#include "support/script_session.hpp"

namespace kestrine {
namespace {

using kestrine_util::error_of;

// What the pool of small objects may keep charged after values are let go:
// a chunk or two of each size class.
constexpr std::size_t pool_slack = std::size_t{128} << 10;

struct Runner {
  Scope scope;
  Script_session run{scope, {}, {}};
  Runner() {
    scope.add("size", Val(Fun([](Val const& v) { return static_cast<Int>(v.size()); })));
    scope.add("push", Val(Fun([](List& l, Val const& v) { l.push_back(v); })));
  }
};

TEST(Script_memory, EveryGrowthStopsBelowTheLimitAndTheNextTextRuns) {
  Script_memory_limit limit(growth_test_limit);
  for (Growth const& g : growths()) {
    Runner r;
    std::string const text = g.text();
    ASSERT_EQ(r.run(text), "error: script out of memory") << g.name;
    EXPECT_LE(memory_in_use(), growth_test_limit) << g.name;
    long const steps = std::stol(r.run("n"));
    EXPECT_GT(steps, 10) << g.name << ": stopped before it grew";

    // The grown value is still held, and small work goes on beside it.
    EXPECT_EQ(r.run("1 + 2"), "3") << g.name;
    EXPECT_EQ(r.run(std::string("size(") + g.kept + ") > 0"), "true") << g.name;

    // Growing it afresh drops the old value first: it gets as far again.
    ASSERT_EQ(r.run(text), "error: script out of memory") << g.name;
    long const again = std::stol(r.run("n"));
    EXPECT_GE(again, steps - steps / 10) << g.name << ": memory was not given back";
    EXPECT_LE(again, steps + steps / 10) << g.name;
    r.run(std::string(g.kept) + " = null");
  }
}

TEST(Script_memory, BigValuesMadeAndDroppedOverAndOverRunToTheEnd) {
  Script_memory_limit limit(growth_test_limit);
  // Each round holds about a quarter of the limit; all rounds together take
  // several times the limit.
  char const* const scripts[] = {
      "s = \"x\"\nwhile size(s) < 1000000:\n    s = s + s\n",
      "l = []\nwhile size(l) < 100000:\n    push(l, r)\n",
      "m = {}\ni = 0\nwhile i < 8000:\n    m[i] = \"some text\"\n    i = i + 1\n",
      "l = []\ni = 0\nwhile i < 8000:\n    l = [l, i]\n    i = i + 1\n",
      "m = {}\ni = 0\nwhile i < 4000:\n    m[i] = \"a string that lives outside its object\" + \"!\"\n"
      "    i = i + 1\n",
  };
  for (char const* round : scripts) {
    Runner r;
    std::string text = "r = 0\nwhile r < 10:\n";
    std::istringstream lines(round);
    for (std::string l; std::getline(lines, l);) text += "    " + l + "\n";
    text += "    r = r + 1\nreturn r\n";
    EXPECT_EQ(r.run(text), "10") << text;
  }
}

TEST(Script_memory, WhatAValueHoldsCountsWhileItLives) {
  Script_memory_limit limit(growth_test_limit);
  struct Case {
    char const* name;
    Val (*make)();
    std::size_t at_least;
  } const cases[] = {
      {"string", [] { return Val(String(100000, 'x')); }, 100000},
      {"list", [] { return Val(List(20000)); }, 20000 * sizeof(Val)},
      {"map",
       [] {
         Val m = Val(Map{});
         for (Int i = 0; i < 2000; ++i) m.at(Val(i), Val());
         return m;
       },
       2000 * 2 * sizeof(Val)},
      {"list of strings",
       [] {
         List l;
         for (int i = 0; i < 1000; ++i) l.push_back(Val(String(200, 'y')));
         return Val(std::move(l));
       },
       1000 * 200},
  };
  for (Case const& c : cases) {
    std::size_t const before = memory_in_use();
    {
      Val v = c.make();
      EXPECT_GE(memory_in_use() - before, c.at_least) << c.name;
    }
    EXPECT_LE(memory_in_use(), before + pool_slack) << c.name;
  }
}

TEST(Script_memory, HostValuesPastTheLimitAreRefused) {
  Script_memory_limit limit(growth_test_limit);
  std::size_t const before = memory_in_use();
  Scope scope;
  scope.add("big", Val(Fun([] { return String(growth_test_limit, 'x'); })));
  scope.add("push", Val(Fun([](List& l, Val const& v) { l.push_back(v); })));
  EXPECT_EQ(error_of([&] { eval(scope, "big()"); }), "script out of memory");
  EXPECT_EQ(error_of([] { List l(growth_test_limit / sizeof(Val)); }), "script out of memory");
  // A lower limit refuses new storage; values already made stay usable.
  Val kept = eval(scope, "l = []\ni = 0\nwhile i < 1000:\n    push(l, i)\n    i = i + 1\nreturn l");
  Val const last(Int{999});
  {
    Script_memory_limit lower(memory_in_use());
    EXPECT_EQ(error_of([&] { eval(scope, "s = \"text longer than a short string\"\ns + s"); }),
              "script out of memory");
    EXPECT_EQ(kept.size(), 1000u);
    EXPECT_EQ(kept.at(last).get<Int>(), 999);
  }
  EXPECT_EQ(eval(scope, "count = 0\nfor x in @0:\n    count = count + 1\nreturn count", &kept, 1).get<Int>(), 1000);
  kept = Val();
  EXPECT_LE(memory_in_use(), before + pool_slack);
}

TEST(Script_memory, ValuesLetGoOnAnotherThreadAreGivenBack) {
  std::size_t const before = memory_in_use();
  Val big = Val(String(1 << 20, 'x'));
  Val list = Val(List(1 << 16));
  EXPECT_GE(memory_in_use() - before, (std::size_t{1} << 20) + (std::size_t{1} << 16) * sizeof(Val));
  std::thread([held = std::pair(std::move(big), std::move(list))]() mutable { held = {}; }).join();
  EXPECT_LE(memory_in_use(), before + pool_slack);
}

} // namespace
} // namespace kestrine
