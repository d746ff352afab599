#include "foundation/kv.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace {

enum : signed char { END = 99, ERR = -1, SECTION = 50, KEY = 51, VALUE_BEGIN = 52, VALUE = 53, RESTART = 54 };

constexpr std::array<signed char, 256> make_group() {
  std::array<signed char, 256> g{};
  for (int c = 0; c < 256; ++c) {
    signed char k = 7; // invalid
    if (c == 0) k = 0;
    else if (c == '[') k = 1;
    else if (c == ']') k = 2;
    else if (c == '=') k = 3;
    else if (c == '\n') k = 4;
    else if (c == 0x0B || c == '\r' || c == ' ') k = 5;
    else if (c >= 0x21 && c <= 0xFE) k = 6;
    g[c] = k;
  }
  return g;
}

constexpr std::array<signed char, 256> group = make_group();

// Rows: states 0..8; columns: end open close equals newline blank ordinary invalid.
constexpr signed char trans[9][8] = {
    {END, 1, 4, 4, 8, 8, 4, ERR},                                                 // line start
    {ERR, 1, 2, 1, ERR, 1, 1, ERR},                                               // section name
    {SECTION, SECTION, SECTION, SECTION, SECTION, SECTION, SECTION, ERR},         // after "]"
    {END, ERR, ERR, ERR, 8, 3, ERR, ERR},                                         // rest of section line
    {ERR, 4, 4, KEY, ERR, 4, 4, ERR},                                             // key
    {ERR, ERR, ERR, 6, ERR, ERR, ERR, ERR},                                       // at "="
    {VALUE_BEGIN, VALUE_BEGIN, VALUE_BEGIN, VALUE_BEGIN, VALUE_BEGIN, 6, VALUE_BEGIN, ERR}, // after "="
    {VALUE, 7, 7, 7, VALUE, 7, 7, ERR},                                           // value
    {RESTART, RESTART, RESTART, RESTART, RESTART, RESTART, RESTART, ERR},         // skip
};

std::string_view trimmed(char const* b, char const* e) {
  while (e > b && e[-1] == ' ') --e;
  return {b, static_cast<std::size_t>(e - b)};
}

} // namespace

Kv_scan::Kv_scan(std::string text_) : text(std::move(text_)), cursor(text.c_str()), token(text.c_str(), 0) {}

int Kv_scan::operator()() {
  char const* item = cursor;
  for (;;) {
    state = trans[state][group[static_cast<unsigned char>(*cursor)]];
    switch (state) {
    case END:
      return End;
    case ERR:
      error(token, "syntax error");
      return Error;
    case SECTION:
      token = {item + 1, static_cast<std::size_t>(cursor - 1 - (item + 1))};
      state = 3;
      return Section;
    case KEY:
      token = trimmed(item, cursor);
      state = 5;
      return Key;
    case VALUE_BEGIN:
      token = {item, static_cast<std::size_t>(cursor - item)};
      state = 7;
      item = cursor;
      continue;
    case VALUE:
      token = trimmed(item, cursor);
      state = 0;
      return Value;
    case RESTART:
      state = 0;
      item = cursor;
      continue;
    default:
      ++cursor;
    }
  }
}

void Kv_scan::error(std::string_view tok, std::string_view message) const {
  char const* b = text.c_str();
  char const* e = b + std::strlen(b);
  char const* tb = tok.data();
  char const* te = tb + tok.size();

  long line = 1 + std::count(b, tb, '\n');
  char const* line_start = tb;
  while (line_start > b && line_start[-1] != '\n') --line_start;
  char const* line_end = std::find(te, e, '\n');

  // Never form a pointer before the text: the token may start near it.
  char const* last70 = te - std::min<std::ptrdiff_t>(70, te - b);
  char const* ws = std::max(last70, line_start);
  char const* ms = std::max(last70, tb);
  int shown = static_cast<int>(std::min(ws + 70, line_end) - ws);

  std::fflush(stdout);
  std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
  std::fprintf(stderr, "%5ld | %.*s\n", line, shown, ws);
  std::string marker = "      | ";
  marker.append(static_cast<std::size_t>(ms - ws), ' ');
  marker.append(static_cast<std::size_t>(te - ms), '~');
  marker += "^\n";
  std::fputs(marker.c_str(), stderr);
}
