// Cell and face edits: the column's sunlight level, the pages sent back to
// the light stage, containers and painted faces.
#include "support/pipeline.hpp"

using namespace pipeline;

namespace {

// A box five pages deep around page (0, 1, 0): layers -1 (water) to 3 (air).
Options const deep{.view = {1, 2, 1}, .detail = 1};

Positions at_stage(World& w, int stage) {
  Positions out;
  for (glm::ivec3 p : w.loaded())
    if (w.stage(p) == stage) out.insert(p);
  return out;
}

// Loaded pages from lo to hi inclusive.
Positions pages(World& w, glm::ivec3 lo, glm::ivec3 hi) {
  Positions out;
  for (glm::ivec3 p : w.loaded())
    if (glm::clamp(p, lo, hi) == p) out.insert(p);
  return out;
}

} // namespace

TEST(Cell_edit, TheSunlightLevelAndTheRelitPages) {
  int const x = 14, z = 3; // two pages across in x, three in z
  Cell_id const air = cell_id("basic.none"), stone = cell_id("basic.stone"), glass = cell_id("basic.glass");
  struct Case {
    char const* name;
    std::vector<std::pair<int, Cell_id>> before; // settled edits at heights relative to the level L
    int dy;                                      // the edit, relative to L
    Cell_id id;
    int level;                                   // the new level relative to L; or absolute below
    int low;                                     // lowest height whose pages relight, relative to L
    bool absolute = false;
  };
  Case const cases[] = {
      {"removing the top opaque cell", {{-2, air}, {-3, air}}, -1, air, -3, -3 - 14},
      {"the scan stops at cell 0", {{-2, air}, {-3, Cell_id(0)}}, -1, air, -2, -2 - 14},
      {"placing above the level", {}, 5, stone, 6, -14},
      {"placing below the level", {}, -3, stone, 0, -3 - 14},
      {"clear cells elsewhere leave it", {}, 3, glass, 0, 3 - 14},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w(deep);
    w.settle();
    int const L = w.scene->fmap.column(x, z)->l4;
    for (auto [dy, id] : c.before) {
      if (id == 0) w.page(page_of({x, L + dy, z}))->cells.set(cell_index(x, L + dy, z), 0);
      else w.builder->change_cell({x, L + dy, z}, id);
    }
    w.settle();
    w.scene->fmap.pages.find({0, 0})->flags = 0;
    int const y = L + c.dy;
    w.builder->change_cell({x, y, z}, c.id);
    EXPECT_EQ(w.cell({x, y, z}), c.id);
    EXPECT_EQ(w.scene->fmap.column(x, z)->l4, L + c.level);
    EXPECT_EQ(w.scene->fmap.pages.find({0, 0})->flags, (c.level != 0 ? std::uint64_t(Fmap_page::dirty) : std::uint64_t(0)));
    Positions relit = pages(w, glm::ivec3(x - 14, L + c.low, z - 14) >> 4, glm::ivec3(x + 14, y + 14, z + 14) >> 4);
    EXPECT_EQ(at_stage(w, 1), relit);
    for (glm::ivec3 p : relit) EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
  }
}

TEST(Cell_edit, TheScanStopsAtTheFirstPageNotLoaded) {
  World w(deep);
  w.settle();
  int const x = 8, z = 8, L = w.scene->fmap.column(x, z)->l4;
  for (int y = L - 2; y >= 0; --y) w.builder->change_cell({x, y, z}, cell_id("basic.none"));
  w.builder->change_cell({x, L - 1, z}, cell_id("basic.none"));
  // Through the water of layer -1 down to layer -2, which is not loaded.
  EXPECT_EQ(w.scene->fmap.column(x, z)->l4, -16);
}

TEST(Cell_edit, ContainersAreReplacedEmpty) {
  World w(deep);
  w.settle();
  glm::ivec3 const at{5, 40, 5};
  Cell_id const chest = cell_id("basic.chest");
  std::size_t const slots = cell_db()[chest].capacity;
  ASSERT_GT(slots, 0u);
  w.builder->change_cell(at, chest);
  ASSERT_TRUE(w.scene->wmap.get_data(at));
  EXPECT_EQ(w.scene->wmap.get_data(at)->inventory, Inventory(slots));
  w.scene->wmap.get_data(at)->inventory[0] = Item{item_db()["basic.stone"].id, 5};
  w.builder->change_face(at, 3, cell_id("basic.planks"));
  w.builder->change_cell(at, chest); // over a full chest: a new, empty one
  EXPECT_EQ(w.scene->wmap.get_data(at)->inventory, Inventory(slots));
  EXPECT_TRUE(w.page(page_of(at))->paints.empty());
  w.builder->change_cell(at, cell_id("basic.stone"));
  EXPECT_FALSE(w.scene->wmap.get_data(at));
}

TEST(Cell_edit, PaintingSendsOnlyDonePagesBackToMeshing) {
  struct Case {
    char const* name;
    bool done;    // the page at stage 7 when painted
    Cell_id paint;
  };
  Case const cases[] = {
      {"paint a done page", true, cell_id("basic.planks")},
      {"clear an unpainted face of a done page", true, 0},
      {"paint a page still being lit", false, cell_id("basic.planks")},
  };
  glm::ivec3 const at{4, 20, 4}, p = page_of(at);
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w(deep);
    w.settle();
    if (!c.done) w.builder->change_cell(at + glm::ivec3(0, 1, 0), cell_id("basic.none"));
    int const before = w.stage(p);
    w.page(p)->clear(Wmap_page::dirty);
    w.forget_calls();
    w.builder->change_face(at, 2, c.paint);
    EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
    EXPECT_EQ(w.page(p)->paints.size(), c.paint ? 1u : 0u);
    EXPECT_EQ(w.stage(p), c.done ? 6 : before);
    if (!c.done) continue;
    w.frame();
    EXPECT_EQ(w.stage(p), 7);
    EXPECT_EQ(w.mesh_calls, (std::vector<std::pair<glm::ivec3, int>>{{p, 0}}));
  }
}

TEST(Cell_edit, EditsOutsideTheLoadedWorldChangeNothing) {
  World w(deep);
  w.settle();
  Cell_id const stone = cell_id("basic.stone");
  glm::ivec3 const cells[] = {{8, 16 * 3 + 40, 8}, {16 * 5, 20, 0}, {8, 32767, 8}, {8, -40000, 8}};
  for (glm::ivec3 cell : cells) {
    w.builder->change_cell(cell, stone);
    w.builder->change_face(cell, 1, stone);
  }
  w.builder->change_face({4, 20, 4}, 6, stone); // no face 6
  EXPECT_EQ(at_stage(w, 7), w.loaded());
  for (glm::ivec3 p : w.loaded()) EXPECT_FALSE(w.page(p)->has(Wmap_page::dirty));
  w.scene->fmap.pages.for_each([](glm::ivec2, Fmap_page const& f) { EXPECT_EQ(f.flags, 0u); });
  EXPECT_EQ(w.frame(), 0);
}
