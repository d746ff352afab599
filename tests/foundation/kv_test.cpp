#include "foundation/kv.hpp"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Every token up to end or error, as "kind:text" items.
std::vector<std::string> scan(std::string text, std::string* report = nullptr) {
  Kv_scan s(std::move(text));
  std::vector<std::string> out;
  testing::internal::CaptureStderr();
  for (;;) {
    int k = s();
    if (k == Kv_scan::End || k == Kv_scan::Error) {
      out.push_back(k == Kv_scan::End ? "end" : "error");
      break;
    }
    out.push_back(std::to_string(k) + ":" + std::string(s.token));
  }
  std::string err = testing::internal::GetCapturedStderr();
  if (report) *report = err;
  return out;
}

using V = std::vector<std::string>;

} // namespace

TEST(KvScan, EmptyAndBlankTextsEndAtOnce) {
  EXPECT_EQ(scan(""), V{"end"});
  EXPECT_EQ(scan("\n\n   \n \r\n"), V{"end"});
}

TEST(KvScan, SectionsKeepTheirBlanks) {
  EXPECT_EQ(scan("[a]"), (V{"1:a", "end"}));
  EXPECT_EQ(scan("[ a b ]  \n"), (V{"1: a b ", "end"}));
  EXPECT_EQ(scan("[]\n[x=[y]\n"), (V{"1:", "1:x=[y", "end"}));
}

TEST(KvScan, KeysAndValuesAreTrimmed) {
  EXPECT_EQ(scan("k=v"), (V{"2:k", "3:v", "end"}));
  EXPECT_EQ(scan("  k  =   v  "), (V{"2:k", "3:v", "end"}));
  EXPECT_EQ(scan("k ="), (V{"2:k", "3:", "end"}));
  EXPECT_EQ(scan("a = b = c\n"), (V{"2:a", "3:b = c", "end"}));
  EXPECT_EQ(scan("==x"), (V{"2:=", "3:x", "end"}));
  EXPECT_EQ(scan("; x = y"), (V{"2:; x", "3:y", "end"}));
  EXPECT_EQ(scan("[s]\nk = v\n\n  j=[w]\n"), (V{"1:s", "2:k", "3:v", "2:j", "3:[w]", "end"}));
}

TEST(KvScan, CarriageReturnsStayInValuesButNotInEmptyOnes) {
  EXPECT_EQ(scan("k = v\r\nj =\r\n"), (V{"2:k", "3:v\r", "2:j", "3:", "end"}));
}

TEST(KvScan, SyntaxErrors) {
  EXPECT_EQ(scan("\tk = v").back(), "error");
  EXPECT_EQ(scan("k\t= v").back(), "error");
  EXPECT_EQ(scan("k = \tv").back(), "error");
  EXPECT_EQ(scan("# comment\n").back(), "error");
  EXPECT_EQ(scan("[a] b = c").back(), "error");
  EXPECT_EQ(scan("[a").back(), "error");
  EXPECT_EQ(scan("[a\n]").back(), "error");
  EXPECT_EQ(scan("k = \xff").back(), "error");
  // Tokens before the fault still arrive.
  EXPECT_EQ(scan("a = 1\nb\n"), (V{"2:a", "3:1", "error"}));
}

TEST(KvScan, ErrorReportMarksTheCurrentToken) {
  std::string report;
  scan("[s]\nx = 1\nbad line\n", &report);
  EXPECT_EQ(report, "syntax error\n"
                    "    2 | x = 1\n"
                    "      |     ~^\n");

  scan("\x01", &report); // nothing delimited yet: empty token at the start
  EXPECT_EQ(report, "syntax error\n"
                    "    1 | \x01\n"
                    "      | ^\n");
}

TEST(KvScan, LongTokensShowTheLastSeventyCharacters) {
  std::string key(100, 'k');
  key[30] = 'A'; // the 70 shown end with the key's last character
  Kv_scan s(key + " = v\n");
  ASSERT_EQ(s(), Kv_scan::Key);
  testing::internal::CaptureStderr();
  s.error(s.token, "unrecognized key");
  std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(report, "unrecognized key\n    1 | " + key.substr(30) + "\n      | " + std::string(70, '~') + "^\n");
}

TEST(KvScan, ZeroByteEndsTheText) {
  EXPECT_EQ(scan(std::string("a = b\0c = d", 11)), (V{"2:a", "3:b", "end"}));
}
