#include "world/mob.hpp"
#include "world/wmap.hpp"

#include "support/world.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace world_test;

namespace {

// A table of 4 pages per axis; each mob is listed in the page given, not
// necessarily the one its box lies in.
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

TEST(Wmap, CellLightAndDataQueries) {
  Wmap w(glm::ivec3(2));
  Wmap_page& p = w.insert({-1, 0, -1});
  glm::ivec3 cell{-1, 2, -16}; // page (-1, 0, -1), in-page (15, 2, 0)
  p.cells.set(cell_index(15, 2, 0), 7);
  p.light.set(cell_index(15, 2, 0), 0x3a);
  p.data[static_cast<std::int16_t>(cell_index(15, 2, 0))].inventory = Inventory(3);
  EXPECT_EQ(w.get_cell(cell), 7);
  EXPECT_EQ(w.get_light(cell), 0x3a);
  ASSERT_NE(w.get_data(cell), nullptr);
  EXPECT_EQ(w.get_data(cell)->inventory.size(), 3u);
  EXPECT_EQ(w.get_data(cell + glm::ivec3(0, 1, 0)), nullptr); // no entry

  // Page (1, 0, 0) is absent; page (1, 0, -1) would share the loaded one's slot.
  for (glm::ivec3 missing : {glm::ivec3(31, 2, 0), cell + glm::ivec3(32, 0, 0)}) {
    EXPECT_EQ(w.get_cell(missing), 0);
    EXPECT_EQ(w.get_light(missing), 15);
    EXPECT_EQ(w.get_data(missing), nullptr);
  }
}

TEST(Wmap, MobCoverTest) {
  struct Case {
    char const* what;
    glm::ivec3 listed; // the page whose list holds the mob
    glm::vec3 lo, hi;
    glm::ivec3 cell;
    bool covers;
  };
  float nan = std::nanf("");
  for (Case const& c : std::vector<Case>{
           {"inside", {0, 0, 0}, {2.2f, 3.1f, 4.5f}, {2.8f, 4.9f, 4.7f}, {2, 4, 4}, true},
           {"max exactly on the cell", {0, 0, 0}, {1.5f, 3.0f, 4.0f}, {2.0f, 4.0f, 5.0f}, {2, 3, 4}, false},
           {"min exactly on the cell", {0, 0, 0}, {2.0f, 3.0f, 4.0f}, {2.1f, 3.1f, 4.1f}, {2, 3, 4}, true},
           {"flat on one axis", {0, 0, 0}, {2.0f, 3.0f, 4.0f}, {3.0f, 4.0f, 4.0f}, {2, 3, 4}, false},
           {"negative coordinates", {-1, -1, -2}, {-1.5f, -0.5f, -17.2f}, {-0.9f, 0.5f, -16.9f}, {-2, -1, -18}, true},
           {"non-finite box", {0, 0, 0}, {nan, 0.0f, 0.0f}, {nan, 1.0f, 1.0f}, {0, 0, 0}, false},
           {"reaching in from the next page", {1, 0, 0}, {13.0f, 0.0f, 0.0f}, {17.0f, 1.0f, 1.0f}, {13, 0, 0}, true},
           {"listed beyond the search", {1, 0, 0}, {10.0f, 0.0f, 0.0f}, {11.0f, 1.0f, 1.0f}, {10, 0, 0}, false},
           {"listed in another key's slot", {4, 0, 0}, {1.0f, 1.0f, 1.0f}, {2.0f, 2.0f, 2.0f}, {1, 1, 1}, false},
       }) {
    Mob_world mw;
    mw.add(c.listed, c.lo, c.hi);
    EXPECT_EQ(mw.wmap.cell_has_mob(c.cell), c.covers) << c.what;
    EXPECT_EQ(mw.wmap.mobs_in_cell(c.cell).size(), c.covers ? 1u : 0u) << c.what;
  }
}

TEST(Wmap, MobsInSearchOrder) {
  Mob_world mw;
  Mob* reach = mw.add({1, 0, 0}, {13.0f, 0.0f, 0.0f}, {17.0f, 1.0f, 1.0f});
  Mob* first = mw.add({0, 0, 0}, {14.0f, 0.0f, 0.0f}, {15.0f, 1.0f, 1.0f});
  Mob* second = mw.add({0, 0, 0}, {14.5f, 0.0f, 0.0f}, {14.9f, 1.0f, 1.0f});
  mw.add({0, 0, 0}, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f});
  EXPECT_EQ(mw.wmap.mobs_in_cell({14, 0, 0}), (std::vector<Mob*>{first, second, reach}));
}
