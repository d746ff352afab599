#include "world/mob.hpp"
#include "world/wmap.hpp"

#include "support/world.hpp"

#include <glm/common.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace world_test;

namespace {

// A table of 4 pages per axis holding the mobs it is given, each listed in
// the page that `page` names (not necessarily where its box is).
struct Mob_world {
  Wmap wmap{glm::ivec3(4)};
  std::vector<std::unique_ptr<Mob>> owned;

  Mob* add(glm::ivec3 page, glm::vec3 lo, glm::vec3 hi) {
    owned.push_back(mob_in_box(lo, hi));
    wmap.insert(page).mobs.push_back(owned.back().get());
    return owned.back().get();
  }
};

} // namespace

TEST(WmapPage, NewPageSharesAirAndLight) {
  Wmap_page p;
  EXPECT_TRUE(p.cells.same_array(Wmap_page::full_air_()));
  EXPECT_TRUE(p.light.same_array(Wmap_page::full_light_()));
  EXPECT_EQ(p.stage.load(), 0);
  EXPECT_EQ(p.flags.load(), 0);
  EXPECT_TRUE(p.mobs.empty());
  EXPECT_EQ(p.data.max_load_factor(), 1.0f);
  EXPECT_EQ(p.paints.max_load_factor(), 1.0f);
}

TEST(WmapPage, SharedFullArraysHoldTheirNamedCells) {
  struct Case {
    Page<Cell_id> const& page;
    char const* name;
  };
  for (Case c : {Case{Wmap_page::full_air_(), "basic.none"}, {Wmap_page::full_water_(), "basic.water"},
                 {Wmap_page::full_bedrock_(), "basic.stone"}}) {
    Cell_id id = cell_db()[c.name].id;
    EXPECT_NE(id, 0) << c.name;
    EXPECT_EQ(c.page[0], id) << c.name;
    EXPECT_EQ(c.page[4095], id) << c.name;
  }
  EXPECT_EQ(Wmap_page::full_dark_()[123], 0);
  EXPECT_EQ(Wmap_page::full_light_()[123], 15);
  // Built once: a second call is the same array, and no new one is counted.
  std::int64_t before = Page<Cell_id>::total_.load();
  EXPECT_TRUE(Wmap_page::full_water_().same_array(Wmap_page::full_water_()));
  EXPECT_EQ(Page<Cell_id>::total_.load(), before);
}

TEST(WmapPage, WritingOneSharingPageLeavesTheOthers) {
  Wmap_page a, b;
  std::int64_t before = Page<Cell_id>::total_.load();
  Cell_id stone = cell_db()["basic.stone"].id;
  a.cells.set(cell_index(3, 4, 5), stone);
  EXPECT_EQ(Page<Cell_id>::total_.load(), before + 1);
  EXPECT_EQ(a.cells[cell_index(3, 4, 5)], stone);
  EXPECT_EQ(b.cells[cell_index(3, 4, 5)], Wmap_page::full_air_()[0]);
  EXPECT_EQ(Wmap_page::full_air_()[cell_index(3, 4, 5)], Wmap_page::full_air_()[0]);
  EXPECT_TRUE(b.cells.same_array(Wmap_page::full_air_()));
}

TEST(Wmap, CellLightAndDataQueries) {
  Wmap w(glm::ivec3(2));
  Wmap_page& p = w.insert({-1, 0, -1});
  Cell_id stone = cell_db()["basic.stone"].id;
  p.cells.set(cell_index(15, 2, 0), stone);
  p.light.set(cell_index(15, 2, 0), 0x3a);
  p.data[static_cast<std::int16_t>(cell_index(15, 2, 0))].inventory = Inventory(3);

  glm::ivec3 cell{-1, 2, -16}; // page (-1, 0, -1), index (15, 2, 0)
  EXPECT_EQ(w.get_cell(cell), stone);
  EXPECT_EQ(w.get_light(cell), 0x3a);
  ASSERT_NE(w.get_data(cell), nullptr);
  EXPECT_EQ(w.get_data(cell)->inventory.size(), 3u);

  EXPECT_EQ(w.get_data(cell + glm::ivec3(0, 1, 0)), nullptr); // no entry
  glm::ivec3 missing{31, 2, 0}; // page (1, 0, 0): absent
  EXPECT_EQ(w.get_cell(missing), 0);
  EXPECT_EQ(w.get_light(missing), 15);
  EXPECT_EQ(w.get_data(missing), nullptr);
  glm::ivec3 same_slot = cell + glm::ivec3(32, 0, 0); // page (1, 0, -1): the slot holds (-1, 0, -1)
  EXPECT_EQ(w.get_cell(same_slot), 0);
  EXPECT_EQ(w.get_data(same_slot), nullptr);
}

