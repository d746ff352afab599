#include "mpk/print.hpp"

#include "hex.hpp"

namespace {

std::string printed(std::string const& bytes, char const* indent = nullptr) {
  std::stringbuf sb(bytes);
  mpk::Scanner s(sb);
  return mpk::print(s, indent, 0);
}

} // namespace

TEST(MpkPrint, EveryKindOnOneLine) {
  std::pair<char const*, char const*> const rows[] = {
      {"05", "5"}, {"ff", "-1"}, {"d0 80", "-128"}, {"cd 01 00", "256"}, {"d3 ff ff ff ff ff ff ff fe", "-2"},
      {"cb 3f f8 00 00 00 00 00 00", "1.500000"}, {"ca bf 80 00 00", "-1.000000"}, {"c0", "nil"}, {"c1", "<bad>"},
      {"c2", "false"}, {"c3", "true"}, {"", "-1"}, // the end of input reads as 0xFF
      {"a3 78 0a 79", "\"x\\x0ay\""}, {"a4 22 5c 0d 7f", "\"\"\\\\x0d\\x7f\""}, {"a0", "\"\""},
      {"c4 02 ab 01", "ab01"}, {"c4 00", ""}, {"92 d6 ff 00 00 00 00 07", "[<fixext4>,7]"},
      {"92 c7 02 01 09 09 07", "[<ext8>,7]"}, {"92 c8 00 01 01 09 07", "[<ext16>,7]"}, {"93 01 02 03", "[1,2,3]"},
      {"90", "[]"}, {"80", "{}"}, {"81 a1 61 01", "{\"a\":1}"}};
  for (auto [hex, text] : rows) EXPECT_EQ(printed(h(hex)), text) << hex;
  EXPECT_EQ(printed(h("93 01 02 03"), "  "), "[1,2,3]"); // short enough for one line
}

TEST(MpkPrint, LongListsSpreadOverLines) {
  std::string three = "\x93\xAA" "aaaaaaaaaa\xAA" "bbbbbbbbbb\xAA" "cccccccccc";
  EXPECT_EQ(printed(three, "  "), "[\n  \"aaaaaaaaaa\",\n  \"bbbbbbbbbb\",\n  \"cccccccccc\"\n]");
  EXPECT_EQ(printed(three), "[\"aaaaaaaaaa\",\"bbbbbbbbbb\",\"cccccccccc\"]");
  // Nested: inner lines one level deeper, each closing bracket at its own level.
  EXPECT_EQ(printed("\x92\x01" + three, "  "),
            "[\n  1,\n  [\n    \"aaaaaaaaaa\",\n    \"bbbbbbbbbb\",\n    \"cccccccccc\"\n  ]\n]");
}
