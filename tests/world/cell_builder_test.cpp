#include "world/cell_builder.hpp"

#include "content/cell_db.hpp"
#include "support/sdl_log.hpp"
#include "support/terrain.hpp"
#include "world/scene.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace terrain;

namespace {

// A scene whose flat page (0, 0) has the same levels in every column unless
// a test sets columns of its own.
struct Fill_fixture {
  Config config{Config::Defaults{}};
  World_dir world;
  Scene scene{config, world.dir, flat_map({})};
  Fmap_page& flat = scene.fmap.pages.insert({0, 0});

  Fill_fixture() { scene.wmap.resize({8, 8, 8}); }

  void levels(Fmap_cell c) {
    flat.columns.fill(c);
    flat.bounds();
  }
  // Fills the page at (0, y, 0) of a fresh page table entry.
  Wmap_page& fill(int y, bool empty_before = false) {
    Wmap_page& page = scene.wmap.insert({0, y, 0});
    if (empty_before) page.set(Wmap_page::empty);
    build_cell_page(scene, {0, y, 0}, page);
    return page;
  }
};

// One letter per cell of column (x, z), bottom up.
std::string column(Wmap_page const& page, int x = 3, int z = 11) {
  std::map<Cell_id, char> const letters = {
      {cell_db()["basic.stone"].id, 's'}, {cell_db()["basic.dirt"].id, 'd'},   {cell_db()["basic.grass"].id, 'g'},
      {cell_db()["basic.sand"].id, 'n'},  {cell_db()["basic.leaves"].id, 'l'}, {cell_db()["basic.none"].id, '.'},
      {cell_db()["basic.water"].id, 'w'},
  };
  std::string s;
  for (int y = 0; y < 16; ++y) {
    auto it = letters.find(page.cells[cell_index(x, y, z)]);
    s += it == letters.end() ? '?' : it->second;
  }
  return s;
}

bool all_light(Wmap_page const& page, Light v) {
  for (int i = 0; i < page_cells; ++i)
    if (page.light[i] != v) return false;
  return true;
}

} // namespace

TEST(CellFill, WholePagesShareTheFullArrays) {
  struct Case {
    char const* what;
    Fmap_cell levels; // every column
    int y;
    bool empty_before;
    Page<Cell_id> const& cells; // shared afterwards, or the air array for a mixed page
    int stage;
    bool empty_after;
  };
  Fmap_cell const mountain{200, 202, 203, 204, 203};
  Case const cases[] = {
      {"under a mountain: water", mountain, -1, true, Wmap_page::full_water_(), 5, false},
      {"deep under the sea: water", {-40, -39, -38, -38, -38}, -3, false, Wmap_page::full_water_(), 5, false},
      {"above the sunlight level: air", {27, 30, 31, 31, 31}, 2, false, Wmap_page::full_air_(), 5, true},
      {"base at the sunlight level: mixed", {28, 30, 32, 33, 32}, 2, false, Wmap_page::full_air_(), 1, false},
      {"top at the stone level: mixed", {48, 50, 52, 52, 52}, 2, true, Wmap_page::full_air_(), 1, true},
      {"below the stone level: stone", {49, 50, 52, 52, 52}, 2, true, Wmap_page::full_bedrock_(), 5, false},
  };
  for (auto const& c : cases) {
    Fill_fixture f;
    f.levels(c.levels);
    Wmap_page& page = f.fill(c.y, c.empty_before);
    EXPECT_EQ(page.stage.load(), c.stage) << c.what;
    EXPECT_EQ(page.has(Wmap_page::empty), c.empty_after) << c.what;
    bool whole = c.stage == 5;
    EXPECT_EQ(page.cells.same_array(c.cells), whole) << c.what;
    if (whole) {
      Page<Light> const& light = c.empty_after ? Wmap_page::full_light_() : Wmap_page::full_dark_();
      EXPECT_TRUE(page.light.same_array(light)) << c.what;
    } else {
      EXPECT_TRUE(all_light(page, 15)) << c.what; // left to the light stage
    }
  }
}

