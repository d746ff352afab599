// Damaged input: every failure is recorded, nothing crashes, and memory stays
// proportional to the data actually present.
#include "mpk/mpk.hpp"
#include "mpk/print.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

struct Item {
  std::string name;
  short count = 0;
};
void operator%(mpk::Scanner& s, Item& i) { mpk::pack_array(s, i.name, i.count); }
void operator%(mpk::Emitter& e, Item const& i) { mpk::pack_array(e, i.name, i.count); }

struct Page {
  std::vector<std::string> palette;
  std::array<short, 4096> cells{};
  std::array<std::byte, 4096> light{};
  std::unordered_map<int, std::vector<Item>> data;
  std::unordered_map<short, short> paint;
};
void operator%(mpk::Scanner& s, Page& p) { mpk::pack_array(s, p.palette, p.cells, p.light, p.data, p.paint); }
void operator%(mpk::Emitter& e, Page const& p) { mpk::pack_array(e, p.palette, p.cells, p.light, p.data, p.paint); }

std::string encoded_page() {
  Page p;
  p.palette = {"basic.air", "basic.stone", "basic.dirt", "basic.grass"};
  for (int i = 0; i < 4096; ++i) {
    p.cells[i] = static_cast<short>(i % 200 < 150 ? i % 4 : 3);
    p.light[i] = std::byte(i * 7);
  }
  p.data[17] = {{"basic.torch", 12}, {"", 0}, {"basic.apple", -3}};
  p.paint[4096 * 2 + 5] = 2;
  std::stringbuf sb;
  mpk::Emitter e(sb);
  e % p;
  EXPECT_TRUE(e.ok());
  return sb.str();
}

bool reads(std::string const& bytes) {
  std::stringbuf sb(bytes);
  mpk::Scanner s(sb);
  Page p;
  s % p;
  return s.ok();
}

std::string repeat(char c, int n) { return std::string(static_cast<std::size_t>(n), c); }

} // namespace

TEST(MpkDamage, EveryPrefixIsRecordedAsAFailure) {
  std::string full = encoded_page();
  ASSERT_TRUE(reads(full));
  for (std::size_t n = 0; n < full.size(); ++n) ASSERT_FALSE(reads(full.substr(0, n))) << "prefix " << n;
}

TEST(MpkDamage, FlippedBytesNeverCrash) {
  std::string full = encoded_page();
  for (std::size_t i = 0; i < full.size(); ++i) {
    // Heads and the tail in full, the long runs of cells and light sampled.
    if (i > 200 && i + 200 < full.size() && i % 11 != 0) continue;
    for (unsigned flip : {0x01u, 0xFFu}) {
      std::string bad = full;
      bad[i] = static_cast<char>(bad[i] ^ flip);
      reads(bad);
      std::stringbuf sb(bad);
      mpk::Scanner s(sb);
      mpk::scan_skip(s);
      mpk::Scanner p(sb);
      mpk::print(p);
    }
  }
}

TEST(MpkDamage, AbsurdLengthsCostOnlyWhatIsThere) {
  std::stringbuf str("\xDB\xFF\xFF\xFF\xFF" "abc"), arr("\xDD\xFF\xFF\xFF\xFF\x01\x02\x03"),
      map("\xDF\xFF\xFF\xFF\xFF\x01\x02"), rec("\xDD\xFF\xFF\xFF\xFF\x01\xA1x");
  mpk::Scanner s1(str), s2(arr), s3(map), s4(rec);
  std::string text;
  std::vector<long> v;
  std::unordered_map<int, int> m;
  Item it;
  mpk::scan(s1, text);
  mpk::scan(s2, v);
  mpk::scan(s3, m);
  s4 % it; // four billion elements claimed, two present
  for (auto* s : {&s1, &s2, &s3, &s4}) EXPECT_TRUE(s->truncated);
  EXPECT_LE(text.size(), std::size_t{1} << 16);
  EXPECT_LE(v.size(), 4u);
  EXPECT_LE(m.size(), 2u);

  for (char const* forged : {"\xDD\xFF\xFF\xFF\xFF", "\xDF\xFF\xFF\xFF\xFF", "\xC9\xFF\xFF\xFF\xFF\x01",
                             "\xC6\xFF\xFF\xFF\xFF", "\xDB\xFF\xFF\xFF\xFF\x41"}) {
    std::stringbuf a(forged), b(forged);
    mpk::Scanner s(a), p(b);
    mpk::scan_skip(s);
    EXPECT_LE(mpk::print(p).size(), 16u);
    EXPECT_TRUE(s.truncated && p.truncated);
  }
}

TEST(MpkDamage, DeepNestingStopsWithAMessage) {
  // 64 levels are fine; one more is refused, without deep recursion.
  for (int depth : {64, 65, 100000}) {
    std::string bytes = repeat('\x91', depth) + "\x01";
    std::stringbuf sb(bytes);
    mpk::Scanner s(sb);
    mpk::scan_skip(s);
    std::stringbuf sb2(bytes);
    mpk::Scanner p(sb2);
    std::string text = mpk::print(p);
    if (depth <= mpk::max_depth) {
      EXPECT_TRUE(s.ok());
      EXPECT_TRUE(p.ok());
      EXPECT_EQ(text, repeat('[', depth) + "1" + repeat(']', depth));
    } else {
      EXPECT_EQ(s.err, "nesting too deep");
      EXPECT_EQ(p.err, "nesting too deep");
    }
  }
  // Maps nest the same way.
  std::string maps;
  for (int i = 0; i < 1000; ++i) maps += "\x81\x01";
  std::stringbuf sb(maps);
  mpk::Scanner s(sb);
  mpk::scan_skip(s);
  EXPECT_EQ(s.err, "nesting too deep");
}

TEST(MpkDamage, RandomBytesNeverCrash) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(rng() % 48, '\0');
    for (auto& c : bytes) c = static_cast<char>(rng());
    if (round % 3 == 0 && !bytes.empty()) bytes[0] = '\x95'; // start like a record
    reads(bytes);
    std::stringbuf sb(bytes);
    mpk::Scanner s(sb);
    mpk::scan_skip(s);
    std::stringbuf sb2(bytes);
    mpk::Scanner p(sb2);
    mpk::print(p, "  ");
  }
}
