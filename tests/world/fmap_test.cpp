#include "world/fmap.hpp"

#include "support/forged_files.hpp"
#include "support/sdl_log.hpp"
#include "support/terrain.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <tuple>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace terrain;

namespace {

using Levels = std::tuple<int, int, int, int, int>;
Levels levels(Fmap_cell const& c) { return {c.l0, c.l1, c.l2, c.l3, c.l4}; }

Fmap_page generated(Fmap const& m, glm::ivec2 page) {
  Fmap_page p;
  m.generate(page, p);
  return p;
}

// Column (0, 0) of page (-1, -1) of a side-2 map is sample (0, 0) itself.
Fmap_cell column_of(Sample s) { return generated(flat_map(s), {-1, -1}).columns[0]; }

bool same_columns(Fmap_page const& a, Fmap_page const& b) {
  return std::memcmp(&a.columns, &b.columns, sizeof a.columns) == 0;
}

} // namespace

TEST(Fmap, LevelsFromTheRoundedGround) {
  struct Case {
    char const* what;
    Sample s;
    Levels want;
  };
  Case const cases[] = {
      {"g2 0.19: bare rock", {10, 0, 0.19f, 20}, {10, 10, 10, 10, 10}},
      {"g2 0.2: layered", {10, 0, 0.2f, 5}, {6, 9, 10, 10, 10}},
      {"g3 3.0: grass", {10, 0, 1, 3.0f}, {6, 9, 10, 10, 10}},
      {"g3 below 3: bare dirt", {10, 0, 1, 2.99f}, {6, 10, 10, 10, 10}},
      {"g3 12.0: leaves", {10, 0, 1, 12.0f}, {6, 9, 10, 11, 10}},
      {"g1 0.75: still grass", {10, 0.75f, 1, 12}, {6, 9, 10, 11, 10}},
      {"g1 above 0.75: bare dirt", {10, 0.76f, 1, 12}, {6, 10, 10, 10, 10}},
      {"2.5 rounds to even", {2.5f, 0, 0}, {2, 2, 2, 2, 2}},
      {"3.5 rounds to even", {3.5f, 0, 0}, {4, 4, 4, 4, 4}},
      {"-2.5 rounds to even", {-2.5f, 0, 0}, {-2, -2, -2, -2, -2}},
      {"beyond 16 bits", {1e9f, 0, 1, 12}, {32762, 32765, 32766, 32767, 32766}},
      {"below 16 bits", {-1e9f, 0, 0}, {-32764, -32764, -32764, -32764, -32764}},
  };
  for (auto const& c : cases) EXPECT_EQ(levels(column_of(c.s)), c.want) << c.what;
}

TEST(Fmap, InterpolatesAlongXThenZInSinglePrecision) {
  // g0 of sample (i, k) is 16i + 32k: column (cx, cz) stands at cx + 2cz.
  Fmap m = map(2, [](std::uint64_t i, std::uint64_t k) { return Sample{16.0f * i + 32.0f * k}; });
  Fmap_page p = generated(m, {-1, -1});
  for (int cx = 0; cx < 16; ++cx)
    for (int cz = 0; cz < 16; ++cz) ASSERT_EQ(p.columns[16 * cx + cz].l2, cx + 2 * cz) << cx << " " << cz;
  EXPECT_EQ(std::tuple(p.max, p.min), std::tuple(45, -4));
  // 15/16 of these is exactly 2.5 (or 4.5) in single precision, just above
  // it in double: the ground rounds down to even.
  for (auto [g0, h] : {std::pair{0x1.555556p+1f, 2}, std::pair{0x1.333334p+2f, 4}}) {
    Fmap edge = map(2, [g0](std::uint64_t i, std::uint64_t) { return Sample{i == 0 ? g0 : 0.0f}; });
    EXPECT_EQ(generated(edge, {-1, -1}).columns[16].l2, h) << g0;
  }
}

