#include "hex.hpp"
#include "support/page_record.hpp"

#include <glm/vec3.hpp>

#include <climits>

#define EMITS(call, hex) EXPECT_EQ(emitted([&](mpk::Emitter& e) { call; }), h(hex))

TEST(MpkCodec, IntegersTakeTheSmallestFormAndReadBack) {
  std::pair<long, char const*> const rows[] = {
      {0, "00"}, {127, "7f"}, {128, "cc 80"}, {255, "cc ff"}, {256, "cd 01 00"}, {65535, "cd ff ff"},
      {65536, "ce 00 01 00 00"}, {4294967295, "ce ff ff ff ff"}, {4294967296, "cf 00 00 00 01 00 00 00 00"},
      {-1, "ff"}, {-32, "e0"}, {-33, "d0 df"}, {-128, "d0 80"}, {-129, "d1 ff 7f"}, {-32768, "d1 80 00"},
      {-32769, "d2 ff ff 7f ff"}, {-2147483648l, "d2 80 00 00 00"}, {-2147483649l, "d3 ff ff ff ff 7f ff ff ff"},
      {LONG_MIN, "d3 80 00 00 00 00 00 00 00"}};
  for (auto [v, hex] : rows) {
    EMITS(mpk::emit_int(e, v), hex) << v;
    long back = 99;
    reads_all(h(hex), [&](mpk::Scanner& s) { mpk::scan_int(s, back); });
    EXPECT_EQ(back, v) << hex;
  }
  EMITS(mpk::emit_int(e, short(-33)); mpk::emit_int(e, static_cast<unsigned char>(200)); mpk::emit_int(e, ULONG_MAX),
        "d0 df cc c8 cf ff ff ff ff ff ff ff ff");
  // Wider forms than needed read too, and a narrow target keeps the low bits.
  for (auto [hex, want] : {std::pair{"d3 ff ff ff ff ff ff ff fe", -2}, {"cd ff ff", -1}, {"d2 00 01 00 05", 5}}) {
    short v = 0;
    reads_all(h(hex), [&](mpk::Scanner& s) { mpk::scan_int(s, v); });
    EXPECT_EQ(v, want) << hex;
  }
}

TEST(MpkCodec, HeadsTakeTheSmallestFormAndReadBack) {
  using Kind = std::pair<void (*)(mpk::Emitter&, std::uint64_t), std::int64_t (*)(mpk::Scanner&)>;
  Kind const str{mpk::emit_str_head, mpk::scan_str_head}, bin{mpk::emit_bin_head, mpk::scan_bin_head},
      arr{mpk::emit_arr_head, mpk::scan_arr_head}, map{mpk::emit_map_head, mpk::scan_map_head};
  std::tuple<Kind, std::uint64_t, char const*> const rows[] = {
      {str, 0, "a0"}, {str, 31, "bf"}, {str, 32, "d9 20"}, {str, 255, "d9 ff"}, {str, 256, "da 01 00"},
      {str, 65536, "db 00 01 00 00"}, {bin, 0, "c4 00"}, {bin, 4096, "c5 10 00"},
      {bin, 4294967295, "c6 ff ff ff ff"}, {arr, 15, "9f"}, {arr, 16, "dc 00 10"}, {arr, 255, "dc 00 ff"},
      {arr, 65536, "dd 00 01 00 00"}, {map, 0, "80"}, {map, 16, "de 00 10"}, {map, 70000, "df 00 01 11 70"}};
  for (auto [kind, n, hex] : rows) {
    EMITS(kind.first(e, n), hex);
    reads_all(h(hex), [&](mpk::Scanner& s) { EXPECT_EQ(kind.second(s), static_cast<std::int64_t>(n)) << hex; });
  }
  std::tuple<unsigned long, unsigned char, char const*> const ext[] = {
      {1, 5, "d4 05"}, {16, 5, "d8 05"}, {0, 5, "c7 00 05"}, {12, 0xFF, "c7 0c ff"}, {300, 5, "c8 01 2c 05"},
      {70000, 5, "c9 00 01 11 70 05"}};
  for (auto [size, type, hex] : ext) {
    EMITS(mpk::emit_ext(e, size, type), hex);
    reads_all(h(hex), [&](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_ext(s), std::make_pair(size, type)) << hex; });
  }
}

