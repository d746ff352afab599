// The box of pages following the player: the 30-frame delay, what leaves and
// enters, the high-detail threshold and a change of the view distance.
#include "support/pipeline.hpp"
#include "world/world_center.hpp"

using namespace pipeline;

namespace {

glm::ivec3 const start{0, 1, 0};
glm::ivec3 const radius{2, 1, 2};

glm::vec3 in_page(glm::ivec3 p) { return glm::vec3(p * 16 + 8); }

// Frames with the player on page p; the number of ops of each.
std::vector<int> frames_on(World& w, glm::ivec3 p, int n) {
  w.move_player(in_page(p));
  std::vector<int> ops;
  for (int i = 0; i < n; ++i) ops.push_back(w.frame());
  return ops;
}

int chebyshev(glm::ivec3 a, glm::ivec3 b) {
  glm::ivec3 d = glm::abs(a - b);
  return std::max({d.x, d.y, d.z});
}

} // namespace

TEST(View_box, TheCentreFollowsOnTheThirtiethFrameOffIt) {
  World w({.view = radius});
  w.settle();
  w.forget_calls();
  glm::ivec3 next = start + glm::ivec3(1, 0, 0);
  frames_on(w, next, 29);
  frames_on(w, start, 1); // back in time: the count starts again
  frames_on(w, next, 29);
  EXPECT_EQ(w.loaded(), box(start, radius));
  EXPECT_TRUE(w.removals.empty());

  // The 30th: the slab at x = -2 leaves, with its meshes; nothing runs.
  EXPECT_EQ(frames_on(w, next, 1), std::vector<int>{0});
  Positions gone;
  for (glm::ivec3 p : box(start, radius))
    if (p.x == -2) gone.insert(p);
  EXPECT_EQ(Positions(w.removals.begin(), w.removals.end()), gone);
  for (glm::ivec3 p : gone) EXPECT_FALSE(w.page(p));
  w.settle();
  EXPECT_EQ(w.loaded(), box(next, radius));
}

TEST(View_box, ALongJumpSavesAndDropsTheWholeOldBox) {
  World w({.view = radius});
  w.settle();
  // A stone high above the hills: a dirty air page and a dirty flat page.
  w.builder->change_cell({8, 40, 8}, cell_id("basic.stone"));
  w.page({-2, 1, 0})->set(Wmap_page::populated); // its mobs were read: a mob file goes out too
  w.scene->wmap.erase({2, 1, 2});                // never built: no save, still a removal
  w.forget_calls();
  glm::ivec3 far = start + glm::ivec3(40, 0, 0);
  frames_on(w, far, 30);
  EXPECT_TRUE(fs::exists(cell_path(w.dir, {0, 2, 0})));
  EXPECT_TRUE(fs::exists(w.dir / "flat" / "0.0.mpk.gz"));
  EXPECT_FALSE(fs::exists(cell_path(w.dir, {2, 1, 2})));
  Positions removed(w.removals.begin(), w.removals.end());
  EXPECT_EQ(removed, box(start, radius));
  for (int x = -2; x <= 2; ++x)
    for (int z = -2; z <= 2; ++z) {
      EXPECT_FALSE(w.scene->fmap.pages.find({x, z}));
      EXPECT_TRUE(w.scene->fmap.pages.find({far.x + x, z}));
    }
  w.settle();
  EXPECT_EQ(w.loaded(), box(far, radius));
  // Coming back reads the stone from its file.
  frames_on(w, start, 30);
  w.settle();
  EXPECT_EQ(w.cell({8, 40, 8}), cell_id("basic.stone"));
  EXPECT_EQ(w.scene->fmap.column(8, 8)->l4, 41);
}

TEST(View_box, PagesCrossingTheDetailThresholdAreMeshedAgain) {
  struct Case {
    char const* name;
    glm::ivec3 to;   // the player's new page
    int new_radius;  // high-detail radius after the change
  };
  Case const cases[] = {
      {"move one page along x", start + glm::ivec3(1, 0, 0), 1},
      {"move one page down", start + glm::ivec3(0, -1, 0), 1},
      {"radius grows in place", start, 2},
      {"radius shrinks in place", start, 0},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w({.view = radius, .detail = 1});
    w.settle();
    w.forget_calls();
    w.config.high_def_radius = c.new_radius;
    if (c.to == start) w.builder->set_dirty();
    frames_on(w, c.to, 30);
    w.settle();
    std::map<glm::ivec3, int, Less> remeshed;
    for (auto [p, q] : w.mesh_calls) remeshed[p] = q;
    Positions kept = box(start, radius);
    for (glm::ivec3 p : box(c.to, radius)) {
      if (!kept.count(p)) continue; // entering pages are built anew
      bool flipped = (chebyshev(p, start) <= 1) != (chebyshev(p, c.to) <= c.new_radius);
      bool drawn = !w.page(p)->has(Wmap_page::empty);
      EXPECT_EQ(remeshed.count(p), flipped && drawn ? 1u : 0u) << p.x << " " << p.y << " " << p.z;
      int const detail = page_detail(p, c.to, c.new_radius);
      if (remeshed.count(p)) {
        EXPECT_EQ(remeshed[p], detail);
      }
      EXPECT_EQ(w.billboards.count(p), drawn && detail == 0 ? 1u : 0u);
    }
  }
}

TEST(View_box, AChangedViewDistanceLosesNothing) {
  World w({.view = radius});
  w.settle();
  glm::ivec3 const lamp{3, 30, 3};
  w.builder->change_cell(lamp, cell_id("basic.lamp"));
  w.page({2, 1, 2})->set(Wmap_page::dirty); // far corner: leaves the smaller box

  struct Step {
    glm::ivec3 view;
  };
  for (Step s : {Step{{4, 2, 3}}, Step{{1, 1, 1}}, Step{{99, -4, 70}}}) {
    glm::ivec3 r = glm::clamp(s.view, glm::ivec3(0), glm::ivec3(64, 32, 64));
    SCOPED_TRACE(r.x * 10000 + r.y * 100 + r.z);
    w.config.view_distance = s.view;
    w.forget_calls();
    EXPECT_EQ(w.frame(), 0);
    EXPECT_TRUE(fs::exists(cell_path(w.dir, page_of(lamp))));
    EXPECT_TRUE(fs::exists(cell_path(w.dir, {2, 1, 2})));
    for (auto const& [p, mesh] : w.meshes) EXPECT_TRUE(box(start, r).count(p)); // the rest were removed
    if (r.x > 8) break; // the widest box is only checked for its save
    w.settle();
    EXPECT_EQ(w.loaded(), box(start, r));
    EXPECT_EQ(w.cell(lamp), cell_id("basic.lamp"));
  }
}
