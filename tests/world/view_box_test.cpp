// The box of pages following the player: the 30-frame delay, what leaves and
// enters, the high-detail threshold and a change of the view distance.
#include "support/pipeline.hpp"
#include "world/world_center.hpp"

using namespace pipeline;

namespace {

glm::ivec3 const start{0, 1, 0}, radius{2, 1, 2};

// n frames with the player on page p.
void frames_on(World& w, glm::ivec3 p, int n) {
  w.scene->player->body.position = glm::vec3(p * 16 + 8);
  while (n-- > 0) w.frame();
}

int chebyshev(glm::ivec3 a, glm::ivec3 b) {
  glm::ivec3 d = glm::abs(a - b);
  return std::max({d.x, d.y, d.z});
}

} // namespace

TEST(View_box, TheCentreFollowsOnTheThirtiethFrameOffIt) {
  World w;
  w.settle();
  w.forget_calls();
  glm::ivec3 const next = start + glm::ivec3(1, 0, 0);
  frames_on(w, next, 29);
  frames_on(w, start, 1); // back in time: the count starts again
  frames_on(w, next, 29);
  EXPECT_EQ(w.loaded(), box(start, radius));
  EXPECT_TRUE(w.removals.empty());
  frames_on(w, next, 1); // the 30th: the slab x = -2 leaves, with its meshes; nothing runs
  EXPECT_EQ(w.builder->done(), 0);
  Positions gone = box(start + glm::ivec3(-2, 0, 0), {0, 1, 2});
  EXPECT_EQ(Positions(w.removals.begin(), w.removals.end()), gone);
  for (glm::ivec3 p : gone) EXPECT_FALSE(w.page(p));
  w.settle();
  EXPECT_EQ(w.loaded(), box(next, radius));
}

TEST(View_box, ALongJumpSavesAndDropsTheWholeOldBox) {
  World w;
  w.settle();
  w.builder->change_cell({8, 40, 8}, cell_id("basic.stone")); // high in the air: a dirty page and flat page
  w.scene->wmap.erase({2, 1, 2});                              // never built: no save, still a removal
  w.forget_calls();
  glm::ivec3 const far = start + glm::ivec3(40, 0, 0);
  frames_on(w, far, 30);
  EXPECT_TRUE(fs::exists(cell_path(w.dir, {0, 2, 0})));
  EXPECT_TRUE(fs::exists(w.dir / "flat" / "0.0.mpk.gz"));
  EXPECT_EQ(Positions(w.removals.begin(), w.removals.end()), box(start, radius));
  for (int x = -2; x <= 2; ++x)
    for (int z = -2; z <= 2; ++z) EXPECT_TRUE(!w.scene->fmap.pages.find({x, z}) && w.scene->fmap.pages.find({far.x + x, z}));
  w.settle();
  EXPECT_EQ(w.loaded(), box(far, radius));
  frames_on(w, start, 30); // coming back reads the stone and its column from their files
  w.settle();
  EXPECT_EQ(w.cell({8, 40, 8}), cell_id("basic.stone"));
  EXPECT_EQ(w.scene->fmap.column(8, 8)->l4, 41);
}

TEST(View_box, PagesCrossingTheDetailThresholdAreMeshedAgain) {
  struct Case {
    char const* name;
    glm::ivec3 to;  // the player's new page
    int new_radius; // high-detail radius after the change
  };
  Case const cases[] = {
      {"one page along x", start + glm::ivec3(1, 0, 0), 1},
      {"radius grows in place", start, 2},
      {"radius shrinks in place", start, 0},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.settle();
    w.forget_calls();
    w.config.high_def_radius = c.new_radius;
    if (c.to == start) w.builder->set_dirty();
    frames_on(w, c.to, 30);
    w.settle();
    std::map<glm::ivec3, int, Less> remeshed(w.mesh_calls.begin(), w.mesh_calls.end());
    Positions const before = box(start, radius);
    for (glm::ivec3 p : box(c.to, radius)) {
      if (!before.count(p)) continue; // entering pages are built anew
      bool const flipped = (chebyshev(p, start) <= 1) != (chebyshev(p, c.to) <= c.new_radius);
      bool const drawn = !w.page(p)->has(Wmap_page::empty);
      int const detail = page_detail(p, c.to, c.new_radius);
      EXPECT_EQ(remeshed.count(p), flipped && drawn ? 1u : 0u) << p.x << " " << p.y << " " << p.z;
      EXPECT_EQ(remeshed.count(p) ? remeshed[p] : detail, detail);
      EXPECT_EQ(w.billboards.count(p), drawn && detail == 0 ? 1u : 0u);
    }
  }
}

TEST(View_box, AChangedViewDistanceLosesNothing) {
  World w;
  w.settle();
  glm::ivec3 const lamp{3, 30, 3};
  w.builder->change_cell(lamp, cell_id("basic.lamp"));
  w.page({2, 1, 2})->set(Wmap_page::dirty); // far corner: leaves the smaller box
  for (glm::ivec3 view : {glm::ivec3(4, 2, 3), glm::ivec3(1, 1, 1), glm::ivec3(99, -4, 70)}) {
    glm::ivec3 const r = glm::clamp(view, glm::ivec3(0), glm::ivec3(64, 32, 64));
    SCOPED_TRACE(r.x * 10000 + r.y * 100 + r.z);
    w.config.view_distance = view;
    EXPECT_EQ(w.frame(), 0);
    EXPECT_TRUE(fs::exists(cell_path(w.dir, page_of(lamp))) && fs::exists(cell_path(w.dir, {2, 1, 2})));
    Positions const inside = box(start, r);
    for (auto const& [p, mesh] : w.meshes) EXPECT_TRUE(inside.count(p)); // the others were removed
    if (r.x == 64) break; // the widest box is only checked for its save
    w.settle();
    EXPECT_EQ(w.loaded(), inside);
    EXPECT_EQ(w.cell(lamp), cell_id("basic.lamp"));
  }
}
