#include "world/fmap.hpp"

#include "support/sdl_log.hpp"
#include "support/terrain.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <random>
#include <tuple>

using namespace terrain;

namespace {

// The levels of one column as a tuple, for readable failures.
auto levels(Fmap_cell const& c) { return std::tuple(c.l0, c.l1, c.l2, c.l3, c.l4); }
using Levels = std::tuple<int, int, int, int, int>;

Fmap_page generated(Fmap const& m, glm::ivec2 page) {
  Fmap_page p;
  m.generate(page, p);
  return p;
}

// Column (0, 0) of page (-1, -1) of a side-2 map is sample (0, 0) itself.
Fmap_cell column_of(Sample s) { return generated(flat_map(s), {-1, -1}).columns[0]; }

} // namespace

TEST(Fmap, LevelRulesAtTheirBoundaries) {
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
      {"g3 below 12: no leaves", {10, 0, 1, 11.99f}, {6, 9, 10, 10, 10}},
      {"g1 0.75: still grass", {10, 0.75f, 1, 12}, {6, 9, 10, 11, 10}},
      {"g1 above 0.75: bare dirt", {10, 0.76f, 1, 12}, {6, 10, 10, 10, 10}},
      {"sea bed", {-7, 0, 1, 12}, {-11, -8, -7, -6, -7}},
      {"beyond 16 bits", {1e9f, 0, 1, 12}, {32762, 32765, 32766, 32767, 32766}},
      {"below 16 bits", {-1e9f, 0, 0.1f, 0}, {-32764, -32764, -32764, -32764, -32764}},
  };
  for (auto const& c : cases) EXPECT_EQ(levels(column_of(c.s)), c.want) << c.what;
}

TEST(Fmap, GroundRoundsHalfwayToEven) {
  std::pair<float, int> const cases[] = {{0.5f, 0}, {1.5f, 2}, {2.5f, 2}, {3.5f, 4},
                                         {-0.5f, 0}, {-1.5f, -2}, {-2.5f, -2}, {2.4999998f, 2}};
  for (auto [g0, h] : cases) EXPECT_EQ(column_of({g0, 0, 0}).l2, h) << g0;
}

TEST(Fmap, InterpolatesInSinglePrecision) {
  // Sample (0, k) times 15/16 is exactly 2.5 (or 4.5) in single precision but
  // just above it in double: single precision rounds it down to even.
  for (auto [g0, h] : {std::pair{0x1.555556p+1f, 2}, std::pair{0x1.333334p+2f, 4}}) {
    Fmap m = map(2, [g0](std::uint64_t i, std::uint64_t) { return Sample{i == 0 ? g0 : 0.0f, 0, 0}; });
    EXPECT_EQ(generated(m, {-1, -1}).columns[16 * 1 + 0].l2, h) << g0;
  }
}

TEST(Fmap, InterpolatesAlongXThenZ) {
  // g0 of sample (i, k) is 16i + 32k: column (cx, cz) of page (-1, -1) stands
  // at cx + 2cz.
  Fmap m = map(2, [](std::uint64_t i, std::uint64_t k) { return Sample{16.0f * i + 32.0f * k, 0, 0}; });
  Fmap_page p = generated(m, {-1, -1});
  for (int cx = 0; cx < 16; ++cx)
    for (int cz = 0; cz < 16; ++cz) ASSERT_EQ(p.columns[16 * cx + cz].l2, cx + 2 * cz) << cx << " " << cz;
  EXPECT_EQ(p.max, 15 + 30);
  EXPECT_EQ(p.min, 0);
  Fmap_page again = generated(m, {-1, -1});
  EXPECT_EQ(std::memcmp(&p.columns, &again.columns, sizeof p.columns), 0);
}

