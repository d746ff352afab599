// Scanner, grammar and code generation.
#include "kestrine/compiler.hpp"
#include "kestrine/scan.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// The generated automaton.
int yyparse(kestrine::Scanner& sc, kestrine::Parser& p);

namespace kestrine {
namespace {

// Token numbers as the grammar fixes them.
enum : int {
  END = 0, SYMBOL = 258, GLOBAL, VALUE, ARG, ASSIGN, SHL, SHR, LE, GE, LT, GT, EQ, NE,
  AND, OR, XOR, BOR, BAND, ADD, SUB, MUL, DIV, MOD, NEG, NOT, QUESTION, COLON, COMMA,
  LPAREN, RPAREN, LBRACKET, RBRACKET, LCURLY, RCURLY, IF, ELSE, ELIF, WHILE, FOR, IN,
  BREAK, RETURN, EOL, INDENT, DEDENT,
};

struct Tok {
  int token;
  int value;
  Location loc;
};

struct Scan {
  Names globals;
  Names locals;
  Compiler comp{globals, locals};
  std::vector<Tok> toks;

  explicit Scan(std::string const& text, Names g = {}) : globals(std::move(g)) {
    Scanner sc(text);
    Parser p{comp, text, Ast{}, Indent{}};
    for (;;) {
      Tok t{-1, -1, {}};
      t.token = yylex(&t.value, &t.loc, sc, p);
      toks.push_back(t);
      if (t.token == END || toks.size() > 1000) break;
    }
  }

