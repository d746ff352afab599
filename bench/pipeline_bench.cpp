// The page pipeline at the spawn of the default map, headless: the
// high-detail cube and the whole default view box built from nothing on one
// core and on all of them, the peak memory, and the main thread's share of a
// centre shift along x and along y.
#include "shipped.hpp"
#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "render/billboards.hpp"
#include "render/page_mesh.hpp"
#include "world/builder.hpp"
#include "world/scene.hpp"
#include "world/world_center.hpp"

#include <benchmark/benchmark.h>
#include <kestrine/kestrine.hpp>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The repository's data folder, beside this file's folder.
fs::path const data = shipped_data();

void load_packs() {
  static bool const loaded = [] {
    static kestrine::Scope scope;
    for (char const* name : {"print", "clear", "say", "rand", "size", "push", "pop", "here", "cubr", "cupl", "cell",
                             "light", "face", "place", "spawn", "paint", "replace", "browse", "craft", "cross",
                             "mob_state", "mob_frame", "mob_wait", "give", "take", "has", "play"})
      scope.add(name, kestrine::Val(kestrine::Int{0}));
    fs::path packs = data / "packs";
    cell_db().load(scope, packs);
    item_db().load(scope, packs);
    mob_db().load(scope, packs);
    return true;
  }();
  (void)loaded;
}

// The real meshers over the shipped cell types; every model is the default
// one, since the real models need a GL context for their textures.
Mesh_jobs mesh_jobs() {
  std::vector<Cell_opacity> opacity;
  for (std::size_t i = 0; i < cell_db().size(); ++i) opacity.push_back(cell_db()[i].opacity);
  auto models = std::make_shared<Cell_models const>(opacity, std::vector<Cell_model>{});
  return {[models](Wmap const& w, glm::ivec3 p, int q) { return mesh_page(w, p, q, *models); },
          [](Wmap_page const& page) { return make_mesh_for_billboards(page, cell_db(), {}); }};
}

double peak_rss_mib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;
}

// A new world on the default map with the player standing at the spawn.
struct Bench_world {
  fs::path dir = fs::temp_directory_path() / ("terrafold-bench-" + std::to_string(::getpid()));
  Config config{Config::Defaults{}};
  std::unique_ptr<Scene> scene;
  std::unique_ptr<Builder> builder;

  explicit Bench_world(bool threads) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(data / "map.mpk.gz", dir / "map.mpk.gz");
    load_packs();
    config.multithreading = threads;
    Fmap map(dir);
    glm::ivec2 spawn = map.spawn;
    scene = std::make_unique<Scene>(config, dir, std::move(map));
    scene->player = scene->mobs.construct(mob_db()["basic.player"].id, glm::vec3(spawn.x * 16 + 8, 4.0f, spawn.y * 16 + 8));
    scene->wmap.player = scene->mobs.keep = scene->player;
  }
  ~Bench_world() {
    builder.reset();
    scene.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  void start() { builder = std::make_unique<Builder>(*scene, mesh_jobs()); }
  bool idle() const { return builder->added() == 0 && builder->queue_size() == 0; }
  void settle() {
    do builder->update();
    while (!idle());
  }
  bool cube_done() const {
    glm::ivec3 c = page_at(scene->player->body.position);
    int r = detail_radius(config);
    for (int x = -r; x <= r; ++x)
      for (int y = -r; y <= r; ++y)
        for (int z = -r; z <= r; ++z) {
          Wmap_page const* page = scene->wmap.find(c + glm::ivec3(x, y, z));
          if (!page || page->stage.load() != 7) return false;
        }
    return true;
  }
};

// Builder construction to the whole box done; the high-detail cube's time
// and the frame count as counters.
void BM_Pipeline_build(benchmark::State& state) {
  bool const threads = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto world = std::make_unique<Bench_world>(threads);
    state.ResumeTiming();
    auto const t0 = Clock::now();
    world->start();
    double cube = 0;
    int frames = 0;
    std::size_t vertices = 0;
    do {
      world->builder->update();
      ++frames;
      for (Cube_page const& c : world->builder->cube_queue()) vertices += c.vertices.size();
      if (cube == 0 && world->cube_done()) cube = std::chrono::duration<double>(Clock::now() - t0).count();
    } while (!world->idle());
    state.PauseTiming();
    state.counters["hd_cube_s"] = cube;
    state.counters["frames"] = frames;
    state.counters["vertices"] = double(vertices);
    state.counters["pages"] = double(Page<Cell_id>::total_.load());
    state.counters["peak_rss_MiB"] = peak_rss_mib();
    world.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Pipeline_build)->ArgName("threads")->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The frame in which the box moves one page along an axis (0 x, 1 y): saves
// and drops the leaving slab, re-queues the box. The box is rebuilt between
// the timed frames.
void BM_Pipeline_shift(benchmark::State& state) {
  int const axis = int(state.range(0));
  Bench_world world(true);
  world.start();
  world.settle();
  float step = 16.0f;
  for (auto _ : state) {
    world.scene->player->body.position[axis] += step;
    for (int i = 0; i < 29; ++i) world.builder->update();
    auto const t0 = Clock::now();
    world.builder->update();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    world.settle();
    step = -step;
  }
}
BENCHMARK(BM_Pipeline_shift)->ArgName("axis")->Arg(0)->Arg(1)->Iterations(6)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