TEST(Fmap, OutsideTheMapIsSeaLevelDirt) {
  Fmap m = flat_map({32, 0, 1, 13});
  // Page (0, 0) holds the last sample; its neighbours lie outside the map.
  Fmap_page edge = generated(m, {0, 0});
  EXPECT_EQ(edge.columns[16 * 8].l2, 16);      // halfway to 0
  EXPECT_EQ(edge.columns[16 * 12].l1, 7);      // g1 0.75, g3 4: grass
  EXPECT_EQ(edge.columns[16 * 13].l1, 6);      // g1 above 0.75: dirt
  Levels const outside{-4, 0, 0, 0, 0};
  for (glm::ivec2 page : {glm::ivec2(1, 1), glm::ivec2(-3, -1), glm::ivec2(-1, -3), glm::ivec2(1000, -1000),
                          glm::ivec2(INT_MAX, INT_MAX), glm::ivec2(INT_MIN, INT_MIN)}) {
    Fmap_page p = generated(m, page);
    EXPECT_EQ(levels(p.columns[0]), outside) << page.x << " " << page.y;
    EXPECT_EQ(levels(p.columns[255]), outside) << page.x << " " << page.y;
    EXPECT_EQ(p.max, 0);
    EXPECT_EQ(p.min, -4);
  }
  EXPECT_EQ(m.corner({-1, -1}), glm::vec4(32, 0, 1, 13));
  EXPECT_EQ(m.corner({-2, 0}), glm::vec4(0, 1, 1, 1));
  EXPECT_EQ(Fmap(0, {}).corner({0, 0}), glm::vec4(0, 1, 1, 1));
}

TEST(Fmap, SpawnIsTheFirstLandOfTheMiddleRowsWesternHalf) {
  struct Case {
    char const* what;
    std::uint64_t n;
    std::vector<float> row; // g0 of row n / 2; every other sample is land
    glm::ivec2 spawn;
  };
  Case const cases[] = {
      {"all sea", 4, {-1, 0, -2, -3}, {0, 0}},
      {"first sample", 4, {0.5f, 1, 1, 1}, {-2, 0}},
      {"just above 0", 4, {-1, 1e-6f, 1, 1}, {-1, 0}},
      {"land only in the east", 4, {-1, 0, 5, 5}, {0, 0}},
      {"three pages west", 8, {-1, -1, -1, -1, 0.5f, 1, 1, 1}, {0, 0}},
      {"spawn -3", 8, {-1, 0.25f, 2, 3, 4, 5, 6, 7}, {-3, 0}},
      {"side 1", 1, {9}, {0, 0}},
  };
  for (auto const& c : cases) {
    Fmap m = map(c.n, [&](std::uint64_t i, std::uint64_t k) { return Sample{k == c.n / 2 ? c.row[i] : 50.0f}; });
    EXPECT_EQ(m.spawn, c.spawn) << c.what;
  }
}

TEST(Fmap, GridsMustHoldSideSquaredFiniteValues) {
  auto grids = [](std::size_t size, float v = 1.0f) {
    Fmap_grids g;
    for (auto& grid : g) grid.assign(size, v);
    return g;
  };
  EXPECT_NO_THROW(Fmap(3, grids(9)));
  EXPECT_THROW(Fmap(3, grids(8)), std::invalid_argument);
  EXPECT_THROW(Fmap(3, grids(10)), std::invalid_argument);
  EXPECT_THROW(Fmap(3, grids(9, std::numeric_limits<float>::quiet_NaN())), std::invalid_argument);
  EXPECT_THROW(Fmap(3, grids(9, std::numeric_limits<float>::infinity())), std::invalid_argument);
  EXPECT_THROW(Fmap(max_map_side + 1, {}), std::invalid_argument);
  Fmap_grids short_one = grids(9);
  short_one[3].pop_back();
  EXPECT_THROW(Fmap(3, short_one), std::invalid_argument);
}

TEST(Fmap, ColumnsAreFoundThroughTheirFlatPage) {
  Fmap m = flat_map({5, 0, 1, 5});
  EXPECT_EQ(m.column(0, 0), nullptr);
  Fmap_page& p = m.pages.insert({-1, 2});
  m.generate({-1, 2}, p);
  Fmap_cell* c = m.column(-16 + 3, 32 + 15);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c, &p.columns[16 * 3 + 15]);
  EXPECT_EQ(static_cast<Fmap const&>(m).column(-1, 47), &p.columns[16 * 15 + 15]);
  EXPECT_EQ(m.column(0, 47), nullptr);
}

// ---- the map file -----------------------------------------------------------