TEST(MpkCodec, OversizedHeadsStoreAMessageAndWriteNothing) {
  std::pair<void (*)(mpk::Emitter&, std::uint64_t), char const*> const cases[] = {
      {mpk::emit_str_head, "string is too big"}, {mpk::emit_bin_head, "byte array is too big"},
      {mpk::emit_arr_head, "array is too big"}, {mpk::emit_map_head, "map is too big"},
      {[](mpk::Emitter& e, std::uint64_t n) { mpk::emit_ext(e, n, 7); }, "ext exceeds maximum size"}};
  for (auto [emit, message] : cases) {
    std::stringbuf sb;
    mpk::Emitter e(sb);
    emit(e, 4294967296ull);
    EXPECT_EQ(e.err, message);
    EXPECT_EQ(sb.str(), "");
  }
}

TEST(MpkCodec, ScalarsAndTimestamps) {
  std::string scalars = h("ca 3f c0 00 00 cb 40 00 00 00 00 00 00 00 c0 c0 c2 c3");
  EXPECT_EQ(emitted([](mpk::Emitter& e) {
              mpk::emit_flt(e, 1.5f), mpk::emit_flt(e, 2.0), mpk::emit_nil(e), mpk::emit_skip(e);
              mpk::emit_bol(e, false), mpk::emit_bol(e, true);
            }),
            scalars);
  float f = 0, g = 0;
  bool no = true, yes = false;
  reads_all(scalars, [&](mpk::Scanner& s) {
    mpk::scan_flt(s, f), mpk::scan_flt(s, g), mpk::scan_nil(s), mpk::scan_nil(s);
    mpk::scan_bol(s, no), mpk::scan_bol(s, yes);
  });
  EXPECT_EQ(std::tie(f, g, no, yes), std::make_tuple(1.5f, 2.0f, false, true)); // a double narrows

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

TEST(MpkCodec, IntegerArraysMatchTheirElementsOneByOne) {
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
  EXPECT_EQ(emitted([&](mpk::Emitter& e) { mpk::emit(e, values); }), one_by_one(values));
  EXPECT_EQ(emitted([&](mpk::Emitter& e) { mpk::emit(e, shorts); }), one_by_one(shorts));
}

TEST(MpkCodec, ShortWritesAreRecorded) {
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

TEST(MpkCodec, RefusalsConsumeTheTypeByteAndLeaveTheTarget) {
  std::pair<void (*)(mpk::Scanner&), char const*> const cases[] = {
      {[](mpk::Scanner& s) { short v = 7; mpk::scan_int(s, v); EXPECT_EQ(v, 7); }, "expected integer"},
      {[](mpk::Scanner& s) { float f = 7; mpk::scan_flt(s, f); EXPECT_EQ(f, 7); }, "expected float"},
      {[](mpk::Scanner& s) { bool b = true; mpk::scan_bol(s, b); EXPECT_TRUE(b); }, "expected bool"},
      {[](mpk::Scanner& s) { mpk::scan_nil(s); }, "expected nil"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_str_head(s), -1); }, "expected string"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_bin_head(s), -1); }, "expected byte array"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_arr_head(s), -1); }, "expected array"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_map_head(s), -1); }, "expected map"},
      {[](mpk::Scanner& s) { EXPECT_EQ(mpk::scan_ext(s).first, 0u); }, "expected ext"}};
  for (auto [scan, message] : cases) {
    std::stringbuf sb("\xC1"); // no value at all
    mpk::Scanner s(sb);
    scan(s);
    EXPECT_EQ(s.err, message);
    EXPECT_EQ(sb.in_avail(), 0);
  }
}