TEST(Fmap, OutsideTheMapIsSeaLevelDirt) {
  Fmap m = flat_map({32, 0, 1, 13});
  Fmap_page edge = generated(m, {0, 0}); // its +x and +z neighbours are outside
  EXPECT_EQ(edge.columns[16 * 8].l2, 16);
  EXPECT_EQ(edge.columns[16 * 12].l1, 7); // g1 0.75, g3 4: grass
  EXPECT_EQ(edge.columns[16 * 13].l1, 6); // g1 above 0.75: dirt
  for (glm::ivec2 page : {glm::ivec2(1, 1), glm::ivec2(-3, -1), glm::ivec2(INT_MAX, INT_MAX), glm::ivec2(INT_MIN, 0)}) {
    Fmap_page p = generated(m, page);
    EXPECT_EQ(levels(p.columns[255]), Levels(-4, 0, 0, 0, 0)) << page.x << " " << page.y;
  }
}

TEST(Fmap, SpawnIsTheFirstLandOfTheMiddleRowsWesternHalf) {
  struct Case {
    std::uint64_t n;
    std::vector<float> row; // g0 of row n / 2; the rest is land
    glm::ivec2 spawn;
  };
  Case const cases[] = {
      {4, {-1, 0, -2, -3}, {0, 0}},    {4, {0.5f, 1, 1, 1}, {-2, 0}},
      {4, {-1, 0, 5, 5}, {0, 0}},      {8, {-1, 0.25f, 2, 3, 4, 5, 6, 7}, {-3, 0}},
      {1, {9}, {0, 0}},
  };
  for (auto const& c : cases) {
    Fmap m = map(c.n, [&](std::uint64_t i, std::uint64_t k) { return Sample{k == c.n / 2 ? c.row[i] : 50.0f}; });
    EXPECT_EQ(m.spawn, c.spawn) << c.n << " " << c.row[1];
  }
}

// ---- the map file -----------------------------------------------------------

namespace {

// [n, g0, g1, g2, g3] with `grids` grids of `count` floats v, then `extra`.
std::string map_bytes(std::uint64_t n, std::uint64_t count, float v = 1.0f, int grids = 4,
                      std::function<void(mpk::Emitter&)> const& extra = {}) {
  return emitted([&](mpk::Emitter& e) {
    mpk::emit_arr_head(e, 1 + grids + (extra ? 1 : 0));
    mpk::emit_int(e, n);
    for (int g = 0; g < grids; ++g) {
      mpk::emit_arr_head(e, count);
      for (std::uint64_t i = 0; i < count; ++i) mpk::emit_flt(e, v);
    }
    if (extra) extra(e);
  });
}

} // namespace

TEST(MapFile, ReadsWhatItMustAndRefusesTheRest) {
  std::pair<std::string, std::string> const cases[] = {
      {map_bytes(2, 4), ""},
      {map_bytes(1, 1, 1.0f, 4, [](mpk::Emitter& e) { mpk::emit_str(e, "more"); }), ""},
      {emitted([](mpk::Emitter& e) { mpk::emit_arr_head(e, 1), mpk::emit_int(e, 0u); }), ""},
      {map_bytes(2, 3), "bad array size"},
      {map_bytes(2, 4, 1.0f, 3), "bad array size"},
      {map_bytes(max_map_side + 1, 0), "map too large"},
      {map_bytes(std::uint64_t(1) << 32, 0), "map too large"}, // its square wraps to 0
      {map_bytes(1, 1, NAN), "non-finite value"},
      {map_bytes(2, 4).substr(0, 30), "unexpected end of data"},
      {emitted([](mpk::Emitter& e) { // a count far beyond the data
         mpk::emit_arr_head(e, 5), mpk::emit_int(e, 16384u), mpk::emit_arr_head(e, 16384u * 16384u);
       }),
       "expected float"},
  };
  World_dir w;
  for (auto const& [bytes, message] : cases) {
    write_gz(w / "map.mpk.gz", bytes);
    std::uint64_t n = 77;
    Fmap_grids g;
    EXPECT_EQ(read_map_file(w / "map.mpk.gz", n, g), message) << bytes.size();
    EXPECT_EQ(n == 77, !message.empty()) << bytes.size();
  }
  // Grids in memory are held to the same rule.
  EXPECT_THROW(Fmap(2, Fmap_grids{std::vector<float>(4), {}, {}, {}}), std::invalid_argument);
}

