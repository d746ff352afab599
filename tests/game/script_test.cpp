#include "game/script.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>

namespace {

using kestrine::Val;

// The game's "clear", and a host function whose error is not a standard
// exception.
Script make_script() {
  return Script([](Script& s) {
    s.scope.add("clear", Val(kestrine::Fun([&s] {
                  s.transcript.clear();
                  return Val();
                })));
    s.scope.add("odd", Val(kestrine::Fun([]() -> Val { throw 42; })));
  });
}

// Types the lines; returns what reached standard output. Compiler
// complaints on standard error are dropped.
std::string type(Script& s, std::initializer_list<std::string> lines) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (auto const& l : lines) s.input(l);
  testing::internal::GetCapturedStderr();
  return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(Script_console, EchoesInputAndPrintsResults) {
  struct Case { std::initializer_list<std::string> lines; std::string shown;
  } const cases[] = { // transcript and standard output alike
      {{"1 + 2"}, "> 1 + 2\n3\n"},
      {{"", "", "7"}, "> 7\n7\n"},
      {{"null"}, "> null\n"},
      {{"\"text\""}, "> \"text\"\ntext\n"},
      {{"[1, \"a\"]"}, "> [1, \"a\"]\n[1,a]\n"},
      {{"x = 4", "x * x"}, "> x = 4\n4\n> x * x\n16\n"},
      {{"1 +", "5"}, "> 1 +\ncompilation failed\n> 5\n5\n"},
      {{"1 + null"}, "> 1 + null\nbad cast\n"},
      {{"odd()"}, "> odd()\nunrecognized error\n"},
  };
  for (auto const& c : cases) {
    Script s = make_script();
    std::string out = type(s, c.lines);
    EXPECT_EQ(s.transcript.text(), c.shown) << *c.lines.begin();
    EXPECT_EQ(out, c.shown) << *c.lines.begin();
    EXPECT_EQ(s.transcript.unwritten(), 0u);
    EXPECT_TRUE(s.pending.empty());
  }
}

TEST(Script_console, ABlockRunsAtTheFirstEmptyLine) {
  Script s = make_script();
  EXPECT_EQ(type(s, {"if 1:", "    y = 2", "    if 0:", "  ", "        y = 3"}), "") << "nothing runs inside a block";
  EXPECT_EQ(s.pending, "if 1:\n    y = 2\n    if 0:\n  \n        y = 3\n");
  std::string const block = "> if 1:\n>     y = 2\n>     if 0:\n>   \n>         y = 3\n";
  EXPECT_EQ(s.transcript.text(), block) << "the console shows the block as it is typed";
  EXPECT_EQ(type(s, {"", "y"}), block + "> y\n2\n");
  EXPECT_TRUE(s.pending.empty());

  // A block that fails is dropped whole; the next line starts afresh.
  Script t = make_script();
  EXPECT_EQ(type(t, {"if 1:", "    1 + null", "", "3"}), "> if 1:\n>     1 + null\nbad cast\n> 3\n3\n");
}

TEST(Script_console, TextAddedBetweenInputsGoesOutWithTheNextOne) {
  Script s = make_script();
  type(s, {"1"});
  s.transcript.add("printed by a pack script\n");
  EXPECT_EQ(type(s, {"2"}), "printed by a pack script\n> 2\n2\n");

  // Clearing empties the transcript before its own echo was written.
  EXPECT_EQ(type(s, {"clear()"}), "");
  EXPECT_EQ(s.transcript.text(), "");
  EXPECT_EQ(s.transcript.unwritten(), 0u);
  EXPECT_EQ(type(s, {"5"}), "> 5\n5\n");
}

TEST(Script_console, TheEngineIsNeverSeededWithZero) {
  std::uint32_t const m = 2147483647u;
  struct Case { std::uint32_t device; std::uint_fast32_t seed;
  } const cases[] = {{0, 1}, {m, 1}, {2 * m, 1}, {m - 1, m - 1}, {0xffffffffu, 1}};
  for (auto c : cases) EXPECT_EQ(Script::seed_for(c.device), c.seed) << c.device;
}

TEST(Script_console, AnInputThatRunsTooLongIsStoppedAndTheConsoleGoesOn) {
  using namespace std::chrono_literals;
  Script s([](Script&) {}, 100ms);
  std::string const out = type(s, {"n = 7", "while 1: n = n + 1", "1 + 2", "n > 7"});
  std::string const stopped = "> while 1: n = n + 1\nscript ran too long: stopped after ";
  ASSERT_NE(out.find(stopped), std::string::npos) << out;
  EXPECT_EQ(out.substr(out.find(" s\n", out.find(stopped)) + 3), "> 1 + 2\n3\n> n > 7\ntrue\n");
  EXPECT_TRUE(s.pending.empty());
}
