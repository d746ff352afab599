#include "world/cell_builder.hpp"

#include "content/cell_db.hpp"
#include "support/sdl_log.hpp"
#include "support/terrain.hpp"
#include "world/scene.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace terrain;

namespace {

// A scene whose flat page (0, 0) has the same levels in every column.
struct Fill_fixture {
  Config config{Config::Defaults{}};
  World_dir world;
  Scene scene{config, world.dir, flat_map({})};
  Fmap_page& flat = scene.fmap.pages.insert({0, 0});

  explicit Fill_fixture(Fmap_cell levels) {
    scene.wmap.resize({8, 8, 8});
    flat.columns.fill(levels);
    flat.bounds();
  }
  Wmap_page& fill(int y, bool empty_before = false) {
    Wmap_page& page = scene.wmap.insert({0, y, 0});
    if (empty_before) page.set(Wmap_page::empty);
    build_cell_page(scene, {0, y, 0}, page);
    return page;
  }
};

// One letter per cell of column (x, z), bottom up.
std::string column(Wmap_page const& page, int x = 3, int z = 11) {
  std::map<Cell_id, char> letters;
  for (char const* name : {"s.basic.stone", "d.basic.dirt", "g.basic.grass", "n.basic.sand", "l.basic.leaves", "..basic.none"})
    letters[cell_db()[name + 2].id] = name[0];
  std::string s;
  for (int y = 0; y < 16; ++y) {
    auto it = letters.find(page.cells[cell_index(x, y, z)]);
    s += it == letters.end() ? '?' : it->second;
  }
  return s;
}

} // namespace

TEST(CellFill, WholePagesShareTheFullArrays) {
  struct Case {
    char const* what;
    Fmap_cell levels;
    int y;
    bool empty_before;
    Page<Cell_id> const* cells; // shared afterwards; null for a mixed page
    bool empty_after;
  };
  Case const cases[] = {
      {"under a mountain: water", {200, 202, 203, 204, 203}, -1, true, &Wmap_page::full_water_(), false},
      {"above the sunlight level: air", {27, 30, 31, 31, 31}, 2, false, &Wmap_page::full_air_(), true},
      {"base at the sunlight level: mixed", {28, 30, 32, 33, 32}, 2, false, nullptr, false},
      {"top at the stone level: mixed", {48, 50, 52, 52, 52}, 2, true, nullptr, true},
      {"below the stone level: stone", {49, 50, 52, 52, 52}, 2, true, &Wmap_page::full_bedrock_(), false},
  };
  for (auto const& c : cases) {
    Fill_fixture f(c.levels);
    Wmap_page& page = f.fill(c.y, c.empty_before);
    EXPECT_EQ(page.stage.load(), c.cells ? 5 : 1) << c.what;
    EXPECT_EQ(page.has(Wmap_page::empty), c.empty_after) << c.what;
    EXPECT_EQ(page.cells.same_array(c.cells ? *c.cells : Wmap_page::full_air_()), c.cells != nullptr) << c.what;
    Page<Light> const& light = !c.cells || c.empty_after ? Wmap_page::full_light_() : Wmap_page::full_dark_();
    EXPECT_TRUE(page.light.same_array(light)) << c.what; // a mixed page's light is left to the light stage
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
      {"grass by its height, not the page's", {30, 35, 40, 50, 40}, 2, "dddgggggllllllll"},
      {"levels out of order, written in order", {10, 5, 12, 8, 12}, 0, "sssssggg........"},
  };
  for (auto const& c : cases) {
    Fill_fixture f(c.levels);
    Wmap_page& page = f.fill(c.y);
    EXPECT_EQ(column(page), c.cells) << c.what;
    EXPECT_EQ(column(page, 15, 0), c.cells) << c.what;
  }
}

TEST(CellFill, AMixedFillWritesAFreshArrayAndNoSharedOne) {
  Fill_fixture f({4, 6, 8, 9, 8});
  f.flat.columns[16 * 3 + 11] = {2, 3, 5, 6, 5};
  Wmap_page& other = f.scene.wmap.insert({5, 0, 5});
  Wmap_page& page = f.scene.wmap.insert({0, 0, 0});
  page.cells = other.cells;
  Page<Cell_id> before = page.cells.snapshot();
  std::int64_t arrays = Page<Cell_id>::total_.load();
  std::uint64_t ops = f.scene.regen.ops.load();
  build_cell_page(f.scene, {0, 0, 0}, page);
  EXPECT_EQ(column(page, 3, 11), "ssdggl..........");
  EXPECT_EQ(column(page, 3, 12), "ssssddggl.......");
  EXPECT_EQ(Page<Cell_id>::total_.load(), arrays + 1);
  EXPECT_EQ(f.scene.regen.ops.load(), ops + 1);
  EXPECT_FALSE(page.cells.shared());
  Cell_id const air = cell_db()["basic.none"].id;
  for (Page<Cell_id> const* p : std::initializer_list<Page<Cell_id> const*>{&before, &other.cells, &Wmap_page::full_air_()})
    EXPECT_EQ(std::count(p->data(), p->data() + page_cells, air), page_cells);
}

TEST(CellFill, APageWithoutItsFlatPageStaysWhereItIs) {
  Fill_fixture f({4, 6, 8, 9, 8});
  Wmap_page& page = f.scene.wmap.insert({1, 0, 0});
  Sdl_log_capture log;
  build_cell_page(f.scene, {1, 0, 0}, page);
  build_cell_page(f.scene, {1, -1, 0}, page);
  EXPECT_EQ(page.stage.load(), 0);
  EXPECT_TRUE(page.cells.same_array(Wmap_page::full_air_()));
  EXPECT_LE(log.lines.size(), 1u);
}
