// Worker threads: the same world whatever the number of threads, stage
// errors raised on the main thread, and a tight budget cut across workers.
// These also run under ThreadSanitizer (tools/test_tsan.sh).
#include "support/pipeline.hpp"

#include <oneapi/tbb/global_control.h>

using namespace pipeline;

namespace {

struct Page_state {
  int stage;
  unsigned flags;
  std::vector<Cell_id> cells;
  std::vector<Light> light;
  bool operator==(Page_state const&) const = default;
};

struct World_state {
  std::map<glm::ivec3, Page_state, Less> pages;
  std::map<glm::ivec3, std::vector<std::uint8_t>, Less> meshes;
  bool operator==(World_state const&) const = default;
};

World_state state_of(World& w) {
  World_state s;
  w.scene->wmap.for_each([&](glm::ivec3 k, Wmap_page const& p) {
    s.pages[k] = {p.stage.load(), p.flags.load(), {p.cells.data(), p.cells.data() + page_cells},
                  {p.light.data(), p.light.data() + page_cells}};
  });
  for (auto const& [k, m] : w.meshes) {
    auto const* bytes = reinterpret_cast<std::uint8_t const*>(m.vertices.data());
    s.meshes[k].assign(bytes, bytes + m.vertices.size() * sizeof(Cube_vertex));
  }
  return s;
}

// Built, then edited (a lamp in a dug-out hollow) and built again.
World_state build(bool threads) {
  World w({.view = {3, 2, 3}, .detail = 1, .threads = threads});
  w.settle();
  for (int y = 14; y < 22; ++y) w.builder->change_cell({5, y, 5}, cell_id("basic.none"));
  w.builder->change_cell({5, 14, 5}, cell_id("basic.lamp"));
  w.builder->change_face({5, 15, 6}, 4, cell_id("basic.planks"));
  w.settle();
  return state_of(w);
}

} // namespace

TEST(Pipeline_threads, OneOrEightThreadsBuildTheSameWorld) {
  World_state one = build(false);
  oneapi::tbb::global_control eight(oneapi::tbb::global_control::max_allowed_parallelism, 8);
  World_state many = build(true);
  EXPECT_EQ(one.pages.size(), many.pages.size());
  EXPECT_EQ(one.meshes.size(), many.meshes.size());
  EXPECT_TRUE(one == many);
}

TEST(Pipeline_threads, AStageErrorReachesTheMainThreadAfterItsBucket) {
  for (bool threads : {false, true}) {
    SCOPED_TRACE(threads);
    World w({.view = {2, 1, 2}, .threads = threads});
    Mesh_jobs broken = w.jobs();
    broken.mesh = [](Wmap const& wmap, glm::ivec3 p, int q) {
      if (p == glm::ivec3(1, 1, 0)) throw std::runtime_error("mesher broke");
      return fake_mesh(wmap, p, q);
    };
    w.builder = std::make_unique<Builder>(*w.scene, broken, w.clock.fn());
    std::string error;
    for (int i = 0; i < 20 && error.empty(); ++i) try {
        w.frame();
      } catch (std::runtime_error const& e) {
        error = e.what();
      }
    EXPECT_EQ(error, "mesher broke");
  }
}

TEST(Pipeline_threads, ATightBudgetRunsEveryPositionOnceOrKeepsIt) {
  World w({.view = {3, 1, 3}, .threads = true});
  w.config.page_op_time = 2;
  *w.clock.step = 50'000; // 40 readings a frame
  w.settle(2000);
  for (glm::ivec3 p : box({0, 1, 0}, {3, 1, 3})) EXPECT_EQ(w.stage(p), 7);
  Positions meshed;
  for (auto [p, q] : w.mesh_calls) EXPECT_TRUE(meshed.insert(p).second) << "meshed twice";
  w.settle();
  EXPECT_EQ(w.frame(), 0);
}
