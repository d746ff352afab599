// Starting light of a page and the passes that let its neighbours' light in.
#include "support/light_world.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

glm::ivec3 const faces[6] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};

// The in-page cell across face f of a neighbour from cell i of this page.
int across(int i, int f) { return i ^ (15 << (8 - 4 * (f / 2))); }

// "x,y,z" of an in-page index, for failure messages.
std::string where(int i) {
  return std::to_string(i >> 8) + "," + std::to_string((i >> 4) & 15) + "," + std::to_string(i & 15);
}

bool all_bytes(Page<Light> const& p, Light v) {
  for (int i = 0; i < page_cells; ++i)
    if (p[i] != v) return false;
  return true;
}

} // namespace

// Random pages among random neighbour sets: after the start and three passes
// every cell holds exactly what the breadth-first reference says, walls 0.
// Light enters only across the six faces: the fully lit pages on the edges
// and corners of the shell give nothing.
TEST(Light, PassesSettleOnTheReference) {
  Light_world w;
  Cell_id const air = test_air(), stone = test_stone();
  Cell_id const others[] = {test_cell("light_test.glass", Cell_opacity::clear),
                             test_cell("light_test.leaves", Cell_opacity::semiopaque),
                             test_cell("light_test.torch", Cell_opacity::billboard, 14),
                             test_cell("light_test.lamp", Cell_opacity::clear, 200),
                             test_cell("light_test.glow", Cell_opacity::opaque, 15)};
  glm::ivec3 const p(0, 1, 0);
  int const base = 16;
  std::mt19937 rng(20240611);
  auto roll = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      for (int dz = -1; dz <= 1; ++dz)
        if (std::abs(dx) + std::abs(dy) + std::abs(dz) >= 2) w.page(p + glm::ivec3(dx, dy, dz)).light = Page<Light>(0xff);

  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    int const walls = roll(70), specials = roll(8);
    Page<Cell_id> cells(air);
    Cell_id* c = cells.write();
    for (int i = 0; i < page_cells; ++i)
      c[i] = roll(100) < walls ? stone : roll(100) < specials ? others[roll(5)] : air;
    Wmap_page& pg = w.page(p);
    pg.cells = cells;
    pg.light = Wmap_page::full_light_();
    pg.stage = 1;

    Fmap_page& flat = w.scene.fmap.pages.insert(glm::ivec2(p.x, p.z));
    int const spread = 1 + roll(30);
    for (Fmap_cell& col : flat.columns) col.l4 = static_cast<std::int16_t>(base - 4 + roll(spread));

    Light_reference sun, spot;
    for (int f = 0; f < 6; ++f) {
      glm::ivec3 const q = p + faces[f];
      int const kind = roll(4);
      if (kind == 0) {
        w.scene.wmap.erase(q);
        continue;
      }
      Wmap_page& n = w.page(q);
      n.light = Wmap_page::full_light_();
      if (kind > 1) {
        Light* l = n.light.write();
        int const dark = roll(100);
        for (int i = 0; i < page_cells; ++i) l[i] = roll(100) < dark ? 0 : static_cast<Light>(rng());
      }
      sun.border[f].emplace(), spot.border[f].emplace();
      for (int i = 0; i < page_cells; ++i)
        if (Light_reference::on_face(i, f)) {
          Light const l = n.light[across(i, f)];
          (*sun.border[f])[i] = sun_of(l), (*spot.border[f])[i] = spot_of(l);
        }
    }

    w.init(p);
    for (int pass = 0; pass < 3; ++pass) w.spread(p);

    for (int i = 0; i < page_cells; ++i) {
      Cell_type const& t = cell_db()[c[i]];
      bool const wall = t.opacity == Cell_opacity::opaque;
      int const y = (i >> 4) & 15;
      int const k = std::clamp(flat.columns[16 * (i >> 8) + (i & 15)].l4 - base, 0, 16);
      sun.wall[i] = spot.wall[i] = wall;
      sun.start[i] = wall ? 0 : y >= k ? 15 : 0;
      spot.start[i] = wall ? 0 : std::min<int>(t.light, 15);
    }
    auto const want_sun = sun.solve(), want_spot = spot.solve();
    int wrong = 0;
    for (int i = 0; i < page_cells && wrong < 5; ++i) {
      Light const got = pg.light[i];
      if (sun.wall[i] ? got == 0 : sun_of(got) == want_sun[i] && spot_of(got) == want_spot[i]) continue;
      ++wrong;
      ADD_FAILURE() << "cell " << where(i) << (sun.wall[i] ? " (wall)" : "") << ": sun " << sun_of(got) << " want "
                    << want_sun[i] << ", spot " << spot_of(got) << " want " << want_spot[i];
    }
  }
}

