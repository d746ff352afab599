#include "mpk/print.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string printed(std::string const& bytes, char const* indent = nullptr) {
  std::stringbuf sb(bytes);
  mpk::Scanner s(sb);
  return mpk::print(s, indent, 0);
}

} // namespace

TEST(MpkPrint, Scalars) {
  EXPECT_EQ(printed("\x05"), "5");
  EXPECT_EQ(printed("\xFF"), "-1");
  EXPECT_EQ(printed(std::string("\xD0\x80", 2)), "-128");
  EXPECT_EQ(printed(std::string("\xCD\x01\x00", 3)), "256");
  EXPECT_EQ(printed(std::string("\xD3\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE", 9)), "-2");
  EXPECT_EQ(printed(std::string("\xCB\x3F\xF8\0\0\0\0\0\0", 9)), "1.500000");
  EXPECT_EQ(printed(std::string("\xCA\xBF\x80\0\0", 5)), "-1.000000");
  EXPECT_EQ(printed("\xC0"), "nil");
  EXPECT_EQ(printed("\xC1"), "<bad>");
  EXPECT_EQ(printed("\xC2"), "false");
  EXPECT_EQ(printed("\xC3"), "true");
  EXPECT_EQ(printed(""), "-1"); // the end of input reads as 0xFF
}

TEST(MpkPrint, StringsAndBytes) {
  EXPECT_EQ(printed("\xA3x\ny"), "\"x\\x0ay\"");
  EXPECT_EQ(printed("\xA4\"\\\r\x7f"), "\"\"\\\\x0d\\x7f\"");
  EXPECT_EQ(printed("\xA0"), "\"\"");
  EXPECT_EQ(printed(std::string("\xC4\x02\xAB\x01", 4)), "ab01");
  EXPECT_EQ(printed(std::string("\xC4\x00", 2)), "");
}

TEST(MpkPrint, ExtensionsAreNamedAndSkipped) {
  EXPECT_EQ(printed(std::string("\x92\xD6\xFF\0\0\0\0\x07", 8)), "[<fixext4>,7]");
  EXPECT_EQ(printed(std::string("\x92\xC7\x02\x01\x09\x09\x07", 7)), "[<ext8>,7]");
  EXPECT_EQ(printed(std::string("\x92\xC8\x00\x01\x01\x09\x07", 7)), "[<ext16>,7]");
}

TEST(MpkPrint, ContainersOnOneLine) {
  EXPECT_EQ(printed("\x93\x01\x02\x03"), "[1,2,3]");
  EXPECT_EQ(printed("\x90"), "[]");
  EXPECT_EQ(printed("\x80"), "{}");
  EXPECT_EQ(printed("\x81\xA1" "a\x01"), "{\"a\":1}");
  EXPECT_EQ(printed("\x93\x01\x02\x03", "  "), "[1,2,3]");
}

TEST(MpkPrint, LongListsSpreadOverLines) {
  std::string three = "\x93\xAA" "aaaaaaaaaa\xAA" "bbbbbbbbbb\xAA" "cccccccccc";
  EXPECT_EQ(printed(three, "  "), "[\n  \"aaaaaaaaaa\",\n  \"bbbbbbbbbb\",\n  \"cccccccccc\"\n]");
  EXPECT_EQ(printed(three), "[\"aaaaaaaaaa\",\"bbbbbbbbbb\",\"cccccccccc\"]");
  // Nested: inner lines one level deeper, each closing bracket at its own level.
  std::string nested = "\x92\x01" + three;
  EXPECT_EQ(printed(nested, "  "), "[\n  1,\n  [\n    \"aaaaaaaaaa\",\n    \"bbbbbbbbbb\",\n"
                                   "    \"cccccccccc\"\n  ]\n]");
}
