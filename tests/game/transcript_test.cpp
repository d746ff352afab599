#include "game/transcript.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The transcript's kept lines, each followed by "|".
std::string lines_of(Transcript const& t) {
  std::string out;
  for (auto n = t.first(); n < t.end(); ++n) out += std::string(t.line(n)) + "|";
  return out;
}

std::string repeat(std::string const& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

} // namespace

TEST(Transcript, KeepsTheNewestLinesWithinItsLimit) {
  std::string const e = "\xc3\xa9"; // é, two bytes
  struct Case { std::vector<std::string> adds; std::string lines; std::uint64_t first; } const cases[] = {
      {{"ab\n", "cd\n"}, "ab|cd|", 0},
      {{"0123456\n", "abcdefg\n"}, "0123456|abcdefg|", 0}, // 16 bytes: just within
      {{"0123456\n", "abcdefg\n", "x\n"}, "abcdefg|x|", 1},
      {{"0123456\nabcdefg\nx\n"}, "abcdefg|x|", 1},
      {{repeat("xy\n", 100)}, repeat("xy|", 5), 95},
      {{"\n\n\n"}, "|||", 0},
      // A line longer than the limit keeps its start, cut with a mark, and
      // alone fills the transcript.
      {{"a\n", "0123456789abcdefghij\n"}, "0123456789[...]|", 1},
      {{"0123456789", "abcdefghij", "klm", "\n", "z\n"}, "z|", 1},
      {{"0123456789abcdefghij"}, "0123456789[...]|", 0},
      {{std::string("a").append(repeat(e, 10)) + "\n"}, std::string("a").append(repeat(e, 4)) + "[...]|", 0},
      {{repeat(e, 10) + "\n"}, repeat(e, 5) + "[...]|", 0}, // no character is split
      // A line stays open until its newline.
      {{"abc"}, "abc|", 0},
      {{"abc", "def\n", "g"}, "abcdef|g|", 0},
      {{"ab\n", "", "cd\n"}, "ab|cd|", 0},
  };
  for (auto const& c : cases) {
    std::ostringstream out;
    Transcript t(16, out);
    std::string all;
    for (auto const& a : c.adds) t.add(a), all += a;
    EXPECT_EQ(lines_of(t), c.lines) << all;
    EXPECT_EQ(t.first(), c.first) << all;
    EXPECT_LE(t.size(), 16u) << all;
    t.write_out();
    EXPECT_EQ(out.str(), all) << "standard output keeps everything";

    // Written through in pieces of three bytes: kept and written alike.
    std::ostringstream through_out;
    Transcript through(16, through_out);
    for (auto const& a : c.adds) {
      std::vector<std::string_view> pieces;
      for (std::size_t i = 0; i < a.size(); i += 3) pieces.push_back(std::string_view(a).substr(i, 3));
      through.write_through(pieces);
    }
    EXPECT_EQ(lines_of(through), c.lines) << all << " in pieces";
    EXPECT_EQ(through_out.str(), all) << all << " in pieces";
  }
}

TEST(Transcript, StandardOutputGetsEveryLineInOrderAndClearDropsOnlyWhatItHasNotSeen) {
  std::ostringstream out;
  Transcript t(16, out);
  std::string expect;
  for (int i = 0; i < 200; ++i) {
    std::string const line = "line " + std::to_string(i) + "\n";
    t.add(line);
    expect += line;
    if (i % 3 == 0) t.write_out();
  }
  // Text written through comes after what was added before it.
  t.add("> echo\n");
  std::string_view const pieces[] = {"wri", "tten\n"};
  t.write_through(pieces);
  expect += "> echo\nwritten\n";
  t.write_out();
  EXPECT_EQ(out.str(), expect);
  EXPECT_EQ(t.text(), "> echo\nwritten\n");
  EXPECT_EQ(t.unwritten(), 0u);

  t.add("not yet out\n");
  auto const before = t.version();
  t.clear();
  EXPECT_NE(t.version(), before);
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t.first(), t.end()) << "line numbers go on";
  EXPECT_EQ(t.unwritten(), 0u);
  t.add("after\n");
  t.write_out();
  EXPECT_EQ(out.str(), expect + "after\n");
  EXPECT_EQ(lines_of(t), "after|");
}

TEST(Transcript, SelectionsClampToTheKeptText) {
  Transcript t(32);
  t.add("one two\nthree(four, five)\nsix\n");
  using P = Transcript::Place;
  struct Case { P a, b; char const* text; } const cases[] = {
      {{0, 4}, {0, 7}, "two"},
      {{1, 6}, {0, 4}, "two\nthree("}, // either order
      {{0, 0}, {2, 3}, "one two\nthree(four, five)\nsix"},
      {{0, 99}, {1, 2}, "\nth"},        // past a line's end: its end
      {{2, 1}, {9, 0}, "ix"},           // past the last line: the end
  };
  for (auto const& c : cases) EXPECT_EQ(t.between(c.a, c.b), c.text) << c.text;
  t.add("seven\n"); // the first line goes
  EXPECT_EQ(t.first(), 1u);
  EXPECT_EQ(t.between({0, 4}, {1, 5}), "three") << "a dropped line's place is the first kept line's start";
  EXPECT_EQ(t.between(t.front(), t.back()), "three(four, five)\nsix\nseven");

  struct Word { char const* line; std::size_t at, begin, end; } const words[] = {
      {"three(four, five)", 7, 6, 10}, {"three(four, five)", 0, 0, 5}, {"three(four, five)", 5, 5, 5},
      {"three(four, five)", 99, 99, 99}, {"", 0, 0, 0}, {"a\tb", 2, 2, 3},
  };
  for (auto const& w : words)
    EXPECT_EQ(word_at(w.line, w.at), std::pair(w.begin, w.end)) << w.line << " at " << w.at;
}