TEST(MapFile, TheWorldsOwnMapIsLoadedAndAnUnreadableOneEndsTheProgram) {
  World_dir w;
  write_gz(w / "map.mpk.gz", map_bytes(4, 16, 3.0f));
  testing::internal::CaptureStdout();
  Fmap m(w.dir);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Loading " + (w / "map.mpk.gz").string() + "\n");
  EXPECT_EQ(m.spawn, glm::ivec2(-2, 0));

  GTEST_FLAG_SET(death_test_style, "threadsafe");
  write_gz(w / "map.mpk.gz", map_bytes(2, 3));
  EXPECT_EXIT(Fmap{w.dir}, testing::ExitedWithCode(255), "bad array size\n.*fatal: can't load map");
}

TEST(MapFile, TheShippedMapIsAnIslandWithABeachAtTheSpawn) {
  std::uint64_t n = 0;
  Fmap_grids g;
  ASSERT_EQ(read_map_file(fs::path(TERRAFOLD_SOURCE_DIR) / "data/map.mpk.gz", n, g), "");
  ASSERT_EQ(n, 256u);
  Fmap m(n, std::move(g));
  for (std::uint64_t at = 0; at < n * n; ++at)
    if (std::min({at % n, at / n, n - 1 - at % n, n - 1 - at / n}) < 16) {
      ASSERT_LE(m.g[0][at], 0.0f) << at;
    }
  // A new player stands at height 4 over column (8, 8) of the spawn page.
  ASSERT_LT(m.spawn.x, 0);
  Fmap_cell const c = generated(m, m.spawn).columns[16 * 8 + 8];
  EXPECT_GE(c.l2, 1);
  EXPECT_LE(c.l3, 3);
}

// ---- flat page files ----------------------------------------------------------

namespace {

Fmap_page sample_page() {
  Fmap m = map(2, [](std::uint64_t i, std::uint64_t k) {
    return Sample{-200.0f + 300.0f * i + 7.0f * k, 0.5f * i, 0.15f + 0.1f * k, 14.0f * i};
  });
  return generated(m, {-1, -1});
}

// A flat file of `columns` columns of `levels` levels (level j of column i is
// i + j), after two leading strings.
std::string flat_bytes(int columns, int levels, int trailing = 0) {
  return emitted([=](mpk::Emitter& e) {
    mpk::emit_arr_head(e, static_cast<std::uint64_t>(3 + trailing));
    mpk::emit_str(e, "anything"), mpk::emit_str(e, "anything");
    mpk::emit_arr_head(e, static_cast<std::uint64_t>(columns));
    for (int i = 0; i < columns; ++i) {
      mpk::emit_arr_head(e, static_cast<std::uint64_t>(levels));
      for (int j = 0; j < levels; ++j) mpk::emit_int(e, i + j);
    }
    for (int i = 0; i < trailing; ++i) mpk::emit_nil(e);
  });
}
constexpr std::size_t first_column = 1 + 2 * 9 + 3;

} // namespace

