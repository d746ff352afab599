// One page's walk through the stages, the detail choice, mob population and
// what a frame runs.
#include "support/pipeline.hpp"
#include "support/sdl_log.hpp"
#include "world/world_center.hpp"

using namespace pipeline;

TEST(Page_stages, EachRunAdvancesThePageOneStage) {
  struct Case {
    char const* name;
    glm::vec3 player;
    bool file;
    std::vector<int> stages; // of the box's one page after each frame
    bool empty;              // nothing to draw: a removal instead of a mesh
  };
  Case const cases[] = {
      {"mixed terrain", {8, 24, 8}, false, {1, 2, 3, 4, 5, 6, 7}, false},
      {"cell file", {8, 24, 8}, true, {5, 6, 7}, false},
      {"only air", {8, 56, 8}, false, {5, 6, 7}, true},
      {"only water", {8, -8, 8}, false, {5, 6, 7}, false},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w({.view = {0, 0, 0}, .player = c.player});
    glm::ivec3 const p = page_at(c.player), lamp = p * 16 + 3;
    if (c.file) {
      w.settle();
      w.builder->change_cell(lamp, cell_id("basic.lamp"));
      w.reopen();
    }
    std::vector<int> stages;
    while (w.frame() != 0) stages.push_back(w.stage(p));
    EXPECT_EQ(stages, c.stages);
    EXPECT_EQ(w.removals, c.empty ? std::vector<glm::ivec3>{p} : std::vector<glm::ivec3>{});
    EXPECT_EQ(w.meshes.count(p), c.empty ? 0u : 1u);
    EXPECT_EQ(w.cell(lamp) == cell_id("basic.lamp"), c.file);
  }
}

TEST(Page_stages, HighDetailReachesExactlyTheRadius) {
  struct Case {
    glm::ivec3 p;
    int radius, detail;
  };
  Case const cases[] = {{{2, 0, 0}, 2, 0}, {{-2, 2, 2}, 2, 0}, {{3, 0, 0}, 2, 1},
                        {{0, -3, 1}, 2, 1}, {{0, 0, 0}, 0, 0}, {{0, 1, 0}, 0, 1}};
  for (Case const& c : cases) EXPECT_EQ(page_detail(c.p, {0, 0, 0}, c.radius), c.detail) << c.p.x << c.p.y << c.p.z;

  // In the pipeline: only high-detail pages come with billboards.
  World w({.view = {3, 0, 3}, .detail = 2});
  w.settle();
  ASSERT_FALSE(w.mesh_calls.empty());
  for (auto [p, q] : w.mesh_calls) {
    EXPECT_EQ(q, page_detail(p, {0, 1, 0}, 2));
    EXPECT_EQ(w.billboards.count(p), q == 0 ? 1u : 0u);
  }
}

TEST(Page_stages, APageSentBackToItsMobsKeepsThemAndReadsNoFile) {
  World w({.view = {0, 0, 0}});
  w.settle();
  glm::ivec3 const p{0, 1, 0};
  w.page(p)->mobs.push_back(w.scene->mobs.construct(mob_db()["basic.hopper"].id, {8, 30, 8}));
  w.reopen(); // the hopper goes to the page's mob file and comes back from it
  w.settle();
  ASSERT_EQ(w.scene->mobs.size(), 2u);
  w.builder->change_cell({8, 30, 8}, cell_id("basic.stone"));
  EXPECT_EQ(w.stage(p), 1);
  w.settle();
  EXPECT_EQ(w.stage(p), 7);
  EXPECT_EQ(w.scene->mobs.size(), 2u);
}

TEST(Page_stages, WhatTheFirstFrameRuns) {
  int const whole = 5 * 3 * 5; // the box
  struct Case {
    char const* name;
    int op_time_ms;
    std::int64_t tick_ns; // the clock's advance at each reading
    int autosave_minutes;
    int ops;
  };
  Case const cases[] = {
      {"frozen clock: every position", 0, 0, 6, whole},
      {"zero budget, ticking clock: none", 0, 1, 6, 0},
      {"a negative budget is zero", -5, 1, 6, 0},
      {"3 ms budget, 1 ms a reading", 3, 1'000'000, 6, 3},
      {"autosave due: only that", 20, 0, 1, 0},
      {"autosave off", 20, 0, 0, whole},
      {"autosave off below zero", 20, 0, -3, whole},
      {"autosave too far to come", 20, 0, std::numeric_limits<std::int32_t>::max(), whole},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.config.page_op_time = c.op_time_ms;
    w.config.autosave_period = c.autosave_minutes;
    *w.now += std::int64_t(61e9);
    *w.tick = c.tick_ns;
    Sdl_log_capture log;
    EXPECT_EQ(w.frame(), c.ops);
    // The pages have nothing to write yet; the player's world file does.
    std::string const autosaved = "Autosaving...\nSaving " + (w.dir / "world.mpk.gz").string() + "\n";
    EXPECT_EQ(log.joined() == autosaved, c.autosave_minutes == 1) << log.joined();
    EXPECT_EQ(w.builder->queue_size(), std::uint64_t(c.autosave_minutes == 1 ? 0 : whole - c.ops));
    EXPECT_EQ(w.builder->added(), c.ops);
    // Nearest first: positions not yet in the table go ahead of the centre,
    // which the view box made.
    if (c.ops != 3) continue;
    EXPECT_EQ(w.loaded().size(), 4u);
    for (glm::ivec3 p : w.loaded()) {
      glm::ivec3 d = glm::abs(p - glm::ivec3(0, 1, 0));
      EXPECT_LE(d.x + d.y + d.z, 1);
    }
  }
}
