#include "mpk/mpk.hpp"

#include <gtest/gtest.h>
#include <glm/vec3.hpp>

#include <climits>
#include <sstream>

namespace {

// "cc c8" -> the two bytes.
std::string h(char const* hex) {
  std::string out;
  std::istringstream in(hex);
  unsigned b;
  while (in >> std::hex >> b) out += static_cast<char>(b);
  return out;
}

template <class F> std::string emitted(F f) {
  std::stringbuf sb;
  mpk::Emitter e(sb);
  f(e);
  EXPECT_EQ(e.err, "");
  return sb.str();
}
#define EMITS(call, hex) EXPECT_EQ(emitted([](mpk::Emitter& e) { call; }), h(hex))

long left(std::stringbuf& sb) { return static_cast<long>(sb.in_avail()); }

struct Rec {
  int a = 0;
  std::string b;
  float c = 0;
  std::vector<short> d;
  bool e = false;
};
void operator%(mpk::Scanner& s, Rec& r) { mpk::pack_array(s, r.a, r.b, r.c, r.d, r.e); }

} // namespace

TEST(MpkEmit, IntegersTakeTheSmallestForm) {
  using us = unsigned short;
  EMITS(mpk::emit_int(e, us(127)), "7f");
  EMITS(mpk::emit_int(e, us(128)), "cc 80");
  EMITS(mpk::emit_int(e, us(255)), "cc ff");
  EMITS(mpk::emit_int(e, us(256)), "cd 01 00");
  EMITS(mpk::emit_int(e, short(-32)), "e0");
  EMITS(mpk::emit_int(e, short(-33)), "d0 df");
  EMITS(mpk::emit_int(e, short(-128)), "d0 80");
  EMITS(mpk::emit_int(e, short(-129)), "d1 ff 7f");
  EMITS(mpk::emit_int(e, short(200)), "cc c8");
  EMITS(mpk::emit_int(e, -32769), "d2 ff ff 7f ff");
  EMITS(mpk::emit_int(e, -2147483648l), "d2 80 00 00 00");
  EMITS(mpk::emit_int(e, LONG_MIN), "d3 80 00 00 00 00 00 00 00");
  EMITS(mpk::emit_int(e, 65536u), "ce 00 01 00 00");
  EMITS(mpk::emit_int(e, 4294967295ul), "ce ff ff ff ff");
  EMITS(mpk::emit_int(e, 4294967296ul), "cf 00 00 00 01 00 00 00 00");
  EMITS(mpk::emit_int(e, static_cast<signed char>(-1)), "ff");
}

TEST(MpkEmit, ScalarsAndHeads) {
  EMITS(mpk::emit_flt(e, 1.0f), "ca 3f 80 00 00");
  EMITS(mpk::emit_flt(e, 1.0), "cb 3f f0 00 00 00 00 00 00");
  EMITS(mpk::emit_nil(e); mpk::emit_skip(e), "c0 c0");
  EMITS(mpk::emit_bol(e, false); mpk::emit_bol(e, true), "c2 c3");
  EMITS(mpk::emit_str_head(e, 31), "bf");
  EMITS(mpk::emit_str_head(e, 32), "d9 20");
  EMITS(mpk::emit_str_head(e, 256), "da 01 00");
  EMITS(mpk::emit_str_head(e, 65536), "db 00 01 00 00");
  EMITS(mpk::emit_bin_head(e, 0), "c4 00");
  EMITS(mpk::emit_bin_head(e, 4096), "c5 10 00");
  EMITS(mpk::emit_bin_head(e, 65536), "c6 00 01 00 00");
  EMITS(mpk::emit_arr_head(e, 15), "9f");
  EMITS(mpk::emit_arr_head(e, 16), "dc 00 10");
  EMITS(mpk::emit_arr_head(e, 65536), "dd 00 01 00 00");
  EMITS(mpk::emit_map_head(e, 0), "80");
  EMITS(mpk::emit_map_head(e, 16), "de 00 10");
  EMITS(mpk::emit_map_head(e, 70000), "df 00 01 11 70");
  EMITS(mpk::emit_ext(e, 12, 0xFF), "c7 0c ff");
  EMITS(mpk::emit_ext(e, 16, 5), "d8 05");
  EMITS(mpk::emit_ext(e, 0, 5), "c7 00 05");
  EMITS(mpk::emit_ext(e, 300, 5), "c8 01 2c 05");
  EMITS(mpk::emit_ext(e, 70000, 5), "c9 00 01 11 70 05");
}

