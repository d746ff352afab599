// Cell and face edits: the column's sunlight level, the pages sent back to
// the light stage, containers and painted faces.
#include "support/pipeline.hpp"

using namespace pipeline;

namespace {

Options const deep{.view = {1, 2, 1}}; // layers -1 (water) to 3 (air) around page (0, 1, 0)

// Loaded pages at the stage, within lo..hi.
Positions at_stage(World& w, int stage, glm::ivec3 lo = glm::ivec3(-99), glm::ivec3 hi = glm::ivec3(99)) {
  Positions out;
  for (glm::ivec3 p : w.loaded())
    if (w.stage(p) == stage && glm::clamp(p, lo, hi) == p) out.insert(p);
  return out;
}

} // namespace

TEST(Cell_edit, TheSunlightLevelAndTheRelitPages) {
  int const x = 14, z = 3; // relights two pages across in x, three in z
  Cell_id const air = cell_id("basic.none"), stone = cell_id("basic.stone"), glass = cell_id("basic.glass");
  struct Case {
    char const* name;
    std::vector<std::pair<int, Cell_id>> before; // cells set first, at heights relative to the level L
    int dy;                                      // the edit, relative to L
    Cell_id id;
    int level; // the level afterwards, relative to L
    int low;   // the lowest height whose pages relight, relative to L
  };
  Case const cases[] = {
      {"removing the top opaque cell", {{-2, air}, {-3, air}}, -1, air, -3, -3 - 14},
      {"the scan stops at cell 0", {{-2, air}, {-3, Cell_id(0)}}, -1, air, -2, -2 - 14},
      {"placing above the level", {}, 5, stone, 6, -14},
      {"placing below the level", {}, -3, stone, 0, -3 - 14},
      {"a clear cell off the top", {}, 3, glass, 0, 3 - 14},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w(deep);
    w.settle();
    int const L = w.scene->fmap.column(x, z)->l4, y = L + c.dy;
    for (auto [dy, id] : c.before) w.page(page_of({x, L + dy, z}))->cells.set(cell_index(x, L + dy, z), id);
    w.builder->change_cell({x, y, z}, c.id);
    EXPECT_EQ(w.cell({x, y, z}), c.id);
    EXPECT_EQ(w.scene->fmap.column(x, z)->l4, L + c.level);
    EXPECT_EQ(w.scene->fmap.pages.find({0, 0})->flags, c.level != 0 ? std::uint64_t(Fmap_page::dirty) : 0u);
    Positions relit = at_stage(w, 7, glm::ivec3(x - 14, L + c.low, z - 14) >> 4, glm::ivec3(x + 14, y + 14, z + 14) >> 4);
    EXPECT_TRUE(relit.empty());
    relit = at_stage(w, 1);
    EXPECT_EQ(relit, at_stage(w, 1, glm::ivec3(x - 14, L + c.low, z - 14) >> 4, glm::ivec3(x + 14, y + 14, z + 14) >> 4));
    for (glm::ivec3 p : relit) EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
  }
}

TEST(Cell_edit, TheScanStopsAtTheFirstPageNotLoaded) {
  World w(deep);
  w.settle();
  int const L = w.scene->fmap.column(8, 8)->l4;
  for (int y = L - 2; y >= 0; --y) w.builder->change_cell({8, y, 8}, cell_id("basic.none"));
  w.builder->change_cell({8, L - 1, 8}, cell_id("basic.none"));
  EXPECT_EQ(w.scene->fmap.column(8, 8)->l4, -16); // through the water of layer -1; layer -2 is not loaded
}

TEST(Cell_edit, ContainersAndPaints) {
  World w(deep);
  w.settle();
  glm::ivec3 const at{4, 20, 4}, p = page_of(at);
  Cell_id const chest = cell_id("basic.chest"), planks = cell_id("basic.planks");
  Inventory const empty(cell_db()[chest].capacity);
  ASSERT_GT(empty.size(), 0u);

  // A done page: a paint, or clearing an unpainted face, sends it to be meshed again.
  for (Cell_id paint : {planks, Cell_id(0)}) {
    w.page(p)->clear(Wmap_page::dirty);
    w.forget_calls();
    w.builder->change_face(at, 2, paint);
    EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
    EXPECT_EQ(w.stage(p), 6);
    w.frame();
    EXPECT_EQ(w.mesh_calls, (std::vector<std::pair<glm::ivec3, int>>{{p, 0}}));
  }
  // A container starts empty, also over a full one; its items and paints go with it.
  w.builder->change_cell(at, chest);
  EXPECT_EQ(w.stage(p), 1);
  EXPECT_EQ(w.scene->wmap.get_data(at)->inventory, empty);
  w.scene->wmap.get_data(at)->inventory[0] = Item{item_db()["basic.stone"].id, 5};
  w.builder->change_face(at, 3, planks); // a page being lit: only the paint changes
  EXPECT_EQ(w.stage(p), 1);
  EXPECT_EQ(w.page(p)->paints.size(), 1u);
  w.builder->change_cell(at, chest);
  EXPECT_EQ(w.scene->wmap.get_data(at)->inventory, empty);
  EXPECT_TRUE(w.page(p)->paints.empty());
  w.builder->change_cell(at, cell_id("basic.stone"));
  EXPECT_FALSE(w.scene->wmap.get_data(at));
}

TEST(Cell_edit, EditsOutsideTheLoadedWorldChangeNothing) {
  World w(deep);
  w.settle();
  for (glm::ivec3 cell : {glm::ivec3(8, 88, 8), glm::ivec3(80, 20, 0), glm::ivec3(8, 32767, 8), glm::ivec3(8, -40000, 8)}) {
    w.builder->change_cell(cell, cell_id("basic.stone"));
    w.builder->change_face(cell, 1, cell_id("basic.stone"));
  }
  w.builder->change_face({4, 20, 4}, 6, cell_id("basic.stone")); // no face 6
  EXPECT_EQ(at_stage(w, 7), w.loaded());
  for (glm::ivec3 p : w.loaded()) EXPECT_FALSE(w.page(p)->has(Wmap_page::dirty));
  w.scene->fmap.pages.for_each([](glm::ivec2, Fmap_page const& f) { EXPECT_EQ(f.flags, 0u); });
}