TEST(MpkCodec, TheEndReadsAsFFAndIsRecorded) {
  std::stringbuf empty, cut(h("cd 12"));
  mpk::Scanner s(empty), t(empty), k(empty), c(cut);
  long v = 0, w = 0;
  mpk::scan_int(s, v);
  mpk::scan_int(c, w); // the missing bytes of a number too
  mpk::scan_skip(k);
  EXPECT_EQ(std::tie(v, w), std::make_tuple(-1l, 0x12FFl));
  EXPECT_TRUE(s.truncated && c.truncated && s.err.empty() && k.err.empty());
  EXPECT_EQ(s.message(), "unexpected end of data");
  EXPECT_EQ(mpk::scan_str_head(t), -1);
  EXPECT_EQ(t.err, "expected string");
}

TEST(MpkCodec, EveryKindOfContainerRoundTrips) {
  std::string long_text(70000, 'q');
  std::array<std::byte, 3> bytes{std::byte{1}, std::byte{2}, std::byte{255}};
  std::vector<int> ints{5, -5, 500};
  std::unordered_map<int, std::string> m{{1, "one"}, {-40, "minus"}};
  glm::ivec3 v{1, -2, 300};
  std::string out = emitted([&](mpk::Emitter& e) {
    mpk::emit(e, "hi"), mpk::emit(e, long_text), mpk::emit(e, bytes), mpk::emit(e, ints), mpk::emit(e, m);
    mpk::emit(e, v);
  });
  std::string a, b;
  std::array<std::byte, 3> bytes2{};
  std::vector<int> ints2{9, 9, 9, 9, 9};
  std::unordered_map<int, std::string> m2{{7, "gone"}};
  glm::ivec3 v2{};
  reads_all(out, [&](mpk::Scanner& s) {
    mpk::scan(s, a), mpk::scan(s, b), mpk::scan(s, bytes2), mpk::scan(s, ints2), mpk::scan(s, m2);
    mpk::scan(s, v2);
  });
  EXPECT_TRUE(a == "hi" && b == long_text && bytes2 == bytes && ints2 == ints && m2 == m && v2 == v);
}

TEST(MpkCodec, FixedSizesMustMatchAndMapsKeepTheFirstKey) {
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

  std::unordered_map<int, int> m;
  reads_all(h("82 01 02 01 03"), [&](mpk::Scanner& d) { mpk::scan_map(d, m); });
  EXPECT_EQ(m, (std::unordered_map<int, int>{{1, 2}}));
}

TEST(MpkCodec, RecordsTakeShorterAndLongerArrays) {
  // ["x"]: the missing count keeps its value; [2, "y", 5, {1: [2]}, "zz"]
  // doesn't fit: the name fails, and the rest is skipped.
  sample::Item shorter{"", 9}, longer, wrong{"keep", 0};
  reads_all(h("91 a1 78"), [&](mpk::Scanner& s) { s % shorter; });
  reads_all(h("94 a1 79 05 81 01 91 02 a2 7a 7a"), [&](mpk::Scanner& s) { s % longer; });
  EXPECT_TRUE(shorter.name == "x" && shorter.count == 9 && longer.name == "y" && longer.count == 5);
  std::stringbuf sb(h("93 02 a1 79 92 01 02 2a"));
  mpk::Scanner s(sb);
  s % wrong;
  EXPECT_EQ(s.err, "expected string");
  EXPECT_EQ(wrong.name, "keep");
  EXPECT_EQ(sb.in_avail(), 1);
}

TEST(MpkCodec, SkipPassesOverWholeValues) {
  char const* const values[] = {
      "82 01 02 03 04", "c7 03 01 09 09 09", "da 00 02 61 62", "c5 00 01 07", "c1",
      "d8 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", "d3 00 00 00 00 00 00 00 00",
      "de 00 01 a1 6b 93 c0 c1 cb 00 00 00 00 00 00 00 00"};
  for (char const* hex : values) reads_all(h(hex), [](mpk::Scanner& s) { mpk::scan_skip(s); });
}