  std::vector<int> tokens() const {
    std::vector<int> out;
    for (Tok const& t : toks) out.push_back(t.token);
    return out;
  }
  Val const& constant(size_t i) const { return comp.data_.at(static_cast<size_t>(toks.at(i).value)); }
};

using V = std::vector<int>;

TEST(Scanner, KeywordsNamesAndNumbers) {
  EXPECT_EQ(Scan("iffy if TRUE").tokens(), (V{SYMBOL, IF, SYMBOL, EOL, END}));
  EXPECT_EQ(Scan("0x1F").tokens(), (V{VALUE, SYMBOL, EOL, END}));
  EXPECT_EQ(Scan("1_000").tokens(), (V{VALUE, SYMBOL, EOL, END}));
  EXPECT_EQ(Scan("-5").tokens(), (V{SUB, VALUE, EOL, END}));
  EXPECT_EQ(Scan("007").tokens(), (V{VALUE, VALUE, VALUE, EOL, END}));
  EXPECT_EQ(Scan("elif else while for in and or return break").tokens(),
            (V{ELIF, ELSE, WHILE, FOR, IN, AND, OR, RETURN, BREAK, EOL, END}));

  Scan s("true false null 9223372036854775807");
  EXPECT_TRUE(s.constant(0).get<bool>());
  EXPECT_FALSE(s.constant(1).get<bool>());
  EXPECT_TRUE(s.constant(2).is<Null>());
  EXPECT_EQ(s.constant(3).get<Int>(), 9223372036854775807L);
  EXPECT_THROW(Scan("9223372036854775808"), std::runtime_error);
}

TEST(Scanner, OperatorsTakeTheLongestMatch) {
  EXPECT_EQ(Scan("== = != <= >= < > << >> <<=").tokens(),
            (V{EQ, ASSIGN, NE, LE, GE, LT, GT, SHL, SHR, SHL, ASSIGN, EOL, END}));
  EXPECT_EQ(Scan("+-*/%|^&~!?:,()[]{}").tokens(),
            (V{ADD, SUB, MUL, DIV, MOD, BOR, XOR, BAND, NEG, NOT, QUESTION, COLON, COMMA, LPAREN,
               RPAREN, LBRACKET, RBRACKET, LCURLY, RCURLY, EOL, END}));
}

TEST(Scanner, StringsKeepTheirTextAsWritten) {
  Scan s("\"a\\\"b\" \"x\ny\" \"\" \"\\\\\"");
  ASSERT_EQ(s.tokens(), (V{VALUE, VALUE, VALUE, VALUE, EOL, END}));
  EXPECT_EQ(s.constant(0).get<String>(), "a\\\"b");
  EXPECT_EQ(s.constant(1).get<String>(), "x\ny");
  EXPECT_EQ(s.constant(2).get<String>(), "");
  EXPECT_EQ(s.constant(3).get<String>(), "\\\\");
}

TEST(Scanner, ArgumentsTakeOneInteger) {
  Scan s("@007 @12");
  ASSERT_EQ(s.tokens(), (V{ARG, VALUE, VALUE, ARG, EOL, END}));
  EXPECT_EQ(s.toks[0].value, 0);
  EXPECT_EQ(s.constant(2).get<Int>(), 7);
  EXPECT_EQ(s.toks[3].value, 12);
  EXPECT_EQ(Scan("@127").toks[0].value, 127);
  EXPECT_THROW(Scan("@128"), std::runtime_error);
}

TEST(Scanner, UnknownCharactersAreEchoedAndSkipped) {
  testing::internal::CaptureStdout();
  V got = Scan("a $ . @ \"open\r").tokens();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "$.@\"\r");
  EXPECT_EQ(got, (V{SYMBOL, SYMBOL, EOL, END}));
}

TEST(Scanner, NamesResolveAtScanTime) {
  Scan s("b print a b", Names{{"print", 3}});
  ASSERT_EQ(s.tokens(), (V{SYMBOL, GLOBAL, SYMBOL, SYMBOL, EOL, END}));
  EXPECT_EQ(s.toks[0].value, 0);
  EXPECT_EQ(s.toks[1].value, 3);
  EXPECT_EQ(s.toks[2].value, 1);
  EXPECT_EQ(s.toks[3].value, 0);
  EXPECT_EQ(s.locals.size(), 2u);
}

TEST(Scanner, EqualLiteralsShareOneConstant) {
  Scan s("5 \"5\" 5 \"5\" true 1");
  EXPECT_EQ(s.toks[0].value, s.toks[2].value);
  EXPECT_EQ(s.toks[1].value, s.toks[3].value);
  EXPECT_NE(s.toks[0].value, s.toks[1].value);
  // true and 1 are values of different types.
  EXPECT_NE(s.toks[4].value, s.toks[5].value);
  EXPECT_EQ(s.comp.data_.size(), 4u);
}

TEST(Scanner, OffSideRule) {
  EXPECT_EQ(Scan("x = 1").tokens(), Scan("x = 1\n").tokens());
  EXPECT_EQ(Scan("x = 1\n").tokens(), (V{SYMBOL, ASSIGN, VALUE, EOL, END}));
  EXPECT_EQ(Scan("if a:\n  b\nc").tokens(),
            (V{IF, SYMBOL, COLON, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, SYMBOL, EOL, END}));
  // Two blocks closed by one line, then two left open at the end.
  EXPECT_EQ(Scan("a\n b\n  c\nd\n e\n  f").tokens(),
            (V{SYMBOL, EOL, INDENT, SYMBOL, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, DEDENT, EOL,
               SYMBOL, EOL, INDENT, SYMBOL, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, DEDENT, EOL,
               END}));
  // Back to a column no enclosing line used: closed, then opened anew.
  EXPECT_EQ(Scan("a\n    b\n  c").tokens(),
            (V{SYMBOL, EOL, INDENT, SYMBOL, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, END}));
  // Blanks at the very start are no indentation.
  EXPECT_EQ(Scan("   a").tokens(), (V{SYMBOL, EOL, END}));
  EXPECT_EQ(Scan("\na").tokens(), (V{EOL, SYMBOL, EOL, END}));
}

TEST(Scanner, BlankAndCommentLinesCarryNoLayout) {
  V plain = Scan("if a:\n  b\n  c\nd").tokens();
  EXPECT_EQ(Scan("if a:\n  b\n\n   \n# x\n #y\n\t# z\n  c\nd\n  \n").tokens(), plain);
  EXPECT_EQ(Scan("if a: # c\n  b # c\n  c # c\nd").tokens(), plain);
  EXPECT_EQ(Scan("if a:\r\n  b\r\n \r\n  c\r\nd").tokens(), plain);
  EXPECT_EQ(Scan("").tokens(), (V{EOL, END}));
  EXPECT_EQ(Scan("# only\n   # comments\n\n").tokens(), (V{EOL, END}));
}

TEST(Scanner, IndentationMismatch) {
  EXPECT_THROW(Scan("if a:\n  b\n\tc"), std::runtime_error);
  EXPECT_THROW(Scan("if a:\n\tb\n c"), std::runtime_error);
  try {
    Scan("if a:\n \tb\n\t c");
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_STREQ(e.what(), "indentation mismatch");
  }
  // A tab followed by more is deeper than the tab alone.
  EXPECT_NO_THROW(Scan("a\n\tb\n\t c\nd"));
}

TEST(Scanner, Locations) {
  Scan s("ab = 12\n  c");
  ASSERT_EQ(s.tokens(), (V{SYMBOL, ASSIGN, VALUE, EOL, INDENT, SYMBOL, EOL, DEDENT, EOL, END}));
  auto range = [&](size_t i) { return std::pair(s.toks[i].loc.first, s.toks[i].loc.last); };
  EXPECT_EQ(range(0), std::pair(0L, 2L));
  EXPECT_EQ(range(1), std::pair(3L, 4L));
  EXPECT_EQ(range(2), std::pair(5L, 7L));
  // The line start holds the newline and the indentation.
  EXPECT_EQ(range(3), std::pair(7L, 10L));
  // Layout tokens stand, empty, before the line's first character.
  EXPECT_EQ(range(4), std::pair(10L, 10L));
  EXPECT_EQ(range(5), std::pair(10L, 11L));
  // At the end of the text the last piece stays.
  EXPECT_EQ(range(9), std::pair(10L, 11L));
}

// ---- Grammar ----

struct Parse {
  Names globals;
  Names locals;
  Compiler comp{globals, locals};
  Ast ast;
  int result = -1;
  std::string errors;

