// Scanner, grammar and code generation: token numbers, layout tokens,
// locations, exact bytecode and the compiler's limits.
#include "kestrine/compiler.hpp"
#include "kestrine/scan.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/kestrine_util.hpp"

namespace kestrine {
namespace {

using kestrine_util::error_of;

// Token numbers as the grammar fixes them.
enum : int {
  END = 0, SYMBOL = 258, GLOBAL, VALUE, ARG, ASSIGN, SHL, SHR, LE, GE, LT, GT, EQ, NE,
  AND, OR, XOR, BOR, BAND, ADD, SUB, MUL, DIV, MOD, NEG, NOT, QUESTION, COLON, COMMA,
  LPAREN, RPAREN, LBRACKET, RBRACKET, LCURLY, RCURLY, IF, ELSE, ELIF, WHILE, FOR, IN,
  BREAK, RETURN, EOL, INDENT, DEDENT,
};

using V = std::vector<int>;

// Every token of a text with its value (a name or constant index).
struct Scan {
  Names globals;
  Names locals;
  Compiler comp{globals, locals};
  V tokens, values;

  explicit Scan(std::string const& text, Names g = {}) : globals(std::move(g)) {
    Scanner sc(text);
    Parser p{comp, text, Ast{}, Indent{}};
    while (tokens.size() < 1000) {
      int value = -1;
      Location loc;
      tokens.push_back(yylex(&value, &loc, sc, p));
      values.push_back(value);
      if (tokens.back() == END) break;
    }
  }
};

TEST(Scanner, TokenStreams) {
  V const block{IF, SYMBOL, COLON, EOL, INDENT, SYMBOL, EOL, SYMBOL, EOL, DEDENT, EOL, SYMBOL, EOL, END};
  std::pair<std::string, V> cases[] = {
      {"iffy if TRUE", {SYMBOL, IF, SYMBOL, EOL, END}},
      {"0x1F", {VALUE, SYMBOL, EOL, END}},
      {"1_000", {VALUE, SYMBOL, EOL, END}},
      {"-5", {SUB, VALUE, EOL, END}},
      {"007", {VALUE, VALUE, VALUE, EOL, END}},
      {"@007 @12", {ARG, VALUE, VALUE, ARG, EOL, END}},
      {"elif else while for in and or return break",
       {ELIF, ELSE, WHILE, FOR, IN, AND, OR, RETURN, BREAK, EOL, END}},
      // The longest operator wins.
      {"== = != <= >= < > << >> <<=", {EQ, ASSIGN, NE, LE, GE, LT, GT, SHL, SHR, SHL, ASSIGN, EOL, END}},
      {"+-*/%|^&~!?:,()[]{}",
       {ADD, SUB, MUL, DIV, MOD, BOR, XOR, BAND, NEG, NOT, QUESTION, COLON, COMMA, LPAREN,
        RPAREN, LBRACKET, RBRACKET, LCURLY, RCURLY, EOL, END}},
      {"x = 1", {SYMBOL, ASSIGN, VALUE, EOL, END}},
      {"x = 1\n", {SYMBOL, ASSIGN, VALUE, EOL, END}},
      // Two blocks closed by one line, then two left open at the end.
      {"a\n b\n  c\nd\n e\n  f",
       {SYMBOL, EOL, INDENT, SYMBOL, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, DEDENT, EOL, SYMBOL, EOL,
        INDENT, SYMBOL, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, DEDENT, EOL, END}},
      // Back to a column no enclosing line used: closed, then opened anew.
      {"a\n    b\n  c", {SYMBOL, EOL, INDENT, SYMBOL, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, END}},
      // Blanks at the very start are no indentation.
      {"   a", {SYMBOL, EOL, END}},
      {"\na", {EOL, SYMBOL, EOL, END}},
      {"", {EOL, END}},
      // Blank and comment lines carry no layout, however indented.
      {"# only\n   # comments\n\n", {EOL, END}},
      {"if a:\n  b\n  c\nd", block},
      {"if a:\n  b\n\n   \n# x\n #y\n\t# z\n  c\nd\n  \n", block},
      {"if a:\r\n  b\r\n \r\n  c # c\r\nd", block},
  };
  for (auto const& [text, want] : cases) EXPECT_EQ(Scan(text).tokens, want) << text;
}

TEST(Scanner, UnknownCharactersAreEchoedAndSkipped) {
  testing::internal::CaptureStdout();
  V got = Scan("a $ . @ \"open\r").tokens;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "$.@\"\r");
  EXPECT_EQ(got, (V{SYMBOL, SYMBOL, EOL, END}));
}

TEST(Scanner, NamesResolveAtScanTimeAndLiteralsAreShared) {
  Scan s("b print a b", Names{{"print", 3}});
  ASSERT_EQ(s.tokens, (V{SYMBOL, GLOBAL, SYMBOL, SYMBOL, EOL, END}));
  EXPECT_EQ(V(s.values.begin(), s.values.begin() + 4), (V{0, 3, 1, 0}));
  EXPECT_EQ(s.locals.size(), 2u);
  // true and 1 are values of different types.
  Scan k("5 \"5\" 5 \"5\" true 1");
  EXPECT_EQ(V(k.values.begin(), k.values.begin() + 4), (V{0, 1, 0, 1}));
  EXPECT_NE(k.values[4], k.values[5]);
  EXPECT_EQ(k.comp.data_.size(), 4u);
}

TEST(Scanner, IndentationMismatch) {
  for (char const* text : {"if a:\n  b\n\tc", "if a:\n\tb\n c", "if a:\n \tb\n\t c"})
    EXPECT_EQ(error_of([&] { Scan{text}; }), "indentation mismatch") << text;
  // A tab followed by more is deeper than the tab alone.
  EXPECT_NO_THROW(Scan("a\n\tb\n\t c\nd"));
}

// ---- Grammar ----

// The syntax report on standard error, "" when the text parses (a later
// compile error such as "expected lvalue" still means it parsed).
std::string syntax_report(std::string const& text) {
  Names globals, locals;
  testing::internal::CaptureStderr();
  std::string error = error_of([&] { compile(globals, locals, text); });
  std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(report.empty(), error != "compilation failed") << text;
  return report;
}

TEST(Grammar, CommasAndAssignmentTargets) {
  // A leading comma is allowed in every list, a trailing one in none.
  for (char const* ok : {"f(, 1, 2)", "[, 3]", "{, 1: 2}", "f(1) = 2", "[1][0] = 2", "1 = 2"})
    EXPECT_EQ(syntax_report(ok), "") << ok;
  for (char const* bad : {"[1,]", "f(1,)", "{1: 2,}", "[,]", "-a = 2"})
    EXPECT_NE(syntax_report(bad), "") << bad;
}

TEST(Grammar, ReportsNameTheTokens) {
  std::pair<char const*, char const*> cases[] = {
      {"x = ,", "syntax error, unexpected \",\""},
      {"x = |", "syntax error, unexpected |"},
      {"while a b", "syntax error, unexpected symbol, expecting :"},
      {"x = [1 2]", "syntax error, unexpected value, expecting \",\" or ]"},
      {"(a]", "syntax error, unexpected ], expecting )"},
  };
  for (auto const& [text, first_line] : cases) {
    std::string report = syntax_report(text);
    EXPECT_EQ(report.substr(0, report.find('\n')), first_line);
  }
}

// ---- Code generation ----

Script build(std::string const& text, Names globals = {}) {
  Names locals;
  return compile(globals, locals, text);
}

TEST(Codegen, ExactBytecode) {
  std::pair<char const*, std::vector<int>> cases[] = {
      // LOADK 0, LOADK 1, ADD, RETURN 1, END: the last expression is the result.
      {"1 + 2", {0, -1, 1, 14, -32, 1, 38}},
      // LOADL a; JZ +7; LOADL b; POP; JMP +2 (even without an else); END
      {"if a: b", {1, -25, 7, -2, 1, 6, -26, 2, 38}},
      // The loop jumps back to its condition.
      {"while a: b", {1, -25, 7, -2, 1, 6, -26, -6, 38}},
      {"if a: b\nelse: a", {1, -25, 7, -2, 1, 6, -26, 4, 1, 6, 38}},
      // LOADL y; LOADK null; NEXT +8; STORL x; POP; LOADL x; POP; JMP -6; END
      {"for x in y: x", {-2, 1, 0, -37, 8, 4, 6, 1, 6, -26, -6, 38}},
  };
  for (auto const& [text, want] : cases) {
    Script s = build(text);
    EXPECT_EQ((std::vector<int>{s.code().begin(), s.code().end()}), want) << text;
  }
  EXPECT_EQ(build("1 + 2").stack_size(), 2u);
  // The for loop keeps its iterable and state on the stack.
  EXPECT_EQ(build("for x in y: x").stack_size(), 3u);
}

TEST(Codegen, CompileErrorsAndLimits) {
  Names g;
  // Names built by append: the compiler warns, wrongly, on a literal + a temporary.
  auto name = [](char const* prefix, int i) { return std::string(prefix).append(std::to_string(i)); };
  for (int i = 0; i < 130; ++i) g[name("g", i)] = size_t(i);
  auto call_with = [](int n) {
    std::string text = "f(1";
    for (int i = 1; i < n; ++i) text += ",1";
    return text + ")\n";
  };
  std::pair<std::string, char const*> cases[] = {
      {"[a] = 1", "expected lvalue"},
      {"x = f(1) = 2", "expected lvalue"},
      {"while 1:\n  if 1: 2\nbreak", "break outside loop"},
      {call_with(128), "too many arguments"},
      {"g128", "too many globals"},
      // 10 * 1844674407370955162 wraps to 4 in 64 bits.
      {"18446744073709551620", "integer literal out of range"},
  };
  for (auto const& [text, message] : cases) {
    Names l;
    EXPECT_EQ(error_of([&] { compile(g, l, text); }), message) << text.substr(0, 40);
  }
  // Right at the limits everything still compiles.
  std::string ok = call_with(127) + "g127\n";
  for (int i = 0; i < 127; ++i) ok += name("v", i) + " = 1\n";
  Names l;
  EXPECT_NO_THROW(compile(g, l, ok));
  EXPECT_EQ(l.size(), 128u);
}

TEST(Codegen, JumpLimits) {
  Names g, l;
  Compiler c(g, l);
  size_t at = c.jump(Script::JZ);
  c.code_.resize(c.code_.size() + 125);
  c.land(at);
  EXPECT_EQ(c.code_[at], 127);
  size_t far = c.jump(Script::JMP);
  c.code_.resize(c.code_.size() + 126);
  EXPECT_THROW(c.land(far), std::runtime_error);

  Compiler b(g, l);
  size_t top = b.rland();
  b.code_.resize(128);
  b.rjump(Script::JMP, top);
  EXPECT_EQ(b.code_[129], -128);
  Compiler d(g, l);
  d.code_.resize(129);
  EXPECT_THROW(d.rjump(Script::JMP, 0), std::runtime_error);
}

} // namespace
} // namespace kestrine