TEST(CellFill, ColumnsAreLaidFromTheirLevels) {
  struct Case {
    char const* what;
    Fmap_cell levels;
    int y;
    char const* cells; // bottom up
  };
  Case const cases[] = {
      {"stone, dirt, grass, leaves, air", {4, 6, 8, 9, 8}, 0, "ssssddggl......."},
      {"surface at 2 is sand", {0, 1, 2, 2, 2}, 0, "dn.............."},
      {"surface at 3 is grass", {0, 2, 3, 3, 3}, 0, "ddg............."},
      {"leaves through the top", {10, 12, 14, 20, 14}, 0, "ssssssssssddggll"},
      {"stone to the top, all of its own", {32, 37, 38, 39, 38}, 1, "ssssssssssssssss"},
      {"sand by its height, not the page's", {30, 35, 40, 50, 40}, 2, "dddgggggllllllll"},
      {"rock: every level the same", {20, 20, 20, 20, 20}, 1, "ssss............"},
      {"levels out of order, written in order", {10, 5, 12, 8, 12}, 0, "sssssggg........"},
      {"below the sea", {-9, -6, -5, -5, -5}, 0, nullptr},
  };
  for (auto const& c : cases) {
    Fill_fixture f;
    f.levels(c.levels);
    Wmap_page& page = f.fill(c.y);
    if (!c.cells) {
      EXPECT_EQ(page.stage.load(), 5) << c.what; // above every level: air
      continue;
    }
    EXPECT_EQ(page.stage.load(), 1) << c.what;
    EXPECT_EQ(column(page), c.cells) << c.what;
    EXPECT_EQ(column(page, 0, 0), c.cells) << c.what;
    EXPECT_EQ(column(page, 15, 15), c.cells) << c.what;
  }
}

TEST(CellFill, EachColumnTakesItsOwnLevels) {
  Fill_fixture f;
  f.levels({0, 0, 0, 0, 0});
  f.flat.columns[16 * 3 + 11] = {2, 3, 5, 6, 5};
  f.flat.bounds();
  Wmap_page& page = f.fill(0);
  EXPECT_EQ(column(page, 3, 11), "ssdggl..........");
  EXPECT_EQ(column(page, 11, 3), "................");
  EXPECT_EQ(column(page, 3, 12), "................");
}

TEST(CellFill, AMixedFillWritesAFreshArrayAndNoSharedOne) {
  Fill_fixture f;
  f.levels({4, 6, 8, 9, 8});
  Wmap_page& other = f.scene.wmap.insert({5, 0, 5});
  Wmap_page& page = f.scene.wmap.insert({0, 0, 0});
  page.cells = other.cells; // both share the air array
  Page<Cell_id> before = page.cells.snapshot();
  std::int64_t arrays = Page<Cell_id>::total_.load();
  std::uint64_t ops = f.scene.regen.ops.load();
  build_cell_page(f.scene, {0, 0, 0}, page);
  EXPECT_EQ(Page<Cell_id>::total_.load(), arrays + 1);
  EXPECT_EQ(f.scene.regen.ops.load(), ops + 1);
  EXPECT_FALSE(page.cells.shared());
  Cell_id const air = cell_db()["basic.none"].id;
  for (Page<Cell_id> const* p : std::initializer_list<Page<Cell_id> const*>{&before, &other.cells, &Wmap_page::full_air_()})
    for (int i = 0; i < page_cells; ++i) ASSERT_EQ((*p)[i], air) << i;
}

TEST(CellFill, APageWithoutItsFlatPageStaysWhereItIs) {
  Fill_fixture f;
  f.levels({4, 6, 8, 9, 8});
  Wmap_page& page = f.scene.wmap.insert({1, 0, 0});
  Sdl_log_capture log;
  build_cell_page(f.scene, {1, 0, 0}, page);
  build_cell_page(f.scene, {1, -1, 0}, page);
  EXPECT_EQ(page.stage.load(), 0);
  EXPECT_TRUE(page.cells.same_array(Wmap_page::full_air_()));
  EXPECT_LE(log.lines.size(), 1u);
}
