// The functions on the console, the action bar, random numbers and lists.
#include "support/fun_world.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <set>

using fun_world::World;
using kestrine::Val;

namespace {

// Types the lines at the console; returns what reached standard output.
// The compiler's complaints on standard error are dropped.
std::string type(Script& s, std::initializer_list<std::string> lines) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (auto const& l : lines) s.input(l);
  testing::internal::GetCapturedStderr();
  return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(Console_functions, PrintAndClearWriteTheTranscript) {
  struct Case {
    std::initializer_list<std::string> lines;
    std::string transcript;
  } const cases[] = {
      {{"print()"}, "> print()\n\n"},
      {{"print(7)"}, "> print(7)\n7\n"},
      {{"print(\"a\", 1, null)"}, "> print(\"a\", 1, null)\na1null\n"},
      {{"print(here(), [here()])"}, "> print(here(), [here()])\n[8,8,8][[...]]\n"},
      {{"print(1, 2", "print(3)"}, "> print(1, 2\ncompilation failed\n> print(3)\n3\n"},
      {{"for i in [1, 2]:", "    print(i)", ""}, "> for i in [1, 2]:\n>     print(i)\n1\n2\n"},
      {{"print(1)", "clear()"}, ""},
      {{"print(1)", "clear()", "print(2)"}, "> print(2)\n2\n"},
  };
  for (auto const& c : cases) {
    World w;
    std::string const out = type(w.script, c.lines);
    EXPECT_EQ(w.script.transcript, c.transcript) << *c.lines.begin();
    EXPECT_EQ(w.script.mark, w.script.transcript.size());
    if (c.transcript.empty()) {
      EXPECT_EQ(out, "> print(1)\n1\n") << "what came before the clear was written";
    }
  }
}

TEST(Console_functions, PrintFromAPackScriptWaitsForTheNextEvaluation) {
  World w;
  kestrine::eval(w.script.scope, "print(\"from a script\")");
  EXPECT_EQ(w.script.transcript, "from a script\n");
  EXPECT_EQ(w.script.mark, 0u);
  EXPECT_EQ(type(w.script, {"1"}), "from a script\n> 1\n1\n");
}

TEST(Console_functions, SayReplacesTheActionBarMessage) {
  World w;
  auto const before = Action_bar::Clock::now();
  EXPECT_EQ(w.run("say(\"first\")"), "null");
  EXPECT_EQ(w.run("say(\"second\")"), "null");
  EXPECT_EQ(w.bar.message, "second");
  EXPECT_GE(w.bar.expiry, before + Action_bar::shown_for);
  EXPECT_LE(w.bar.expiry, Action_bar::Clock::now() + Action_bar::shown_for);
}

TEST(Console_functions, RandDrawsWithinItsBoundsBothIncluded) {
  World w;
  std::set<std::string> seen;
  for (int i = 0; i < 400; ++i) seen.insert(w.run("rand(-2, 2)"));
  EXPECT_EQ(seen, (std::set<std::string>{"-2", "-1", "0", "1", "2"}));
  EXPECT_EQ(w.run("rand(5, 5)"), "5");
  EXPECT_EQ(w.run("rand(-9223372036854775807 - 1, -9223372036854775807 - 1)"), std::to_string(LONG_MIN));
  EXPECT_NE(w.run("rand(-9223372036854775807 - 1, 9223372036854775807)").substr(0, 6), "error:");
  EXPECT_EQ(w.run("rand(3, 2)"), "error: rand expects a <= b");
}

TEST(Console_functions, SizePushAndPopWorkOnTheListItself) {
  World w;
  struct Case {
    char const* code;
    char const* shown;
  } const steps[] = {
      {"size([1, 2, 3])", "3"},
      {"size(\"four\")", "4"},
      {"size({1: 2})", "1"},
      {"size(here())", "3"},
      {"size(1)", "error: object does not implement size()"},
      {"size(@0)", "error: object does not implement size()"},
      {"l = []", "[]"},
      {"pop(l)", "null"},
      {"l", "[]"},
      {"v = here()", "[8,8,8]"},
      {"push(l, v)", "null"},
      {"push(l, 2)", "null"},
      {"k = l", "[[...],2]"},
      {"l[0][1] = v[0]", "8"},
      {"l[0] == v and size(k)", "2"},
      {"pop(l)", "null"},
      {"k", "[[...]]"},
      {"pop(k)", "null"},
      {"pop(k)", "null"},
      {"size(l)", "0"},
  };
  Mob* hopper = w.scene.mobs.construct(mob_db()["fun.hopper"].id, {1.5f, 1.5f, 1.5f});
  for (auto const& s : steps) EXPECT_EQ(w.run(s.code, {mob_value(*hopper)}), s.shown) << s.code;
}
