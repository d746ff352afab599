#include "game/script.hpp"

#include "game/fun_console.hpp"
#include "support/set_clock.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <streambuf>
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

namespace {

// Standard output that counts what it gets and keeps only its end.
struct Tail_buf : std::streambuf {
  std::size_t count = 0;
  std::string tail;
  std::streamsize xsputn(char const* s, std::streamsize n) override {
    count += static_cast<std::size_t>(n);
    tail.append(s, static_cast<std::size_t>(n));
    if (tail.size() > 4096) tail.erase(0, tail.size() - 4096);
    return n;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) xsputn(reinterpret_cast<char const*>(&c), 1);
    return c;
  }
};

// The game's "print" and "clear", a transcript of `limit` bytes writing to
// `out`, and "peek", which keeps what standard output holds when it runs.
struct Printing {
  std::ostringstream out;
  std::string peeked;
  Script s{[this](Script& self) {
    self.scope.add("print", Val(fun_print_{&self.transcript}));
    self.scope.add("clear", Val(kestrine::Fun(fun_clear_{&self})));
    self.scope.add("peek", Val(kestrine::Fun([this] {
                     peeked = out.str();
                     return Val();
                   })));
  }};
  explicit Printing(std::size_t limit) { s.transcript = Transcript(limit, out); }
  void type(std::initializer_list<std::string> lines) {
    testing::internal::CaptureStderr();
    for (auto const& l : lines) s.input(l);
    testing::internal::GetCapturedStderr();
  }
};

} // namespace

TEST(Script_console, PrintGoesStraightOutAndTheTranscriptKeepsItsNewestLines) {
  std::string loop_out = "> i = 0\n0\n> while i < 40:\n>     print(\"line \", i)\n>     i = i + 1\n";
  for (int i = 0; i < 40; ++i) loop_out += "line " + std::to_string(i) + "\n";
  struct Case { std::initializer_list<std::string> lines; std::string out, kept, peeked; } const cases[] = {
      {{"i = 0", "while i < 40:", "    print(\"line \", i)", "    i = i + 1", ""}, loop_out,
       "line 32\nline 33\nline 34\nline 35\nline 36\nline 37\nline 38\nline 39\n", ""},
      // Echoes, printed lines and results in the order they came; what
      // "clear" finds not yet written stays unwritten, as before.
      {{"print(1)", "[print(2), 3]", "clear()", "print(4)"},
       "> print(1)\n1\n> [print(2), 3]\n2\n[null,3]\n> print(4)\n4\n", "> print(4)\n4\n", ""},
      // Printed text is out before the input ends.
      {{"[print(5), peek(), 6]"}, "> [print(5), peek(), 6]\n5\n[null,null,6]\n",
       "> [print(5), peek(), 6]\n5\n[null,null,6]\n", "> [print(5), peek(), 6]\n5\n"},
  };
  for (auto const& c : cases) {
    Printing p(64);
    p.type(c.lines);
    EXPECT_EQ(p.out.str(), c.out) << *c.lines.begin();
    EXPECT_EQ(p.s.transcript.text(), c.kept) << *c.lines.begin();
    EXPECT_EQ(p.peeked, c.peeked) << *c.lines.begin();
  }
}

TEST(Script_console, AfterPrintingForTheWholeBudgetTheConsoleAnswersAtOnce) {
  using namespace std::chrono_literals;
  Tail_buf sink;
  std::ostream out(&sink);
  Set_clock clock;
  Script s([&clock](Script& self) {
    self.scope.add("print", Val(fun_print_{&self.transcript}));
    self.scope.add("size", Val(kestrine::Fun(fun_size_)));
    clock.add_to(self.scope);
  });
  // The thread's newest budget counts: 0.3 s of the set clock, a hundredth
  // of it for each line printed.
  kestrine::Budget budget(300ms, {}, clock.clock());
  s.transcript = Transcript(Transcript::default_limit, out);
  testing::internal::CaptureStderr();
  s.input("t = \"x\"");
  s.input("while size(t) < 65536: t = t + t");
  s.input("while 1: [print(t), spend(10)]");
  testing::internal::GetCapturedStderr();
  std::size_t const line = 65537;
  EXPECT_EQ(sink.count / line, 30u) << "the loop printed for its budget";
  EXPECT_LE(s.transcript.size(), Transcript::default_limit);
  std::string_view const kept = s.transcript.text();
  EXPECT_TRUE(kept.ends_with("\nscript ran too long: stopped after 0.3 s\n")) << kept.substr(kept.size() - 100);
  EXPECT_EQ(kept.find('\n'), line - 1) << "whole lines only: the oldest kept line is a whole print";
  EXPECT_EQ(kept.find("script ran") % line, 0u);
  s.input("1 + 2");
  EXPECT_TRUE(sink.tail.ends_with("> 1 + 2\n3\n")) << sink.tail.substr(sink.tail.size() - 100);
  EXPECT_TRUE(s.transcript.text().ends_with("> 1 + 2\n3\n"));
}
