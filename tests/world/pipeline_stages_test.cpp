// One page's walk through the stages, the detail choice, mob population and
// the frame's budget.
#include "support/pipeline.hpp"
#include "support/sdl_log.hpp"
#include "world/world_center.hpp"

using namespace pipeline;

namespace {

// The stage of the one page of a box of radius 0 after each frame.
std::vector<int> walk(World& w, glm::ivec3 p) {
  std::vector<int> stages;
  while (w.frame() != 0) stages.push_back(w.stage(p));
  return stages;
}

} // namespace

TEST(Page_stages, EachRunAdvancesThePageOneStage) {
  struct Case {
    char const* name;
    glm::vec3 player;
    bool file;
    std::vector<int> stages;
    bool removed; // nothing to draw: a removal instead of a mesh
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
    glm::ivec3 p = page_at(c.player);
    if (c.file) {
      w.settle();
      w.builder->change_cell({p * 16 + 3}, cell_id("basic.lamp"));
      w.reopen();
    }
    EXPECT_EQ(walk(w, p), c.stages);
    EXPECT_EQ(w.removals, c.removed ? std::vector<glm::ivec3>{p} : std::vector<glm::ivec3>{});
    EXPECT_EQ(w.meshes.count(p), c.removed ? 0u : 1u);
    EXPECT_EQ(w.page(p)->has(Wmap_page::empty), c.removed);
    if (c.file) {
      EXPECT_EQ(w.cell(p * 16 + 3), cell_id("basic.lamp"));
    }
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

  // In the pipeline: only high-detail pages ask for billboards.
  World w({.view = {3, 0, 3}, .detail = 2});
  w.settle();
  ASSERT_FALSE(w.mesh_calls.empty());
  glm::ivec3 c = page_at(w.scene->player->body.position);
  for (auto [p, q] : w.mesh_calls) {
    EXPECT_EQ(q, page_detail(p, c, 2));
    EXPECT_EQ(w.billboards.count(p), q == 0 ? 1u : 0u);
  }
}

TEST(Page_stages, APageSentBackToItsMobsKeepsThemAndReadsNoFile) {
  World w({.view = {0, 0, 0}});
  w.settle();
  glm::ivec3 p{0, 1, 0};
  Mob* hopper = w.scene->mobs.construct(mob_db()["basic.hopper"].id, {8, 30, 8});
  w.page(p)->mobs.push_back(hopper);
  w.reopen(); // the hopper goes to the page's mob file
  EXPECT_TRUE(fs::exists(mob_path(w.dir, p)));
  w.settle();
  ASSERT_EQ(w.scene->mobs.size(), 2u); // the player and the hopper from the file
  w.builder->change_cell({8, 30, 8}, cell_id("basic.stone"));
  EXPECT_EQ(w.stage(p), 1);
  w.settle();
  EXPECT_EQ(w.stage(p), 7);
  EXPECT_EQ(w.scene->mobs.size(), 2u);
  EXPECT_TRUE(w.page(p)->has(Wmap_page::populated));
}

TEST(Page_stages, TheFrameBudgetIsWallTimeReadBeforeEachOperation) {
  struct Case {
    char const* name;
    int op_time_ms;
    std::int64_t tick_ns;
    int ops; // in the first frame
  };
  Case const cases[] = {
      {"frozen clock: all of the first bucket's worth", 0, 0, -1},
      {"zero budget, ticking clock: nothing", 0, 1, 0},
      {"negative budget is zero", -5, 1, 0},
      {"3 ms budget, 1 ms a reading", 3, 1'000'000, 3},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    World w({.view = {2, 1, 2}});
    w.config.page_op_time = c.op_time_ms;
    *w.clock.step = c.tick_ns;
    std::uint64_t whole = box({0, 1, 0}, {2, 1, 2}).size();
    int ops = w.frame();
    EXPECT_EQ(std::uint64_t(ops), c.ops >= 0 ? std::uint64_t(c.ops) : whole); // frozen: every position runs
    EXPECT_EQ(w.builder->queue_size(), whole - std::uint64_t(ops));
    EXPECT_EQ(w.builder->added(), ops);
    // Nearest first: positions not yet in the table go ahead of the centre,
    // which the view box created.
    if (c.ops <= 0) continue;
    for (glm::ivec3 p : w.loaded()) {
      glm::ivec3 d = glm::abs(p - glm::ivec3(0, 1, 0));
      EXPECT_EQ(p == glm::ivec3(0, 1, 0) ? 1 : d.x + d.y + d.z, 1);
    }
  }
}

TEST(Page_stages, AutosaveFramesSaveAndRunNothingElse) {
  struct Case {
    int period;
    bool saves;
  };
  Case const cases[] = {{1, true}, {0, false}, {-3, false}, {std::numeric_limits<std::int32_t>::max(), false}};
  for (Case const& c : cases) {
    SCOPED_TRACE(c.period);
    World w({.view = {1, 1, 1}});
    w.config.autosave_period = c.period;
    w.settle();
    w.builder->change_cell({8, 30, 8}, cell_id("basic.stone"));
    w.clock.advance(std::chrono::seconds(61));
    Sdl_log_capture log;
    int ops = w.frame();
    EXPECT_EQ(log.joined().find("Autosaving...") != std::string::npos, c.saves);
    EXPECT_EQ(fs::exists(cell_path(w.dir, {0, 1, 0})), c.saves);
    EXPECT_EQ(ops == 0, c.saves);
    EXPECT_EQ(w.page({0, 1, 0})->has(Wmap_page::dirty), !c.saves);
  }
}