  explicit Parse(std::string const& text, Names g = {}) : globals(std::move(g)) {
    Scanner sc(text);
    Parser p{comp, text, Ast{}, Indent{}};
    testing::internal::CaptureStderr();
    result = ::yyparse(sc, p);
    errors = testing::internal::GetCapturedStderr();
    ast = std::move(p.ast);
  }

  int const* node(int at) const { return ast.get(at); }
  std::vector<int> items(int list) const {
    std::vector<int> out;
    ast.items(list, out);
    return out;
  }
  std::vector<int> stats() const { return items(ast.root()); }
  int tag(int at) const { return node(at)[0]; }
};

TEST(Grammar, IfWithOneLineBranches) {
  Parse p("if x: y\nelse: z\n");
  ASSERT_EQ(p.result, 0);
  auto stats = p.stats();
  ASSERT_EQ(stats.size(), 1u);
  int const* n = p.node(stats[0]);
  EXPECT_EQ(n[0], Ast::IF);
  ASSERT_EQ(p.items(n[2]).size(), 1u);
  ASSERT_EQ(p.items(n[3]).size(), 1u);
  EXPECT_EQ(p.tag(p.items(n[3])[0]), Ast::SYMBOL);
}

TEST(Grammar, ElifChainsNest) {
  Parse p("if a: 1\nelif b: 2\nelif c: 3\n");
  ASSERT_EQ(p.result, 0);
  int const* first = p.node(p.stats()[0]);
  auto else1 = p.items(first[3]);
  ASSERT_EQ(else1.size(), 1u);
  int const* second = p.node(else1[0]);
  EXPECT_EQ(second[0], Ast::IF);
  auto else2 = p.items(second[3]);
  ASSERT_EQ(else2.size(), 1u);
  EXPECT_EQ(p.tag(else2[0]), Ast::IF);
  EXPECT_EQ(p.node(else2[0])[3], -1);
}

TEST(Grammar, ListsAcceptALeadingCommaOnly) {
  Parse p("f(, 1, 2)\n[, 3]\n{, 1: 2}\n");
  ASSERT_EQ(p.result, 0);
  auto stats = p.stats();
  EXPECT_EQ(p.items(p.node(stats[0])[2]).size(), 2u);
  EXPECT_EQ(p.items(p.node(stats[1])[1]).size(), 1u);
  EXPECT_EQ(p.items(p.node(stats[2])[1]).size(), 1u);
  EXPECT_NE(Parse("[1,]").result, 0);
  EXPECT_NE(Parse("f(1,)").result, 0);
  EXPECT_NE(Parse("{1: 2,}").result, 0);
  EXPECT_NE(Parse("[,]").result, 0);
}

TEST(Grammar, ParenthesesOnlyGroup) {
  Parse a("((x))\n"), b("x\n");
  ASSERT_EQ(a.result, 0);
  EXPECT_EQ(a.tag(a.stats()[0]), Ast::SYMBOL);
  Parse c("(1 + 2) * 3\n");
  int const* mul = c.node(c.stats()[0]);
  EXPECT_EQ(mul[0], Ast::MUL);
  EXPECT_EQ(c.tag(mul[1]), Ast::ADD);
}

TEST(Grammar, AssociativityAndLooseLogic) {
  Parse p("a = b = c\na - b - c\na ? b : c ? d : e\na or b and c | d\n");
  ASSERT_EQ(p.result, 0);
  auto s = p.stats();
  EXPECT_EQ(p.tag(p.node(s[0])[2]), Ast::ASSIGN);
  EXPECT_EQ(p.tag(p.node(s[1])[1]), Ast::SUB);
  EXPECT_EQ(p.tag(p.node(s[2])[3]), Ast::COND);
  int const* orn = p.node(s[3]);
  EXPECT_EQ(orn[0], Ast::OR);
  EXPECT_EQ(p.tag(orn[2]), Ast::AND);
  EXPECT_EQ(p.tag(p.node(orn[2])[2]), Ast::BOR);
}

TEST(Grammar, AnyPostfixTargetParses) {
  EXPECT_EQ(Parse("f(1) = 2\n").result, 0);
  EXPECT_EQ(Parse("[1][0] = 2\n").result, 0);
  EXPECT_EQ(Parse("1 = 2\n").result, 0);
  EXPECT_NE(Parse("-a = 2\n").result, 0);
}

TEST(Grammar, ForNeedsAnUnboundName) {
  EXPECT_EQ(Parse("for x in y: x\n").result, 0);
  Parse p("for g in y: 1\n", Names{{"g", 0}});
  EXPECT_NE(p.result, 0);
  EXPECT_EQ(p.errors.substr(0, p.errors.find('\n')),
            "syntax error, unexpected global, expecting symbol");
}

// ---- Error reports ----

std::string report(std::string const& text) {
  Names globals, locals;
  testing::internal::CaptureStderr();
  try {
    compile(globals, locals, text);
  } catch (std::runtime_error const& e) {
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_STREQ(e.what(), "compilation failed");
    return err;
  }
  testing::internal::GetCapturedStderr();
  ADD_FAILURE() << "compiled: " << text;
  return {};
}

TEST(SyntaxErrors, MessagesNameTheTokens) {
  EXPECT_EQ(report("x = ,"),
            "syntax error, unexpected \",\"\n"
            "    1 | x = ,\n"
            "      |     ~^\n");
  EXPECT_EQ(report("x = |"),
            "syntax error, unexpected |\n"
            "    1 | x = |\n"
            "      |     ~^\n");
  EXPECT_EQ(report("while a b"), "syntax error, unexpected symbol, expecting :\n"
                                 "    1 | while a b\n"
                                 "      |         ~^\n");
  EXPECT_EQ(report("(a]"),
            "syntax error, unexpected ], expecting )\n"
            "    1 | (a]\n"
            "      |   ~^\n");
  std::string two = report("x = [1 2]");
  EXPECT_EQ(two.substr(0, two.find('\n')), "syntax error, unexpected value, expecting \",\" or ]");
}

// ---- Code generation ----

Script build(std::string const& text, Names globals = {}) {
  Names locals;
  return compile(globals, locals, text);
}

std::vector<int> bytes(Script const& s) { return {s.code().begin(), s.code().end()}; }

TEST(Codegen, LastExpressionIsTheResult) {
  Script s = build("1 + 2");
  // LOADK 0, LOADK 1, ADD, RETURN 1, END
  EXPECT_EQ(bytes(s), (std::vector<int>{0, -1, 1, 14, -32, 1, 38}));
  EXPECT_EQ(s.stack_size(), 2u);
  EXPECT_EQ(s.run(nullptr, nullptr, nullptr, 0).get<Int>(), 3);

  Script t = build("if 0: 1\n1 + 2");
  EXPECT_EQ(t.code().back(), 38);
  EXPECT_EQ(t.code()[t.code().size() - 2], 6);  // the POP stays
  Val locals[1];
  EXPECT_TRUE(t.run(nullptr, locals, nullptr, 0).is<Null>());

  // A conditional and the logical operators are no jumps for this rule.
  EXPECT_EQ(build("0 ? 1 : 2").run(nullptr, nullptr, nullptr, 0).get<Int>(), 2);
  EXPECT_EQ(build("0 or 5").run(nullptr, nullptr, nullptr, 0).get<Int>(), 5);
  EXPECT_EQ(build("3 and 0").run(nullptr, nullptr, nullptr, 0).get<Int>(), 0);
  EXPECT_EQ(build("return").run(nullptr, nullptr, nullptr, 0).is<Null>(), true);
}

TEST(Codegen, ListingOfASmallScript) {
  std::ostringstream o;
  o << build("x = @1");
  EXPECT_EQ(o.str(), "data:\n"
                     "code:\n"
                     "   0 | LOADA,1\n"
                     "   2 | STORL,0\n"
                     "   3 | RETURN,1\n"
                     "   5 | END,0\n"
                     "stack size = 1\n");
}

TEST(Codegen, IfAndWhileJumps) {
  // LOADL a; JZ +7; LOADL b; POP; JMP +2 (even without an else); END
  EXPECT_EQ(bytes(build("if a: b")), (std::vector<int>{1, -25, 7, -2, 1, 6, -26, 2, 38}));
  // The loop jumps back to its condition.
  EXPECT_EQ(bytes(build("while a: b")), (std::vector<int>{1, -25, 7, -2, 1, 6, -26, -6, 38}));
  EXPECT_EQ(bytes(build("if a: b\nelse: a")),
            (std::vector<int>{1, -25, 7, -2, 1, 6, -26, 4, 1, 6, 38}));
}

TEST(Codegen, ForLoopKeepsItsStateOnTheStack) {
  Script s = build("for x in y: x");
  // LOADL y; LOADK null; NEXT +8; STORL x; POP; LOADL x; POP; JMP -6; END
  EXPECT_EQ(bytes(s), (std::vector<int>{-2, 1, 0, -37, 8, 4, 6, 1, 6, -26, -6, 38}));
  EXPECT_TRUE(s.data().at(0).is<Null>());
  EXPECT_EQ(s.stack_size(), 3u);
}

TEST(Codegen, BreakLeavesTheInnermostLoop) {
  Names g{{"log", 0}};
  Script s = build("while 1:\n  while 1:\n    break\n  log = 5\n  break\n", g);
  Val globals[1];
  Val locals[1];
  EXPECT_TRUE(s.run(globals, locals, nullptr, 0).is<Null>());
  EXPECT_EQ(globals[0].get<Int>(), 5);
  // A break in an if of a loop leaves the loop, not the if.
  Script t = build("n = 0\nwhile 1:\n  n = n + 1\n  if n > 20: break\n  n = n + 10\nlog = n\n", g);
  Val tl[1];
  t.run(globals, tl, nullptr, 0);
  EXPECT_EQ(globals[0].get<Int>(), 23);
}

TEST(Codegen, BreakingOutOfForLoopsKeepsTheDepth) {
  Script once = build("while 1:\n  for x in [1]: break\n  break\n");
  Script twice = build("while 1:\n  for x in [1]: break\n  for x in [1]: break\n  break\n");
  // The excess of one loop: iterable and state.
  EXPECT_EQ(twice.stack_size(), once.stack_size() + 2);
  Names g{{"n", 0}};
  Script s = build("while n < 500:\n  for x in [1, 2]:\n    if x: break\n  n = n + 1\n", g);
  Val globals[1] = {Val(Int{0})};
  Val locals[1];
  s.run(globals, locals, nullptr, 0);
  EXPECT_EQ(globals[0].get<Int>(), 500);
}

TEST(Codegen, AssignmentLeavesItsValue) {
  Script s = build("m = {}\nm[1] = 7");
  Val locals[1];
  EXPECT_EQ(s.run(nullptr, locals, nullptr, 0).get<Int>(), 7);
}

struct Failure {
  std::string text;
  char const* message;
};

TEST(Codegen, CompileErrors) {
  // The limits the scripts of the conformance folder do not reach.
  std::string args = "f(";
  for (int i = 0; i < 128; ++i) args += "1,";
  args += "1)";
  Failure cases[] = {
      {"[a] = 1", "expected lvalue"},
      {"x = f(1) = 2", "expected lvalue"},
      {"while 1:\n  if 1: 2\nbreak", "break outside loop"},
      {args, "too many arguments"},
  };
  for (Failure const& c : cases) {
    Names g, l;
    try {
      compile(g, l, c.text);
      ADD_FAILURE() << "compiled: " << c.text.substr(0, 40);
    } catch (std::runtime_error const& e) {
      EXPECT_STREQ(e.what(), c.message) << c.text.substr(0, 40);
    }
  }
  // Right at the limits everything still compiles.
  std::string ok = "f(";
  for (int i = 0; i < 126; ++i) ok += "1,";
  ok += "1)\n";
  for (int i = 0; i < 127; ++i) ok.append("v").append(std::to_string(i)).append(" = 1\n");
  Names g, l;
  EXPECT_NO_THROW(compile(g, l, ok));
  EXPECT_EQ(l.size(), 128u);
}

TEST(Codegen, GlobalsBeyondOneByteAreRefused) {
  Names g;
  for (size_t i = 0; i < 130; ++i) g[std::string("g").append(std::to_string(i))] = i;
  Names l;
  EXPECT_NO_THROW(compile(g, l, "g127"));
  try {
    compile(g, l, "g128");
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_STREQ(e.what(), "too many globals");
  }
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

TEST(Codegen, FailedCompilesKeepNewLocals) {
  Names g, l;
  testing::internal::CaptureStderr();
  EXPECT_THROW(compile(g, l, "a = b +"), std::runtime_error);
  EXPECT_EQ(l.size(), 2u);
  EXPECT_THROW(compile(g, l, "c = 1\n  d"), std::runtime_error);
  testing::internal::GetCapturedStderr();
  EXPECT_THROW(compile(g, l, "e = 1\nbreak"), std::runtime_error);
  // The parse stopped before d.
  EXPECT_EQ(l.size(), 4u);
  EXPECT_EQ(l.at("e"), 3u);
}

} // namespace
} // namespace kestrine
