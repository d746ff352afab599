#include "kestrine/scan.hpp"

#include "kestrine/compiler.hpp"
#include "kestrine/parse.tab.hpp"

#include <cstdint>
#include <iostream>
#include <stdexcept>

namespace kestrine {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_alnum(char c) { return is_alpha(c) || is_digit(c); }

// Consumes n bytes as one piece of text: the location moves over it.
void take(Scanner& sc, size_t n) {
  sc.loc.first = sc.loc.last;
  sc.loc.last += static_cast<long>(n);
  sc.pos += n;
}

// Length of an integer literal at `at`: "0", or a non-zero digit and digits.
size_t integer_length(std::string_view text, size_t at) {
  if (at >= text.size() || !is_digit(text[at])) return 0;
  if (text[at] == '0') return 1;
  size_t end = at;
  while (end < text.size() && is_digit(text[end])) ++end;
  return end - at;
}

long integer_value(std::string_view digits) {
  uint64_t v = 0;
  for (char c : digits) {
    auto d = static_cast<uint64_t>(c - '0');
    // Checked before the step: v * 10 itself may wrap around.
    if (v > (static_cast<uint64_t>(INT64_MAX) - d) / 10)
      throw std::runtime_error("integer literal out of range");
    v = v * 10 + d;
  }
  return static_cast<long>(v);
}

// Length of a string literal at `at` (quotes included), 0 when it is never
// closed.
size_t string_length(std::string_view text, size_t at) {
  for (size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == '"') return i + 1 - at;
    if (text[i] == '\\' && ++i == text.size()) break;
  }
  return 0;
}

struct Keyword {
  std::string_view text;
  int token;
};

constexpr Keyword keywords[] = {
    {"if", TK_IF},   {"elif", TK_ELIF}, {"else", TK_ELSE},     {"while", TK_WHILE},
    {"for", TK_FOR}, {"in", TK_IN},     {"and", TK_AND},       {"or", TK_OR},
    {"return", TK_RETURN}, {"break", TK_BREAK},
};

// Operators, two-character ones first so the longer match wins.
struct Punct {
  std::string_view text;
  int token;
};

constexpr Punct puncts[] = {
    {"==", TK_EQ}, {"!=", TK_NE}, {"<=", TK_LE}, {">=", TK_GE}, {"<<", TK_SHL}, {">>", TK_SHR},
    {"=", TK_ASSIGN}, {"<", TK_LT}, {">", TK_GT}, {"+", TK_ADD}, {"-", TK_SUB},
    {"*", TK_MUL}, {"/", TK_DIV}, {"%", TK_MOD}, {"|", TK_BOR}, {"^", TK_XOR},
    {"&", TK_BAND}, {"~", TK_NEG}, {"!", TK_NOT}, {"?", TK_QUESTION}, {":", TK_COLON},
    {",", TK_COMMA}, {"(", TK_LPAREN}, {")", TK_RPAREN}, {"[", TK_LBRACKET},
    {"]", TK_RBRACKET}, {"{", TK_LCURLY}, {"}", TK_RCURLY},
};