// The three outcomes of the start, chosen from the page's cells and its
// columns' sunlight levels.
TEST(Light, StartChoosesByCellsAndLevels) {
  enum Fill { air, air_and_glass, stone, stone_and_air };
  enum Array { shares_lit, shares_dark, own };
  struct Case {
    char const* name;
    Fill fill;
    int level; // every column's sunlight level, relative to the page's base
    bool flat = true;
    int stage = 2;
    bool empty = false;
    Array array = own;
    int probe = -1; // a cell and its expected sunlight
    int sun = 0;
  };
  Case const cases[] = {
      {"air above every level", air, -1, true, 2, true, shares_lit},
      {"glass above every level is drawn", air_and_glass, -1, true, 2, false, own, cell_index(4, 4, 4), 15},
      {"base exactly at the level", air, 0, true, 2, false, own, cell_index(3, 0, 3), 15},
      {"level one above base", air, 1, true, 2, false, own, cell_index(3, 0, 3), 14},
      {"level 16 above base", air, 16, true, 2, false, own, cell_index(3, 15, 3), 0},
      {"all opaque below the levels", stone, 40, true, 5, false, shares_dark},
      {"all opaque above the levels", stone, -1, true, 5, false, shares_dark},
      {"one air cell deep down", stone_and_air, 40, true, 2, false, own, cell_index(5, 5, 5), 0},
      {"flat page missing", air, 0, false, 1, true, shares_lit},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.name);
    Light_world w;
    Cell_id const glass = test_cell("light_test.glass", Cell_opacity::clear);
    glm::ivec3 const p(1, 2, -1);
    Wmap_page& pg = w.filled(p, k.fill == stone || k.fill == stone_and_air ? test_stone() : test_air());
    if (k.fill == air_and_glass) pg.cells.set(cell_index(4, 4, 4), glass);
    if (k.fill == stone_and_air) pg.cells.set(cell_index(5, 5, 5), test_air());
    pg.set(Wmap_page::empty);
    if (k.flat) w.flat(glm::ivec2(p.x, p.z), 16 * p.y + k.level);

    w.init(p);
    EXPECT_EQ(int(pg.stage.load()), k.stage);
    EXPECT_EQ(pg.has(Wmap_page::empty), k.empty);
    EXPECT_EQ(pg.light.same_array(Wmap_page::full_light_()), k.array == shares_lit);
    EXPECT_EQ(pg.light.same_array(Wmap_page::full_dark_()), k.array == shares_dark);
    EXPECT_EQ(w.scene.light_init.ops.load(), k.array == own ? 1u : 0u);
    if (k.probe >= 0) {
      EXPECT_EQ(pg.light[k.probe], k.sun) << where(k.probe);
    }
  }
}

// A page sharing the all-lit array gets its own on its first pass; the other
// sharers and the shared array keep 15/0.
TEST(Light, SharedArrayIsCopiedBeforeTheFirstWrite) {
  Light_world w;
  glm::ivec3 const a(0, 0, 0), b(0, 2, 0);
  w.page(a), w.page(b);
  w.page(glm::ivec3(1, 0, 0)).light = Page<Light>(0xf0); // spotlight 15 facing a
  std::int64_t const arrays = Page<Light>::total_;

  w.spread(a);
  EXPECT_FALSE(w.page(a).light.same_array(Wmap_page::full_light_()));
  EXPECT_EQ(Page<Light>::total_.load(), arrays + 1);
  EXPECT_EQ(w.page(a).light[cell_index(15, 3, 3)], 0xef);
  EXPECT_EQ(w.page(a).light[cell_index(0, 3, 3)], 0x0f);
  EXPECT_TRUE(w.page(b).light.same_array(Wmap_page::full_light_()));
  EXPECT_TRUE(all_bytes(Wmap_page::full_light_(), 15));

  w.spread(a); // a private array is replaced, not added to
  EXPECT_EQ(Page<Light>::total_.load(), arrays + 1);
  EXPECT_EQ(w.scene.light_spread.ops.load(), 2u);
}

// Neighbours relit on other threads publish new arrays while a pass reads
// them; the reads hold their array alive and the light still settles.
TEST(Light, PassesOfNeighboursRunAtOnce) {
  Light_world w;
  Cell_id const lamp = test_cell("light_test.lamp", Cell_opacity::clear, 15);
  for (int x = 0; x < 4; ++x) {
    Wmap_page& pg = w.filled(glm::ivec3(x, 0, 0), test_air());
    if (x == 0) pg.cells.set(cell_index(15, 8, 8), lamp);
    w.flat(glm::ivec2(x, 0), 40);
    w.init(glm::ivec3(x, 0, 0));
  }
  std::vector<std::thread> workers;
  for (int x = 0; x < 4; ++x)
    workers.emplace_back([&w, x] {
      for (int pass = 0; pass < 200; ++pass) w.spread(glm::ivec3(x, 0, 0));
    });
  for (std::thread& t : workers) t.join();
  w.spread(glm::ivec3(1, 0, 0));
  EXPECT_EQ(w.page(glm::ivec3(1, 0, 0)).light[cell_index(5, 8, 8)], 9 << 4);
  EXPECT_EQ(w.page(glm::ivec3(2, 0, 0)).light[cell_index(0, 8, 8)], 0);
}
