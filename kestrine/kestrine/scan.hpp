#pragma once
// The scanner: splits source text into the grammar's tokens, turns line
// starts and indentation changes into layout tokens, resolves names and
// interns literals while it goes.
#include "kestrine/ast.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace kestrine {

struct Compiler;

// Byte range of the current token, from the start of the text.
struct Location {
  long first = 0;
  long last = 0;
};

struct Scanner;

// The off-side rule.
struct Indent {
  std::string string;       // blanks and tabs of the current indentation
  std::vector<int> levels;  // lengths of the enclosing indentations
  int target = 0;           // pending layout tokens: -1 one indent, 2k k dedent/eol pairs

  void start(Scanner& sc, std::string_view run);
  int next(Scanner& sc);
  int unroll();
};

// What one parse works on.
struct Parser {
  Compiler& comp;
  std::string_view text;
  Ast ast;
  Indent indent;
};

struct Scanner {
  enum State { Normal, Layout, Comment };

  std::string text;  // the scanner's own copy of the source
  size_t pos = 0;
  State state = Normal;
  Location loc;

  explicit Scanner(std::string_view source) : text(source) {}
};

// Returns the next token number, storing its value and location.
int yylex(int* value, Location* loc, Scanner& sc, Parser& p);

} // namespace kestrine