TEST(FlatFile, RoundTripWritesNilNilAndTheColumns) {
  World_dir w;
  Fmap_page page = sample_page();
  page.flags = Fmap_page::dirty;
  page.columns[0] = {-200, -1, 0, 127, 300};
  ASSERT_TRUE(page.save(w.dir, {-3, 12}));
  EXPECT_EQ(page.flags, 0u);
  fs::path const path = w / "flat/-3.12.mpk.gz";
  EXPECT_EQ(read_gz(path).substr(0, 16), std::string("\x93\xc0\xc0\xdc\x01\x00\x95\xd1\xff\x38\xff\x00\x7f\xcd\x01\x2c", 16));

  Fmap_page back;
  back.flags = Fmap_page::dirty;
  ASSERT_TRUE(back.load(w.dir, {-3, 12}));
  EXPECT_TRUE(same_columns(back, page));
  EXPECT_EQ(std::tuple(back.flags, back.max, back.min), std::tuple(std::uint64_t(0), std::int16_t(300), page.min));

  // Leading and trailing elements of any kind are skipped; short columns keep
  // their other levels, long ones skip the extra.
  for (auto [levels_given, want] : {std::pair(2, Levels(9, 10, 5, 5, 5)), std::pair(7, Levels(9, 10, 11, 12, 13))}) {
    write_gz(path, flat_bytes(256, levels_given, 2));
    back.columns.fill({5, 5, 5, 5, 5});
    ASSERT_TRUE(back.load(w.dir, {-3, 12}));
    EXPECT_EQ(levels(back.columns[9]), want);
  }
}

TEST(FlatFile, AnUnreadableFileIsSetAsideAndChangesNothing) {
  std::pair<std::string, std::string> const cases[] = {
      {flat_bytes(255, 5), "bad array size"},
      {emitted([](mpk::Emitter& e) { mpk::emit_arr_head(e, 2), mpk::emit_nil(e), mpk::emit_nil(e); }),
       "bad array size"},
      {flat_bytes(256, 5).replace(first_column, 1, "\x05"), "expected array"},
      {flat_bytes(256, 5).replace(first_column + 1, 1, "\xc0"), "expected integer"},
      {flat_bytes(256, 5) + "\xc0", "unexpected data after the end"},
  };
  World_dir w;
  fs::path const path = w / "flat/2.3.mpk.gz";
  Fmap_page const before = sample_page();
  for (auto const& [bytes, message] : cases) {
    write_gz(path, bytes);
    Fmap_page p = before;
    Sdl_log_capture log;
    EXPECT_FALSE(p.load(w.dir, {2, 3})) << message;
    EXPECT_TRUE(same_columns(p, before)) << message;
    EXPECT_EQ(log.lines.at(0), path.string() + ": " + message);
    EXPECT_FALSE(fs::exists(path)) << message;
    EXPECT_EQ(read_gz(bad(path)), bytes) << message;
    fs::remove(bad(path));
  }
}

TEST(FlatFile, EveryPrefixAndRandomDamageFailsSafely) {
  World_dir w;
  Fmap_page const page = sample_page();
  Fmap_page(page).save(w.dir, {0, 0});
  fs::path const path = w / "flat/0.0.mpk.gz";
  std::string const good = read_gz(path);
  Sdl_log_capture quiet;
  std::mt19937 rng(7);
  for (std::size_t round = 0; round < good.size() + 300; ++round) {
    std::string bytes = good.substr(0, round);
    if (round >= good.size())
      for (int k = 0; k < 3; ++k) bytes[rng() % bytes.size()] = static_cast<char>(rng());
    write_gz(path, bytes);
    Fmap_page p = page;
    bool loaded = p.load(w.dir, {0, 0});
    ASSERT_TRUE(loaded || (same_columns(p, page) && fs::exists(bad(path)))) << round;
    ASSERT_TRUE(!loaded || round >= good.size()) << round; // a prefix never reads
    fs::remove(bad(path));
  }
}

TEST(FlatFile, MissingIsQuietAndAFailedSaveKeepsThePageDirty) {
  World_dir w;
  Fmap_page p = sample_page();
  Sdl_log_capture log;
  EXPECT_FALSE(p.load(w.dir, {4, 4}));
  EXPECT_TRUE(log.lines.empty());
  std::ofstream(w / "flat") << "a file where the folder should be";
  p.flags = Fmap_page::dirty;
  EXPECT_FALSE(p.save(w.dir, {0, 0}));
  EXPECT_EQ(p.flags, std::uint64_t(Fmap_page::dirty));
}

