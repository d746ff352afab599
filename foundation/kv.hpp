#pragma once
// Tokenizer of the key/value data files (settings, translations, packs).
#include <string>
#include <string_view>

struct Kv_scan {
  // What operator() returns.
  enum Kind : int { End = 0, Section = 1, Key = 2, Value = 3, Error = 4 };

  std::string text;
  char const* cursor;
  int state = 0;
  std::string_view token;

  explicit Kv_scan(std::string text_);
  Kv_scan(Kv_scan const&) = delete;
  Kv_scan& operator=(Kv_scan const&) = delete;

  int operator()();
  // Reports a problem with a token of this text on standard error: the
  // message, the numbered line and a marker under the token.
  void error(std::string_view tok, std::string_view message) const;
};