TEST(MapFile, ReadsWhatItMustAndRefusesTheRest) {
  struct Case {
    char const* what;
    std::string bytes;
    std::string message; // empty: reads
  };
  auto with = [](std::function<void(mpk::Emitter&)> f) { return emitted(f); };
  Case const cases[] = {
      {"a side-2 map", map_bytes(2, 4), ""},
      {"float 64 values", with([](mpk::Emitter& e) {
         mpk::emit_arr_head(e, 5);
         mpk::emit_int(e, 1u);
         for (int g = 0; g < 4; ++g) mpk::emit_arr_head(e, 1), mpk::emit_flt(e, 2.0);
       }),
       ""},
      {"more than five elements", map_bytes(1, 1, 1.0f, 4, [](mpk::Emitter& e) { mpk::emit_str(e, "x"); }), ""},
      {"side 0 with no grids", with([](mpk::Emitter& e) { mpk::emit_arr_head(e, 1), mpk::emit_int(e, 0u); }), ""},
      {"a grid one short", map_bytes(2, 3), "bad array size"},
      {"a grid one long", map_bytes(2, 5), "bad array size"},
      {"a grid missing", map_bytes(2, 4, 1.0f, 3), "bad array size"},
      {"side too large", map_bytes(max_map_side + 1, 0), "map too large"},
      {"side whose square wraps", map_bytes(std::uint64_t(1) << 32, 0), "map too large"},
      {"infinite value", map_bytes(1, 1, std::numeric_limits<float>::infinity()), "non-finite value"},
      {"NaN", map_bytes(1, 1, std::numeric_limits<float>::quiet_NaN()), "non-finite value"},
      {"float 64 beyond float range", with([](mpk::Emitter& e) {
         mpk::emit_arr_head(e, 2);
         mpk::emit_int(e, 1u);
         mpk::emit_arr_head(e, 1), mpk::emit_flt(e, 1e300);
       }),
       "non-finite value"},
      {"an integer sample", with([](mpk::Emitter& e) {
         mpk::emit_arr_head(e, 2);
         mpk::emit_int(e, 1u);
         mpk::emit_arr_head(e, 1), mpk::emit_int(e, 3);
       }),
       "expected float"},
      {"not an array", with([](mpk::Emitter& e) { mpk::emit_int(e, 2); }), "expected array"},
      {"cut short", map_bytes(2, 4).substr(0, 30), "unexpected end of data"},
      {"a forged count", with([](mpk::Emitter& e) {
         mpk::emit_arr_head(e, 5);
         mpk::emit_int(e, 16384u);
         mpk::emit_arr_head(e, 16384u * 16384u);
       }),
       "expected float"},
  };
  World_dir w;
  for (auto const& c : cases) {
    write_gz(w / "map.mpk.gz", c.bytes);
    std::uint64_t n = 77;
    Fmap_grids g;
    EXPECT_EQ(read_map_file(w / "map.mpk.gz", n, g), c.message) << c.what;
    if (c.message.empty()) {
      for (auto const& grid : g) EXPECT_EQ(grid.size(), n * n) << c.what;
    } else {
      EXPECT_EQ(n, 77u) << c.what;
    }
  }
  std::uint64_t n = 0;
  Fmap_grids g;
  EXPECT_EQ(read_map_file(w / "missing.mpk.gz", n, g), "can't open");
}

TEST(MapFile, TheWorldsOwnMapIsLoadedAndItsSpawnFound) {
  World_dir w;
  write_gz(w / "map.mpk.gz", emitted([](mpk::Emitter& e) {
             mpk::emit_arr_head(e, 5);
             mpk::emit_int(e, 4u);
             for (int g = 0; g < 4; ++g) {
               mpk::emit_arr_head(e, 16);
               for (int i = 0; i < 16; ++i) mpk::emit_flt(e, g == 0 && i >= 9 ? 3.0f : -1.0f);
             }
           }));
  testing::internal::CaptureStdout();
  Fmap m(w.dir);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Loading " + (w / "map.mpk.gz").string() + "\n");
  EXPECT_EQ(m.n, 4u);
  EXPECT_EQ(m.spawn, glm::ivec2(-1, 0));
}

TEST(MapFileDeath, AnUnreadableMapEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  World_dir w;
  write_gz(w / "map.mpk.gz", map_bytes(2, 3));
  EXPECT_EXIT(Fmap{w.dir}, testing::ExitedWithCode(255), "bad array size\n.*fatal: can't load map");
}

// ---- flat page files ----------------------------------------------------------