TEST(MpkEmit, OversizedHeadsStoreAMessageAndWriteNothing) {
  std::pair<void (*)(mpk::Emitter&, std::uint64_t), char const*> cases[] = {
      {mpk::emit_str_head, "string is too big"},
      {mpk::emit_bin_head, "byte array is too big"},
      {mpk::emit_arr_head, "array is too big"},
      {mpk::emit_map_head, "map is too big"},
      {[](mpk::Emitter& e, std::uint64_t n) { mpk::emit_ext(e, n, 7); }, "ext exceeds maximum size"}};
  for (auto [emit, message] : cases) {
    std::stringbuf sb;
    mpk::Emitter e(sb);
    emit(e, 4294967296ull);
    EXPECT_EQ(e.err, message);
    EXPECT_EQ(sb.str(), "");
  }
}

TEST(MpkEmit, Timestamps) {
  using namespace std::chrono;
  EMITS(mpk::emit_ts(e, seconds(0)), "d6 ff 00 00 00 00");
  EMITS(mpk::emit_ts(e, seconds(4294967296)), "d7 ff 00 00 00 01 00 00 00 00");
  EMITS(mpk::emit_ts(e, seconds(-1)), "c7 0c ff 00 00 00 00 ff ff ff ff ff ff ff ff");
  EMITS(mpk::emit_ts(e, seconds(17179869184)), "c7 0c ff 00 00 00 00 00 00 00 04 00 00 00 00");
  // 999 999 999 ns and -1 s.
  EMITS(mpk::emit_ts(e, nanoseconds(-1)), "c7 0c ff 3b 9a c9 ff ff ff ff ff ff ff ff ff");
  EMITS(mpk::emit_ts(e, nanoseconds(5000000000)), "d6 ff 00 00 00 05");
  // 1.5 s: 500 000 000 ns in the top 30 bits, 1 s in the low 34.
  EMITS(mpk::emit_ts(e, nanoseconds(1500000000)), "d7 ff 77 35 94 00 00 00 00 01");
}

TEST(MpkEmit, IntegerArraysMatchTheirElementsOneByOne) {
  // Runs of small values, every form, and block boundaries.
  std::vector<long> values;
  long forms[] = {200, -5, -100, 40000, -40000, 5000000000l, -5000000000l, 1l << 20, 127};
  for (int i = 0; i < 5000; ++i) values.push_back(i < 1000 || i % 300 < 250 ? i % 128 : forms[i % 9]);
  std::vector<unsigned short> shorts(values.begin(), values.end());
  auto one_by_one = [](auto const& v) {
    return emitted([&](mpk::Emitter& e) {
      mpk::emit_arr_head(e, v.size());
      for (auto x : v) mpk::emit_int(e, x);
    });
  };
  auto whole = [](auto const& v) { return emitted([&](mpk::Emitter& e) { mpk::emit(e, v); }); };
  EXPECT_EQ(whole(values), one_by_one(values));
  EXPECT_EQ(whole(shorts), one_by_one(shorts));
}

TEST(MpkEmit, ShortWritesAreRecorded) {
  struct Full : std::streambuf { // takes nothing, like a full disk
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(char const*, std::streamsize) override { return 0; }
  } full;
  mpk::Emitter e(full), f(full), g(full);
  mpk::emit_int(e, 5);
  mpk::emit(f, std::string("abc"));
  mpk::emit(g, std::vector<int>(5000, 300));
  for (auto* x : {&e, &f, &g}) EXPECT_EQ(x->err, "write failed");
}

TEST(MpkScan, EveryIntegerForm) {
  std::pair<char const*, long> cases[] = {
      {"05", 5}, {"e0", -32}, {"cc c8", 200}, {"cd 12 34", 0x1234}, {"ce 12 34 56 78", 0x12345678},
      {"cf 00 00 00 01 00 00 00 02", 4294967298l}, {"d0 80", -128}, {"d1 ff 7f", -129},
      {"d2 ff ff 7f ff", -32769}, {"d3 ff ff ff ff ff ff ff fe", -2}};
  for (auto [hex, want] : cases) {
    std::stringbuf sb(h(hex));
    mpk::Scanner s(sb);
    long v = 99;
    mpk::scan_int(s, v);
    EXPECT_EQ(v, want) << hex;
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(left(sb), 0);
  }
  // The target keeps the low bits; a refused byte leaves it alone.
  std::stringbuf sb(h("cd ff ff ca"));
  mpk::Scanner s(sb);
  short v = 0;
  mpk::scan_int(s, v);
  EXPECT_EQ(v, -1);
  mpk::scan_int(s, v);
  EXPECT_EQ(s.err, "expected integer");
  EXPECT_EQ(v, -1);
}

