// Bodies, mobs and rays on the default terrain: one frame of 1000 mobs, the
// physics steps alone, and rays of the cursor's reach and of 512 cells.
#include "shipped.hpp"
#include "content/cell_db.hpp"
#include "content/mob_db.hpp"
#include "foundation/config.hpp"
#include "world/cell_builder.hpp"
#include "world/physics.hpp"
#include "world/raycast.hpp"
#include "world/scene.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>

namespace {

namespace fs = std::filesystem;

// The spawn area of the shipped map, 9x9 columns of pages from 4 pages
// below to 4 above the spawn page's sea level, with 1000 mobs dropped on it.
struct Terrain {
  static constexpr int reach = 4;
  kestrine::Scope scope;
  Config config{Config::Defaults{}};
  fs::path data = shipped_data();
  std::unique_ptr<Scene> scene;
  glm::ivec3 centre{0};

  Terrain() {
    cell_db().load(scope, data / "packs");
    scene = std::make_unique<Scene>(config, data / "no-world", Fmap(data));
    scene->wmap.resize({128, 32, 128});
    scene->fmap.pages.resize({16, 16});
    glm::ivec2 const s = scene->fmap.spawn;
    for (int x = s.x - reach; x <= s.x + reach; ++x)
      for (int z = s.y - reach; z <= s.y + reach; ++z) scene->fmap.generate({x, z}, scene->fmap.pages.insert({x, z}));
    for (int x = s.x - reach; x <= s.x + reach; ++x)
      for (int y = -reach; y <= reach; ++y)
        for (int z = s.y - reach; z <= s.y + reach; ++z) {
          glm::ivec3 p(x, y, z);
          build_cell_page(*scene, p, scene->wmap.insert(p));
        }
    centre = {s.x * 16 + 8, 0, s.y * 16 + 8};
    Mob_type& type = mob_db()["bench.walker"];
    type.size = {0.4f, 0.9f};
    type.solid = true;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> across(-16.0f * reach, 16.0f * reach);
    for (int i = 0; i < 1000; ++i) {
      glm::vec3 at(centre.x + across(random), 0.0f, centre.z + across(random));
      at.y = top(at) + 1.0f;
      Mob* m = scene->mobs.construct(type.id, at);
      m->body.wanted = {0.05f, 0.02f};
      m->body.accel = 0.01f;
    }
    for (int i = 0; i < 30; ++i) scene->mobs.update(*scene); // settled on the ground
  }

  // The height just above the highest blocking cell of the column.
  float top(glm::vec3 at) const {
    Fmap_cell const* c = scene->fmap.column(static_cast<int>(at.x), static_cast<int>(at.z));
    return c ? static_cast<float>(std::max(c->l2, c->l3)) + 1.0f : 0.0f;
  }
};

Terrain& terrain() {
  static Terrain t;
  return t;
}

void BM_MobsFrame(benchmark::State& state) {
  Terrain& t = terrain();
  for (auto _ : state) t.scene->mobs.update(*t.scene);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(t.scene->mobs.size()));
}
BENCHMARK(BM_MobsFrame)->Unit(benchmark::kMicrosecond);

void BM_PhysicsSteps(benchmark::State& state) {
  Terrain& t = terrain();
  for (auto _ : state)
    for (auto const& m : t.scene->mobs) update_physics(t.scene->wmap, m->body);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(t.scene->mobs.size()));
}
BENCHMARK(BM_PhysicsSteps)->Unit(benchmark::kMicrosecond);

// From eye height above the spawn, looking down ahead (the cursor) or level
// across the whole area (a long ray).
void BM_Ray(benchmark::State& state) {
  Terrain& t = terrain();
  float const length = static_cast<float>(state.range(0));
  glm::vec3 eye(t.centre.x + 0.3f, 0.0f, t.centre.z + 0.6f);
  eye.y = t.top(eye) + 1.6f;
  glm::vec3 const dir = length > 20.0f ? glm::vec3(0.8f, 0.0f, 0.6f) : glm::vec3(0.6f, -0.6f, 0.52915f);
  std::int64_t hits = 0;
  for (auto _ : state) {
    Raycast_result r = raycast(*t.scene, eye, dir * length);
    hits += r.kind != Raycast_result::Kind::nothing;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["hit"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Ray)->Arg(10)->Arg(512);

} // namespace