namespace {

Fmap_page sample_page() {
  Fmap m = map(2, [](std::uint64_t i, std::uint64_t k) {
    return Sample{-200.0f + 300.0f * i + 7.0f * k, 0.5f * i, 0.15f + 0.1f * k, 14.0f * i};
  });
  return generated(m, {-1, -1});
}

bool same_columns(Fmap_page const& a, Fmap_page const& b) {
  return std::memcmp(&a.columns, &b.columns, sizeof a.columns) == 0;
}

// Where the first column starts in flat_bytes with two leading elements.
constexpr std::size_t first_column = 1 + 2 * 9 + 3;

// The bytes of a flat file whose columns element is `columns` entries of
// `levels` levels each (level j of entry i is i + j).
std::string flat_bytes(int columns, int levels, int leading = 2, int trailing = 0) {
  return emitted([=](mpk::Emitter& e) {
    mpk::emit_arr_head(e, static_cast<std::uint64_t>(leading + 1 + trailing));
    for (int i = 0; i < leading; ++i) mpk::emit_str(e, "anything");
    mpk::emit_arr_head(e, static_cast<std::uint64_t>(columns));
    for (int i = 0; i < columns; ++i) {
      mpk::emit_arr_head(e, static_cast<std::uint64_t>(levels));
      for (int j = 0; j < levels; ++j) mpk::emit_int(e, i + j);
    }
    for (int i = 0; i < trailing; ++i) mpk::emit_nil(e);
  });
}

} // namespace

TEST(FlatFile, RoundTripClearsDirtyAndRecomputesBounds) {
  World_dir w;
  Fmap_page page = sample_page();
  page.flags = Fmap_page::dirty;
  page.columns[77].l0 = -30000;
  page.columns[78].l4 = 30000;
  Sdl_log_capture log;
  ASSERT_TRUE(page.save(w.dir, {-3, 12}));
  EXPECT_EQ(page.flags, 0u);
  EXPECT_EQ(log.lines.at(0), "Saving " + flat_path(w.dir, {-3, 12}).string());
  EXPECT_EQ(flat_path(w.dir, {-3, 12}), w / "flat/-3.12.mpk.gz");

  Fmap_page back;
  back.flags = Fmap_page::dirty;
  ASSERT_TRUE(back.load(w.dir, {-3, 12}));
  EXPECT_TRUE(same_columns(back, page));
  EXPECT_EQ(back.flags, 0u);
  EXPECT_EQ(back.min, -30000);
  EXPECT_EQ(back.max, 30000);
  EXPECT_FALSE(fs::exists(w / "flat/-3.12.mpk.gz.tmp"));
}

TEST(FlatFile, WritesNilNilAndTwoHundredFiftySixColumnsOfFive) {
  World_dir w;
  Fmap_page page;
  for (int i = 0; i < 256; ++i) page.columns[i] = {-200, -1, 0, 127, 300};
  ASSERT_TRUE(page.save(w.dir, {0, 0}));
  std::string one("\x95\xd1\xff\x38\xff\x00\x7f\xcd\x01\x2c", 10);
  std::string want = std::string("\x93\xc0\xc0\xdc\x01\x00", 6);
  for (int i = 0; i < 256; ++i) want += one;
  EXPECT_EQ(read_gz(w / "flat/0.0.mpk.gz"), want);
}

TEST(FlatFile, ReadsLenientlyWhereTheFormAllows) {
  struct Case {
    char const* what;
    std::string bytes;
    Levels column_9; // levels of column 9 after the read, from all 5s before it
  };
  Case const cases[] = {
      {"leading elements of any kind", flat_bytes(256, 5), {9, 10, 11, 12, 13}},
      {"elements after the columns", flat_bytes(256, 5, 2, 3), {9, 10, 11, 12, 13}},
      {"short columns keep their other levels", flat_bytes(256, 2), {9, 10, 5, 5, 5}},
      {"long columns skip the extra levels", flat_bytes(256, 7), {9, 10, 11, 12, 13}},
  };
  World_dir w;
  for (auto const& c : cases) {
    write_gz(w / "flat/1.-1.mpk.gz", c.bytes);
    Fmap_page p;
    for (auto& col : p.columns) col = {5, 5, 5, 5, 5};
    ASSERT_TRUE(p.load(w.dir, {1, -1})) << c.what;
    EXPECT_EQ(levels(p.columns[9]), c.column_9) << c.what;
  }
}

