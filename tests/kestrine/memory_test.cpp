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

// What may stay counted after values are let go: the functions of a scope,
// a list's spare capacity.
constexpr std::size_t leftover = std::size_t{128} << 10;

struct Runner {
  Scope scope;
  Script_session run{scope, {}, {}};
  Runner() {
    scope.add("size", Val(Fun([](Val const& v) { return static_cast<Int>(v.size()); })));
    scope.add("push", Val(Fun([](List& l, Val const& v) { l.push_back(v); })));
  }
};

// Work that takes a small share of the reserve.
constexpr char const* small_work = "y = \"x\"\nwhile size(y) < 65536:\n    y = y + y\nreturn size(y)";

TEST(Script_memory, EveryGrowthStopsBelowTheLimitAndTheNextTextRuns) {
  Script_memory_limit limit(growth_test_limit);
  std::size_t const before = memory_in_use();
  for (Growth const& g : growths()) {
    Runner r;
    std::string const text = g.text();
    ASSERT_EQ(r.run(text), "error: script out of memory") << g.name;
    EXPECT_LE(memory_in_use(), growth_test_limit) << g.name;
    long const steps = std::stol(r.run("n"));
    EXPECT_GT(steps, 10) << g.name << ": stopped before it grew";

    // The grown value is still held, and small work goes on beside it.
    EXPECT_EQ(r.run(small_work), "65536") << g.name;
    EXPECT_EQ(r.run(std::string("size(") + g.kept + ") > 0"), "true") << g.name;

    // Growing it afresh drops the old value first: it gets as far again.
    ASSERT_EQ(r.run(text), "error: script out of memory") << g.name;
    long const again = std::stol(r.run("n"));
    EXPECT_GE(again, steps - steps / 10) << g.name << ": memory was not given back";
    EXPECT_LE(again, steps + steps / 10) << g.name;
    // Let go, it leaves room for other work.
    EXPECT_EQ(r.run(std::string(g.kept) + " = null"), "null") << g.name;
    EXPECT_EQ(r.run(small_work), "65536") << g.name;
    EXPECT_LE(memory_in_use(), before + leftover) << g.name;
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

TEST(Script_memory, HostValuesPastTheLimitAreRefused) {
  Script_memory_limit limit(growth_test_limit);
  std::size_t const before = memory_in_use();
  Scope scope;
  scope.add("big", Val(Fun([] { return String(growth_test_limit, 'x'); })));
  scope.add("push", Val(Fun([](List& l, Val const& v) { l.push_back(v); })));
  scope.add("size", Val(Fun([](Val const& v) { return static_cast<Int>(v.size()); })));
  EXPECT_EQ(error_of([&] { eval(scope, "big()"); }), "script out of memory");
  EXPECT_EQ(error_of([] { List l(growth_test_limit / sizeof(Val)); }), "script out of memory");
  // What a script made stays when it returns, and is counted until let go.
  std::string const text = "a string that lives outside its object";
  Val kept = eval(scope, "t = \"" + text + "\"\nl = []\nwhile size(l) < 1000:\n    push(l, t + t)\nreturn l");
  EXPECT_GE(memory_in_use() - before, 1000 * (sizeof(Val) + 2 * text.size()));
  kept = Val();
  EXPECT_LE(memory_in_use(), before + leftover);
}

TEST(Script_memory, ValuesLetGoOnAnotherThreadAreGivenBack) {
  std::size_t const before = memory_in_use();
  Val big = Val(String(1 << 20, 'x'));
  Val list = Val(List(1 << 16));
  EXPECT_GE(memory_in_use() - before, (std::size_t{1} << 20) + (std::size_t{1} << 16) * sizeof(Val));
  std::thread([held = std::pair(std::move(big), std::move(list))]() mutable { held = {}; }).join();
  EXPECT_LE(memory_in_use(), before + leftover);
}

} // namespace
} // namespace kestrine
