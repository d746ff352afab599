#include "foundation/kv.hpp"

#include <gtest/gtest.h>

namespace {

// Every token up to the end or an error, as "kind:text|" items.
std::string scan(std::string text, std::string* report = nullptr) {
  Kv_scan s(std::move(text));
  std::string out;
  testing::internal::CaptureStderr();
  int k;
  while ((k = s()) != Kv_scan::End && k != Kv_scan::Error) out += std::to_string(k) + ":" + std::string(s.token) + "|";
  std::string err = testing::internal::GetCapturedStderr();
  if (report) *report = err;
  return out + (k == Kv_scan::End ? "end" : "error");
}

} // namespace

TEST(KvScan, TokensOfSectionsKeysAndValues) {
  std::pair<std::string, char const*> rows[] = {
      {"", "end"}, {"\n\n   \n \r\n", "end"},
      // Sections keep their blanks.
      {"[a]", "1:a|end"}, {"[ a b ]  \n", "1: a b |end"}, {"[]\n[x=[y]\n", "1:|1:x=[y|end"},
      // Keys and values are trimmed; a value runs to the end of its line.
      {"k=v", "2:k|3:v|end"}, {"  k  =   v  ", "2:k|3:v|end"}, {"k =", "2:k|3:|end"},
      {"a = b = c\n", "2:a|3:b = c|end"},
      {"==x", "2:=|3:x|end"}, {"; x = y", "2:; x|3:y|end"}, {"[s]\nk = v\n\n  j=[w]\n", "1:s|2:k|3:v|2:j|3:[w]|end"},
      {"k = v\r\nj =\r\n", "2:k|3:v\r|2:j|3:|end"}, // carriage returns stay in values, but not in empty ones
      {std::string("a = b\0c = d", 11), "2:a|3:b|end"}, // a zero byte ends the text
      // Syntax errors; the tokens before them still arrive.
      {"\tk = v", "error"}, {"k\t= v", "error"}, {"k = \tv", "2:k|error"}, {"# comment\n", "error"},
      {"[a] b = c", "1:a|error"}, {"[a", "error"}, {"[a\n]", "error"}, {"k = \xff", "2:k|error"},
      {"a = 1\nb\n", "2:a|3:1|error"}};
  for (auto const& [text, want] : rows) EXPECT_EQ(scan(text), want) << text;
}

TEST(KvScan, ErrorReportMarksTheCurrentTokenWithItsLastSeventyCharacters) {
  std::string report;
  scan("[s]\nx = 1\nbad line\n", &report);
  EXPECT_EQ(report, "syntax error\n    2 | x = 1\n      |     ~^\n");
  scan("\x01", &report); // nothing delimited yet: empty token at the start
  EXPECT_EQ(report, "syntax error\n    1 | \x01\n      | ^\n");

  std::string key(100, 'k');
  key[30] = 'A'; // the 70 shown end with the key's last character
  Kv_scan s(key + " = v\n");
  ASSERT_EQ(s(), Kv_scan::Key);
  testing::internal::CaptureStderr();
  s.error(s.token, "unrecognized key");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "unrecognized key\n    1 | " + key.substr(30) + "\n      | " + std::string(70, '~') + "^\n");
}