TEST(MpkScan, ScalarsAndHeads) {
  std::stringbuf sb(h("ca 3f c0 00 00 cb 40 00 00 00 00 00 00 00 c3 c0 a3 d9 ff da 01 00 db 00 01 00 00 "
                      "c4 07 c5 01 00 c6 ff ff ff ff 9f dc 00 10 dd 00 01 00 00 8f de 00 10 df 00 01 00 00 "
                      "d5 09 c9 00 01 00 00 fe"));
  mpk::Scanner s(sb);
  float f = 0;
  bool b = false;
  mpk::scan_flt(s, f);
  EXPECT_EQ(f, 1.5f);
  mpk::scan_flt(s, f); // a double narrows
  EXPECT_EQ(f, 2.0f);
  mpk::scan_bol(s, b);
  EXPECT_TRUE(b);
  mpk::scan_nil(s);
  std::int64_t want[] = {3, 255, 256, 65536, 7, 256, 4294967295, 15, 16, 65536, 15, 16, 65536};
  auto* heads = +[](mpk::Scanner& s, int i) {
    return i < 4 ? mpk::scan_str_head(s) : i < 7 ? mpk::scan_bin_head(s) : i < 10 ? mpk::scan_arr_head(s)
                                                                                : mpk::scan_map_head(s);
  };
  for (int i = 0; i < 13; ++i) EXPECT_EQ(heads(s, i), want[i]) << i;
  EXPECT_EQ(mpk::scan_ext(s), std::make_pair(2ul, (unsigned char)9));
  EXPECT_EQ(mpk::scan_ext(s), std::make_pair(65536ul, (unsigned char)0xFE));
  EXPECT_TRUE(s.ok());
  EXPECT_EQ(left(sb), 0);
}

TEST(MpkScan, RefusalsConsumeTheTypeByteAndLeaveTheTarget) {
  std::pair<void (*)(mpk::Scanner&), char const*> cases[] = {
      {[](mpk::Scanner& s) { float f = 7; mpk::scan_flt(s, f); EXPECT_EQ(f, 7); }, "expected float"},
      {[](mpk::Scanner& s) { bool b = true; mpk::scan_bol(s, b); EXPECT_TRUE(b); }, "expected bool"},
      {[](mpk::Scanner& s) { mpk::scan_nil(s); }, "expected nil"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_str_head(s), -1); }, "expected string"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_bin_head(s), -1); }, "expected byte array"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_arr_head(s), -1); }, "expected array"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_map_head(s), -1); }, "expected map"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_ext(s).first, 0u); }, "expected ext"}};
  for (auto [scan, message] : cases) {
    std::stringbuf sb("\x01");
    mpk::Scanner s(sb);
    scan(s);
    EXPECT_EQ(s.err, message);
    EXPECT_EQ(left(sb), 0);
  }
}

TEST(MpkScan, TheEndReadsAsFFAndIsRecorded) {
  std::stringbuf empty;
  mpk::Scanner s(empty);
  long v = 0;
  mpk::scan_int(s, v);
  EXPECT_EQ(v, -1);
  EXPECT_EQ(s.err, "");
  EXPECT_TRUE(s.truncated);
  EXPECT_EQ(s.message(), "unexpected end of data");
  mpk::Scanner t(empty);
  EXPECT_EQ(mpk::scan_str_head(t), -1);
  EXPECT_EQ(t.err, "expected string");
  mpk::Scanner k(empty);
  mpk::scan_skip(k);
  EXPECT_EQ(k.err, "");

  std::stringbuf cut(h("cd 12")); // missing bytes of a number read as 0xFF
  mpk::Scanner c(cut);
  mpk::scan_int(c, v);
  EXPECT_EQ(v, 0x12FF);
  EXPECT_TRUE(c.truncated);
}

