// The console under the limit on what scripts hold: a growth typed into it
// stops with "script out of memory", the console and pack scripts go on
// beside the value left behind, and letting it go gives the memory back.
#include "game/fun_console.hpp"
#include "game/script.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/script_memory.hpp"

namespace {

using kestrine::Fun;
using kestrine::Val;

// The game's own print and list functions, and nothing of the world.
Script make_script() {
  return Script([](Script& s) {
    s.scope.add("print", Val(fun_print_{&s.transcript}));
    s.scope.add("size", Val(Fun(fun_size_)));
    s.scope.add("push", Val(Fun(fun_push_)));
    s.scope.add("pop", Val(Fun(fun_pop_)));
  });
}

// Types the lines; returns what the console showed for them, as standard
// output gets every line of it.
std::string type(Script& s, std::vector<std::string> const& lines) {
  testing::internal::CaptureStdout();
  for (auto const& l : lines) s.input(l);
  return testing::internal::GetCapturedStdout();
}

// The console's answer to one line: what follows its echo.
std::string answer(Script& s, std::string const& line) {
  return type(s, {line}).substr(line.size() + 3);
}

bool ends_with(std::string const& text, std::string const& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(Script_memory_console, EveryGrowthStopsAndTheGameGoesOn) {
  Script_memory_limit limit(growth_test_limit);
  for (Growth const& g : growths()) {
    Script s = make_script();
    std::string const kept = g.kept;
    ASSERT_TRUE(ends_with(type(s, g.lines()), "\nscript out of memory\n")) << g.name << "\n" << s.transcript.text();
    EXPECT_LE(kestrine::memory_in_use(), growth_test_limit) << g.name;
    long const steps = std::stol(answer(s, "n"));

    // The console works beside what the growth left behind...
    EXPECT_EQ(answer(s, "1 + 2"), "3\n") << g.name;
    EXPECT_EQ(answer(s, "size(" + kept + ") > 0"), "true\n") << g.name;
    // ...and so does a pack script compiled against the game's functions.
    kestrine::Standalone pack(s.scope, "t = \"x\"\nwhile size(t) < 65536:\n    t = t + t\nprint(size(t))\nreturn size(t)");
    EXPECT_EQ(pack().get<kestrine::Int>(), 65536) << g.name;

    // Let go, its memory is there for the next growth.
    EXPECT_EQ(answer(s, kept + " = null"), "") << g.name;
    ASSERT_TRUE(ends_with(type(s, g.lines()), "\nscript out of memory\n")) << g.name;
    EXPECT_GE(std::stol(answer(s, "n")), steps - steps / 10) << g.name;
  }
}

TEST(Script_memory_console, APackScriptThatGrowsRaisesTheError) {
  Script_memory_limit limit(growth_test_limit);
  Script s = make_script();
  std::size_t const before = kestrine::memory_in_use();
  kestrine::Standalone grows(s.scope, "l = []\nwhile 1:\n    push(l, @0)\n");
  Val arg("an argument");
  try {
    grows(&arg, 1);
    ADD_FAILURE() << "the pack script ran to the end";
  } catch (std::runtime_error const& e) {
    EXPECT_STREQ(e.what(), "script out of memory");
  }
  // Its locals are gone with the run, and so is their memory.
  EXPECT_LE(kestrine::memory_in_use(), before + (std::size_t{128} << 10));
  EXPECT_EQ(type(s, {"l = []", "while size(l) < 100000: push(l, 1)", "size(l)"}),
            "> l = []\n[]\n> while size(l) < 100000: push(l, 1)\n> size(l)\n100000\n");
}

TEST(Script_memory_console, TheGamesLimitStopsADoublingLongBeforeItsTimeBudget) {
  ASSERT_EQ(kestrine::memory_limit(), kestrine::default_memory_limit);
  Script s = make_script();
  EXPECT_EQ(type(s, {"s = \"x\"", "while 1: s = s + s", "size(s) > 1000000"}),
            "> s = \"x\"\nx\n> while 1: s = s + s\nscript out of memory\n> size(s) > 1000000\ntrue\n");
  EXPECT_LE(kestrine::memory_in_use(), kestrine::default_memory_limit);
  type(s, {"s = null"});
  EXPECT_LT(kestrine::memory_in_use(), kestrine::default_memory_limit / 16);
}

} // namespace