TEST(Wmap, MobCoverTest) {
  struct Case {
    char const* what;
    glm::vec3 lo, hi;
    glm::ivec3 cell;
    bool covers;
  };
  std::vector<Case> cases{
      {"inside", {2.2f, 3.1f, 4.5f}, {2.8f, 4.9f, 4.7f}, {2, 4, 4}, true},
      {"max exactly on the cell's edge", {1.5f, 3.0f, 4.0f}, {2.0f, 4.0f, 5.0f}, {2, 3, 4}, false},
      {"min exactly on the cell", {2.0f, 3.0f, 4.0f}, {2.1f, 3.1f, 4.1f}, {2, 3, 4}, true},
      {"one axis short", {2.0f, 3.0f, 4.0f}, {3.0f, 4.0f, 4.0f}, {2, 3, 4}, false},
      {"negative coordinates", {-1.5f, -0.5f, -17.2f}, {-0.9f, 0.5f, -16.9f}, {-2, -1, -18}, true},
      {"non-finite box", {std::nanf(""), 0.0f, 0.0f}, {std::nanf(""), 1.0f, 1.0f}, {0, 0, 0}, false},
  };
  for (Case const& c : cases) {
    Mob_world mw;
    mw.add(page_of(glm::ivec3(glm::floor(c.lo))), c.lo, c.hi);
    EXPECT_EQ(mw.wmap.cell_has_mob(c.cell), c.covers) << c.what;
    EXPECT_EQ(mw.wmap.mobs_in_cell(c.cell).size(), c.covers ? 1u : 0u) << c.what;
  }
}

TEST(Wmap, MobsFoundInNeighbouringPagesInSearchOrder) {
  Mob_world mw;
  // Listed in page (1, 0, 0) but reaching back 3 cells into page (0, 0, 0).
  Mob* reach = mw.add({1, 0, 0}, {13.0f, 0.0f, 0.0f}, {17.0f, 1.0f, 1.0f});
  Mob* first = mw.add({0, 0, 0}, {14.0f, 0.0f, 0.0f}, {15.0f, 1.0f, 1.0f});
  Mob* second = mw.add({0, 0, 0}, {14.5f, 0.0f, 0.0f}, {14.9f, 1.0f, 1.0f});
  mw.add({0, 0, 0}, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}); // elsewhere
  EXPECT_EQ(mw.wmap.mobs_in_cell({14, 0, 0}), (std::vector<Mob*>{first, second, reach}));
  EXPECT_TRUE(mw.wmap.cell_has_mob({13, 0, 0}));

  // A mob listed 5 cells away lies outside the search box.
  Mob_world far;
  far.add({1, 0, 0}, {10.0f, 0.0f, 0.0f}, {11.0f, 1.0f, 1.0f});
  EXPECT_FALSE(far.wmap.cell_has_mob({10, 0, 0})); // cell 10: pages 0..0 on x
}

TEST(Wmap, PageInAnotherKeysSlotIsSkipped) {
  Mob_world mw;
  mw.add({4, 0, 0}, {1.0f, 1.0f, 1.0f}, {2.0f, 2.0f, 2.0f}); // slot of page (0, 0, 0)
  EXPECT_FALSE(mw.wmap.cell_has_mob({1, 1, 1}));
  EXPECT_TRUE(mw.wmap.mobs_in_cell({1, 1, 1}).empty());
}