TEST(MpkContainers, RoundTripOfEveryKind) {
  std::string long_text(70000, 'q');
  std::array<std::byte, 3> bytes{std::byte{1}, std::byte{2}, std::byte{255}};
  std::unordered_map<int, std::string> m{{1, "one"}, {-40, "minus"}};
  glm::ivec3 v{1, -2, 300};
  std::stringbuf sb;
  mpk::Emitter e(sb);
  for (auto const& s : {std::string("hi"), long_text}) mpk::emit(e, s);
  mpk::emit(e, bytes);
  mpk::emit(e, std::vector<int>{5, -5, 500});
  mpk::emit(e, m);
  mpk::emit(e, v);
  ASSERT_TRUE(e.ok());
  EXPECT_EQ(sb.str().substr(0, 3), "\xA2hi");

  mpk::Scanner s(sb);
  std::string a, b;
  std::array<std::byte, 3> bytes2{};
  std::vector<int> vec{9, 9, 9, 9, 9};
  std::unordered_map<int, std::string> m2{{7, "gone"}};
  glm::ivec3 v2{};
  mpk::scan(s, a);
  mpk::scan(s, b);
  mpk::scan(s, bytes2);
  mpk::scan(s, vec);
  mpk::scan(s, m2);
  mpk::scan(s, v2);
  EXPECT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(a, "hi");
  EXPECT_EQ(b, long_text);
  EXPECT_EQ(bytes2, bytes);
  EXPECT_EQ(vec, (std::vector<int>{5, -5, 500}));
  EXPECT_EQ(m2, m);
  EXPECT_EQ(v2, v);
}

TEST(MpkContainers, FixedSizesMustMatchAndMapsKeepTheFirstKey) {
  std::stringbuf sb(emitted([](mpk::Emitter& e) { mpk::emit(e, std::vector<short>(4095, 1)); }) + h("c4 03"));
  mpk::Scanner s(sb);
  std::array<short, 4096> cells{};
  cells[0] = 42;
  mpk::scan(s, cells);
  EXPECT_EQ(s.err, "bad array size");
  EXPECT_EQ(cells[0], 42);
  sb.pubseekpos(3 + 4095);
  mpk::Scanner t(sb);
  std::array<std::byte, 4> light{};
  mpk::scan(t, light);
  EXPECT_EQ(t.err, "bad byte array size");

  std::stringbuf dup(h("82 01 02 01 03"));
  mpk::Scanner d(dup);
  std::unordered_map<int, int> m;
  mpk::scan_map(d, m);
  EXPECT_EQ(m, (std::unordered_map<int, int>{{1, 2}}));
}

TEST(MpkRecords, ShorterAndLongerArraysFitTheRecord) {
  // [1, "x"]: the trailing fields keep their values; the stream ends after it.
  std::stringbuf sb(h("92 01 a1 78 2a"));
  mpk::Scanner s(sb);
  Rec r{0, "", 9.0f, {4}, true};
  s % r;
  EXPECT_TRUE(s.ok());
  EXPECT_EQ(r.a, 1);
  EXPECT_EQ(r.b, "x");
  EXPECT_EQ(r.c, 9.0f);
  EXPECT_EQ(r.d, std::vector<short>{4});
  EXPECT_EQ(left(sb), 1);

  // Seven elements: the two beyond the record (a map and a string) are skipped.
  std::stringbuf sb2(h("97 02 a0 ca 40 00 00 00 91 05 c3 81 01 91 02 a2 7a 7a 2a"));
  mpk::Scanner t(sb2);
  Rec q;
  t % q;
  EXPECT_TRUE(t.ok());
  EXPECT_EQ(q.c, 2.0f);
  EXPECT_EQ(q.d, std::vector<short>{5});
  EXPECT_TRUE(q.e);
  EXPECT_EQ(left(sb2), 1);

  // A bool where the integer should be: no more fields, the rest skipped.
  std::stringbuf sb3(h("93 c3 a1 79 92 01 02 2a"));
  mpk::Scanner u(sb3);
  Rec k;
  k.b = "keep";
  u % k;
  EXPECT_EQ(u.err, "expected integer");
  EXPECT_EQ(k.b, "keep");
  EXPECT_EQ(left(sb3), 1);
}

TEST(MpkSkip, PassesOverWholeValues) {
  std::pair<char const*, long> cases[] = {
      {"82 01 02 03 04", 5}, {"c7 03 01 09 09 09", 6}, {"da 00 02 61 62", 5}, {"c5 00 01 07", 4},
      {"d8 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 18}, {"c1", 1},
      {"de 00 01 a1 6b 93 c0 c1 cb 00 00 00 00 00 00 00 00", 17}, {"d3 00 00 00 00 00 00 00 00", 9}};
  for (auto [hex, consumed] : cases) {
    std::string bytes = h(hex) + "\x2a";
    std::stringbuf sb(bytes);
    mpk::Scanner s(sb);
    mpk::scan_skip(s);
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(static_cast<long>(bytes.size()) - left(sb), consumed) << hex;
  }
}
