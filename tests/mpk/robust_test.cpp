// Damaged input: every failure is recorded, nothing crashes, and memory stays
// proportional to the data actually present.
#include "mpk/print.hpp"
#include "support/page_record.hpp"

#include <gtest/gtest.h>

#include <random>

namespace {

bool reads(std::string const& bytes) {
  std::stringbuf sb(bytes);
  mpk::Scanner s(sb);
  sample::Page p;
  s % p;
  return s.ok();
}

// Reads the bytes as a page, skips them and prints them; only crashes and
// sanitizer reports fail.
void survives(std::string const& bytes) {
  reads(bytes);
  std::stringbuf a(bytes), b(bytes);
  mpk::Scanner s(a), p(b);
  mpk::scan_skip(s);
  mpk::print(p, "  ");
}

std::string repeat(std::string const& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

} // namespace

TEST(MpkDamage, EveryPrefixIsRecordedAsAFailure) {
  std::string full = sample::encoded(sample::page());
  ASSERT_TRUE(reads(full));
  for (std::size_t n = 0; n < full.size(); ++n) ASSERT_FALSE(reads(full.substr(0, n))) << "prefix " << n;
}

TEST(MpkDamage, FlippedAndRandomBytesNeverCrash) {
  std::string full = sample::encoded(sample::page());
  for (std::size_t i = 0; i < full.size(); ++i) {
    // Heads and the tail in full, the long runs of cells and light sampled.
    if (i > 200 && i + 200 < full.size() && i % 37 != 0) continue;
    for (unsigned flip : {0x01u, 0xFFu}) survives(full.substr(0, i) + char(full[i] ^ flip) + full.substr(i + 1));
  }
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(rng() % 48, '\0');
    for (auto& c : bytes) c = static_cast<char>(rng());
    if (round % 3 == 0 && !bytes.empty()) bytes[0] = '\x94'; // start like a page
    survives(bytes);
  }
}

TEST(MpkDamage, AbsurdLengthsCostOnlyWhatIsThere) {
  std::stringbuf str("\xDB\xFF\xFF\xFF\xFF" "abc"), arr("\xDD\xFF\xFF\xFF\xFF\x01\x02\x03"),
      map("\xDF\xFF\xFF\xFF\xFF\x01\x02"), rec("\xDD\xFF\xFF\xFF\xFF\xA1x\x01");
  mpk::Scanner s1(str), s2(arr), s3(map), s4(rec);
  std::string text;
  std::vector<long> v;
  std::unordered_map<int, int> m;
  sample::Item it;
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
  // 64 levels are fine; one more is refused, without deep recursion; maps
  // nest the same way.
  for (auto [level, depth] : {std::pair{"\x91", 64}, {"\x91", 65}, {"\x91", 100000}, {"\x81\x01", 1000}}) {
    std::string bytes = repeat(level, depth) + "\x01";
    std::stringbuf a(bytes), b(bytes);
    mpk::Scanner s(a), p(b);
    mpk::scan_skip(s);
    std::string text = mpk::print(p);
    if (depth <= mpk::max_depth) {
      EXPECT_TRUE(s.ok() && p.ok());
      EXPECT_EQ(text, repeat("[", depth) + "1" + repeat("]", depth));
    } else {
      EXPECT_EQ(s.err, "nesting too deep");
      EXPECT_EQ(p.err, "nesting too deep");
    }
  }
}
