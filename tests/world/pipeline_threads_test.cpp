// Worker threads: the same world whatever the number of threads, stage errors
// raised on the main thread, and a tight budget cut across workers. These
// also run under ThreadSanitizer (tools/test_tsan.sh).
#include "support/pipeline.hpp"

#include <oneapi/tbb/global_control.h>

using namespace pipeline;

namespace {

// Every page's stage, flags, cells and light, and every mesh, as bytes.
std::map<glm::ivec3, std::string, Less> built(bool threads) {
  World w({.view = {3, 2, 3}, .threads = threads});
  w.settle();
  for (int y = 14; y < 22; ++y) w.builder->change_cell({5, y, 5}, cell_id("basic.none")); // a shaft
  w.builder->change_face({5, 15, 6}, 4, cell_id("basic.planks"));
  w.settle();
  std::map<glm::ivec3, std::string, Less> out;
  auto bytes = [](void const* p, std::size_t n) { return std::string(static_cast<char const*>(p), n); };
  w.scene->wmap.for_each([&](glm::ivec3 k, Wmap_page const& p) {
    out[k] = std::to_string(p.stage.load() * 256 + p.flags.load()) + bytes(p.cells.data(), 2 * page_cells) +
             bytes(p.light.data(), page_cells);
  });
  for (auto const& [k, m] : w.meshes) out[k] += bytes(m.vertices.data(), m.vertices.size() * sizeof(Cube_vertex));
  return out;
}

} // namespace

TEST(Pipeline_threads, OneOrEightThreadsBuildTheSameWorld) {
  auto const one = built(false);
  oneapi::tbb::global_control eight(oneapi::tbb::global_control::max_allowed_parallelism, 8);
  EXPECT_TRUE(built(true) == one);
}

TEST(Pipeline_threads, AStageErrorReachesTheMainThreadAfterItsBucket) {
  for (bool threads : {false, true}) {
    World w({.threads = threads});
    Mesh_jobs broken = w.jobs();
    broken.mesh = [](Wmap const& wmap, glm::ivec3 p, int q) {
      if (p == glm::ivec3(1, 1, 0)) throw std::runtime_error("mesher broke");
      return fake_mesh(wmap, p, q);
    };
    w.builder = std::make_unique<Builder>(*w.scene, broken, w.clock());
    std::string error;
    for (int i = 0; i < 20 && error.empty(); ++i) try {
        w.frame();
      } catch (std::runtime_error const& e) {
        error = e.what();
      }
    EXPECT_EQ(error, "mesher broke") << threads;
  }
}

TEST(Pipeline_threads, ATightBudgetRunsEveryPositionOnceOrKeepsIt) {
  World w({.view = {3, 1, 3}, .threads = true});
  w.config.page_op_time = 2;
  *w.tick = 50'000; // 40 readings a frame
  w.settle(2000);
  EXPECT_EQ(w.loaded(), box({0, 1, 0}, {3, 1, 3}));
  for (glm::ivec3 p : w.loaded()) EXPECT_EQ(w.stage(p), 7);
  std::map<glm::ivec3, int, Less> meshed;
  for (auto [p, q] : w.mesh_calls) EXPECT_EQ(++meshed[p], 1);
}