TEST(FlatFile, AnUnopenableFileIsSetAsideLikeTheOthersAndNeverOverwritten) {
  World_dir w;
  fs::path const path = w / "flat/2.3.mpk.gz";
  Fmap_page const before = sample_page();
  // Neither can be read, even by root: a folder where the file should be
  // (it opens, then reads nothing) and a socket (it does not open).
  auto folder = [&] {
    fs::create_directories(path);
    std::ofstream(path / "inside") << "kept";
  };
  auto socket = [&] {
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof a.sun_path);
    std::strcpy(a.sun_path, path.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ::close(s);
  };
  struct Case {
    std::function<void()> make;
    char const* kept_as;
    char const* why;
  };
  for (Case const& c : {Case{folder, ".bad", "expected array"}, Case{socket, ".bad2", "can't open"}}) {
    c.make();
    Fmap_page p = before;
    Sdl_log_capture log;
    EXPECT_FALSE(p.load(w.dir, {2, 3})) << c.why;
    EXPECT_TRUE(same_columns(p, before));
    EXPECT_EQ(log.lines.at(0), path.string() + ": " + c.why);
    EXPECT_EQ(log.lines.at(1), path.string() + ": unreadable, kept as " + path.string() + c.kept_as);
    EXPECT_FALSE(fs::exists(path));
  }
  Fmap_page p = before;
  EXPECT_TRUE(p.save(w.dir, {2, 3})) << "the page is written beside what was set aside";
  std::string inside;
  std::ifstream(path.string() + ".bad/inside") >> inside;
  EXPECT_EQ(inside, "kept");
  EXPECT_TRUE(fs::is_socket(path.string() + ".bad2"));
}

TEST(FlatFile, AFileAtTheSizeCapReadsAndOnePastItIsSetAside) {
  World_dir w;
  fs::path const path = w / "flat/1.1.mpk.gz";
  // The trailing element that pads the file is skipped, as any past the third.
  std::string const head = flat_bytes(256, 5, 1);
  for (std::size_t total : {max_file_bytes, max_file_bytes + 1}) {
    std::string const bytes = forged::padded(head.substr(0, head.size() - 1), total);
    write_gz(path, bytes);
    Fmap_page p = sample_page();
    Sdl_log_capture log;
    bool const within = total <= max_file_bytes;
    EXPECT_EQ(p.load(w.dir, {1, 1}), within) << log.joined();
    EXPECT_EQ(levels(p.columns[9]), within ? Levels(9, 10, 11, 12, 13) : levels(sample_page().columns[9]));
    if (!within) {
      EXPECT_EQ(log.lines.at(0), path.string() + ": too large (over 16777216 bytes)");
      EXPECT_EQ(read_gz(bad(path)), bytes);
    }
  }
}

TEST(FlatFile, AnUnreadableFileWithNoNameLeftIsNeverSavedOver) {
  World_dir w;
  fs::path const path = w / "flat/2.3.mpk.gz";
  forged::put_on_disk(path, "the player's damaged bytes");
  forged::take_bad_names(path);
  for (int session = 0; session < 2; ++session) {
    Fmap_page p;
    Sdl_log_capture log;
    EXPECT_FALSE(p.load(w.dir, {2, 3}));
    // Played from the map instead, and edited.
    flat_map(Sample{}).generate({2, 3}, p);
    p.columns[0].l4 += 1;
    p.flags |= Fmap_page::dirty;
    EXPECT_FALSE(p.save(w.dir, {2, 3})) << session;
    EXPECT_TRUE(p.flags & Fmap_page::dirty);
    EXPECT_NE(log.joined().find(path.string() + ": unreadable, left as it is: not saved over it"), std::string::npos)
        << log.joined();
  }
  EXPECT_EQ(forged::on_disk(path), "the player's damaged bytes");
}