// A name, keyword or literal starting at the current position, or 0.
int word(Scanner& sc, Parser& p, int* value) {
  std::string_view text = sc.text;
  size_t at = sc.pos;
  char c = text[at];
  if (is_alpha(c)) {
    size_t end = at;
    while (end < text.size() && is_alnum(text[end])) ++end;
    std::string_view name = text.substr(at, end - at);
    take(sc, end - at);
    for (Keyword const& k : keywords)
      if (k.text == name) return k.token;
    if (name == "true" || name == "false" || name == "null") {
      Val v;
      if (name != "null") v = Val(name == "true");
      *value = static_cast<int>(p.comp.find_or_create_value(v));
      return TK_VALUE;
    }
    long g = p.comp.find_global(name);
    if (g >= 0) {
      *value = static_cast<int>(g);
      return TK_GLOBAL;
    }
    *value = static_cast<int>(p.comp.find_or_create_local(name));
    return TK_SYMBOL;
  }
  if (size_t n = integer_length(text, at)) {
    long v = integer_value(text.substr(at, n));
    take(sc, n);
    *value = static_cast<int>(p.comp.find_or_create_value(Val(v)));
    return TK_VALUE;
  }
  if (c == '"') {
    if (size_t n = string_length(text, at)) {
      take(sc, n);
      *value = static_cast<int>(p.comp.find_or_create_value(Val(std::string(text.substr(at + 1, n - 2)))));
      return TK_VALUE;
    }
    return 0;
  }
  if (c == '@') {
    if (size_t n = integer_length(text, at + 1)) {
      long v = integer_value(text.substr(at + 1, n));
      // An argument number is one signed byte of code.
      if (v > 127) throw std::runtime_error("too many arguments");
      take(sc, n + 1);
      *value = static_cast<int>(v);
      return TK_ARG;
    }
    return 0;
  }
  for (Punct const& op : puncts)
    if (text.substr(at, op.text.size()) == op.text) {
      take(sc, op.text.size());
      return op.token;
    }
  return 0;
}

} // namespace

void Indent::start(Scanner& sc, std::string_view run) {
  for (;;) {
    if (run.substr(0, string.size()) == string) break;
    if (string.substr(0, run.size()) == run && !levels.empty()) {
      string.resize(static_cast<size_t>(levels.back()));
      levels.pop_back();
      target += 2;
      sc.state = Scanner::Layout;
      continue;
    }
    throw std::runtime_error("indentation mismatch");
  }
  if (run.size() == string.size()) return;
  levels.push_back(static_cast<int>(string.size()));
  string = run;
  target = -1;
  sc.state = Scanner::Layout;
}

int Indent::next(Scanner& sc) {
  if (target == -1) {
    target = 0;
    sc.state = Scanner::Normal;
    return TK_INDENT;
  }
  if (--target == 0) sc.state = Scanner::Normal;
  return target % 2 ? TK_DEDENT : TK_EOL;
}

int Indent::unroll() {
  if (!levels.empty()) {
    target = 2 * static_cast<int>(levels.size());
    levels.clear();
  }
  if (target < 0) {
    string.clear();
    target = 0;
    return TK_END;
  }
  --target;
  return target % 2 ? TK_EOL : TK_DEDENT;
}

int yylex(int* value, Location* loc, Scanner& sc, Parser& p) {
  std::string_view text = sc.text;
  int token = 0;
  while (token == 0) {
    if (sc.pos >= text.size()) {
      token = p.indent.unroll();
      break;
    }
    char c = text[sc.pos];
    if (sc.state == Scanner::Layout) {
      // Layout tokens stand before the line's first character, which is
      // read again afterwards.
      sc.loc.first = sc.loc.last;
      token = p.indent.next(sc);
      break;
    }
    if (sc.state == Scanner::Comment) {
      if (c == '\n')
        sc.state = Scanner::Normal;
      else
        take(sc, 1);
      continue;
    }
    if (c == '#') {
      sc.state = Scanner::Comment;
      take(sc, 1);
      continue;
    }
    if (c == '\n') {
      size_t end = sc.pos + 1;
      while (end < text.size() && is_blank(text[end])) ++end;
      size_t mark = end;
      while (mark < text.size() && text[mark] == '\r') ++mark;
      // Lines of blanks and comment lines, indented or not, carry no layout.
      if (mark == text.size() || text[mark] == '\n' || text[mark] == '#') {
        take(sc, 1);
        continue;
      }
      std::string_view run = text.substr(sc.pos + 1, end - sc.pos - 1);
      take(sc, end - sc.pos);
      p.indent.start(sc, run);
      token = TK_EOL;
      break;
    }
    if (is_blank(c)) {
      take(sc, 1);
      continue;
    }
    token = word(sc, p, value);
    if (token == 0) {
      // Unknown characters are shown, not rejected.
      std::cout.put(c);
      take(sc, 1);
    }
  }
  *loc = sc.loc;
  return token;
}

} // namespace kestrine
