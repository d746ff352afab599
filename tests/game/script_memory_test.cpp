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
#include "support/set_clock.hpp"

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

TEST(Script_memory_console, TheGamesLimitStopsADoubling) {
  ASSERT_EQ(kestrine::memory_limit(), kestrine::default_memory_limit);
  Script s = make_script();
  // However slow the machine, only the memory limit stops it: the thread's
  // newest budget counts, and its clock stands still.
  Set_clock clock;
  kestrine::Budget still(script_time_budget, {}, clock.clock());
  EXPECT_EQ(type(s, {"s = \"x\"", "while 1: s = s + s", "size(s) > 1000000"}),
            "> s = \"x\"\nx\n> while 1: s = s + s\nscript out of memory\n> size(s) > 1000000\ntrue\n");
  EXPECT_LE(kestrine::memory_in_use(), kestrine::default_memory_limit);
  type(s, {"s = null"});
  EXPECT_LT(kestrine::memory_in_use(), kestrine::default_memory_limit / 16);
}

// A list of many references to one string of 64 KiB, whose printed form is
// many times the limit.
std::vector<std::string> const long_list = {"t = \"x\"", "while size(t) < 65536: t = t + t", "l = []",
                                            "while size(l) < 1024: push(l, t)", "m = [t, t, t, t]"};

TEST(Script_memory_console, TextPrintedBeyondTheLimitStopsAndTheNextInputAnswers) {
  Script_memory_limit limit(growth_test_limit);
  std::string const t(65536, 'x');
  std::string const m = "[" + t + "," + t + "," + t + "," + t + "]\n";
  std::string const stop = "script out of memory\n";
  struct Case {
    char const* input;
    std::string answer;
  } const cases[] = {
      {"print(l)", stop}, {"l", stop}, {"print(m, l)", stop}, {"[l]", "[[...]]\n"}, // one level
      {"print(m)", m},    {"m", m},
  };
  Script s = make_script();
  type(s, long_list);
  std::size_t const held = kestrine::memory_in_use();
  for (auto const& c : cases) {
    EXPECT_TRUE(answer(s, c.input) == c.answer) << c.input;
    EXPECT_LE(kestrine::memory_in_use(), held + (std::size_t{64} << 10)) << c.input << ": the text given back";
    EXPECT_EQ(answer(s, "1 + 2"), "3\n") << c.input;
  }
}

TEST(Script_memory_console, WhatTheConsoleHoldsOrLosesLeavesThePackScriptsTheirShare) {
  Script_memory_limit limit(growth_test_limit);
  std::size_t const console_most = growth_test_limit - growth_test_limit / 16 * console_leaves_sixteenths;
  std::string const grow_kept = "while 1: push(k, \"a string that lives outside its object\" + \"!\")";
  std::vector<std::string> cycles; // three, each grown until it stops
  for (int i = 0; i < 3; ++i)
    for (char const* line : {"c = []", "push(c, c)", "track(c)", "while 1: push(c, [1, 2, 3])", "c = null"})
      cycles.push_back(line);
  struct Case {
    char const* what;
    std::vector<std::string> lines; // the first growth stops with "script out of memory"
  } const cases[] = {
      {"growth kept in console variables", {"k = []", grow_kept, "k2 = k", "k = []", grow_kept}},
      {"cycles let go of, which no script can free", cycles},
  };
  for (auto const& c : cases) {
    std::vector<Val> lost; // kept only to break the cycles at the end
    Script s([&lost](Script& self) {
      self.scope.add("size", Val(Fun(fun_size_)));
      self.scope.add("push", Val(Fun(fun_push_)));
      self.scope.add("track", Val(Fun([&lost](Val const& v) { lost.push_back(v); })));
    });
    // A pack script's work, as a mob's update does it every frame.
    kestrine::Standalone update(s.scope, "t = \"x\"\nwhile size(t) < 65536: t = t + t\n"
                                         "l = []\nwhile size(l) < 4000: push(l, 1)\nreturn size(l)");
    bool stopped = false;
    for (std::string const& line : c.lines) {
      std::string const got = answer(s, line);
      if (line.starts_with("while") && !stopped) {
        // Later inputs may fail at once: the console's share is used up.
        EXPECT_EQ(got, "script out of memory\n") << c.what << ": " << line;
        stopped = true;
      }
      EXPECT_LE(kestrine::memory_in_use(), console_most) << c.what << ": " << line;
      try {
        EXPECT_EQ(update(), Val(kestrine::Int{4000})) << c.what << ": " << line;
      } catch (std::exception const& e) {
        ADD_FAILURE() << c.what << ": after " << line << " the pack script raised " << e.what();
      }
    }
    for (Val& v : lost)
      if (v.is<kestrine::List>()) v.get<kestrine::List>().clear();
  }
}

} // namespace