TEST(FlatFile, AnUnreadableFileIsSetAsideAndChangesNothing) {
  struct Case {
    char const* what;
    std::string bytes;
    std::string message;
  };
  Case const cases[] = {
      {"255 columns", flat_bytes(255, 5), "bad array size"},
      {"257 columns", flat_bytes(257, 5), "bad array size"},
      {"no columns element", emitted([](mpk::Emitter& e) { mpk::emit_arr_head(e, 2), mpk::emit_nil(e), mpk::emit_nil(e); }),
       "bad array size"},
      {"a column that is no array", flat_bytes(256, 5).replace(first_column, 1, "\x05"), "expected array"},
      {"a level that is no integer", flat_bytes(256, 5).replace(first_column + 1, 1, "\xc0"), "expected integer"},
      {"cut short", flat_bytes(256, 5).substr(0, first_column + 3), "unexpected end of data"},
      {"data after the end", flat_bytes(256, 5) + "\xc0", "unexpected data after the end"},
  };
  World_dir w;
  Fmap_page const before = sample_page();
  for (auto const& c : cases) {
    fs::path path = w / "flat/2.3.mpk.gz";
    write_gz(path, c.bytes);
    Fmap_page p = before;
    Sdl_log_capture log;
    EXPECT_FALSE(p.load(w.dir, {2, 3})) << c.what;
    EXPECT_TRUE(same_columns(p, before)) << c.what;
    EXPECT_EQ(log.lines.at(0), path.string() + ": " + c.message) << c.what;
    EXPECT_FALSE(fs::exists(path)) << c.what;
    EXPECT_EQ(read_gz(fs::path(path) += ".bad"), c.bytes) << c.what;
    fs::remove(fs::path(path) += ".bad");
  }
}

TEST(FlatFile, EveryPrefixAndRandomDamageFailsSafely) {
  World_dir w;
  Fmap_page const page = sample_page();
  Fmap_page copy = page;
  ASSERT_TRUE(copy.save(w.dir, {0, 0}));
  std::string const good = read_gz(w / "flat/0.0.mpk.gz");
  fs::path const path = w / "flat/0.0.mpk.gz";
  Sdl_log_capture quiet;
  for (std::size_t n = 0; n < good.size(); ++n) {
    write_gz(path, good.substr(0, n));
    Fmap_page p;
    ASSERT_FALSE(p.load(w.dir, {0, 0})) << n;
    ASSERT_TRUE(fs::exists(fs::path(path) += ".bad")) << n;
    fs::remove(fs::path(path) += ".bad");
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string bad = good;
    for (int k = 0; k < 3; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
    write_gz(path, bad);
    Fmap_page p = page;
    if (!p.load(w.dir, {0, 0})) {
      ASSERT_TRUE(same_columns(p, page)) << round;
      ASSERT_TRUE(fs::exists(fs::path(path) += ".bad")) << round;
      fs::remove(fs::path(path) += ".bad");
    }
  }
}

TEST(FlatFile, MissingFileIsNoErrorAndEarlierBadFilesAreKept) {
  World_dir w;
  Fmap_page p;
  Sdl_log_capture log;
  EXPECT_FALSE(p.load(w.dir, {4, 4}));
  EXPECT_TRUE(log.lines.empty());
  for (int i = 0; i < 3; ++i) {
    write_gz(w / "flat/4.4.mpk.gz", "x" + std::to_string(i));
    EXPECT_FALSE(p.load(w.dir, {4, 4}));
  }
  EXPECT_EQ(read_gz(w / "flat/4.4.mpk.gz.bad"), "x0");
  EXPECT_EQ(read_gz(w / "flat/4.4.mpk.gz.bad.2"), "x1");
  EXPECT_EQ(read_gz(w / "flat/4.4.mpk.gz.bad.3"), "x2");
}

TEST(FlatFile, AFailedSaveKeepsThePageDirty) {
  World_dir w;
  std::ofstream(w / "flat") << "a file where the folder should be";
  Fmap_page p = sample_page();
  p.flags = Fmap_page::dirty;
  Sdl_log_capture log;
  EXPECT_FALSE(p.save(w.dir, {0, 0}));
  EXPECT_EQ(p.flags, std::uint64_t(Fmap_page::dirty));
}

TEST(MapFile, TheShippedMapIsAnIslandWithABeachAtTheSpawn) {
  std::uint64_t n = 0;
  Fmap_grids g;
  ASSERT_EQ(read_map_file(fs::path(TERRAFOLD_SOURCE_DIR) / "data/map.mpk.gz", n, g), "");
  ASSERT_EQ(n, 256u);
  Fmap m(n, std::move(g));
  for (std::uint64_t k = 0; k < n; ++k)
    for (std::uint64_t i = 0; i < n; ++i)
      if (std::min({i, k, n - 1 - i, n - 1 - k}) < 16) ASSERT_LE(m.g[0][n * k + i], 0.0f) << i << " " << k;
  ASSERT_LT(m.spawn.x, 0);
  // A new player stands at height 4 over column (8, 8) of the spawn page.
  Fmap_cell const c = generated(m, m.spawn).columns[16 * 8 + 8];
  EXPECT_GE(c.l2, 1);
  EXPECT_LE(c.l2, 3);
  EXPECT_LE(c.l3, 3);
}
