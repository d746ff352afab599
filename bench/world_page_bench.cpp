// Cell page files and page memory: saving and reading back a typical mixed
// page of the default map, and what a page costs in memory with its own
// arrays and when it shares the full ones.
#include "shipped.hpp"
#include "foundation/config.hpp"
#include "world/cell_builder.hpp"
#include "world/fmap.hpp"
#include "world/light.hpp"
#include "world/page_file.hpp"
#include "world/scene.hpp"

#include "support/world.hpp"

#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

namespace {

// The page richest in cell types near the spawn of the default map, filled
// and given its starting light as the game would.
Wmap_page& mixed_page() {
  static Wmap_page* page = [] {
    static Config config;
    static Scene scene(config, "/nonexistent", shipped_map());
    scene.fmap.pages.resize({16, 16});
    world_test::cell_type("basic.chest", 16);
    // What the packs say of the cells light passes through.
    cell_db()["basic.none"].opacity = Cell_opacity::clear;
    cell_db()["basic.water"].opacity = Cell_opacity::semiclear;
    cell_db()["basic.leaves"].opacity = Cell_opacity::semiopaque;
    Wmap_page* best = nullptr;
    std::size_t most = 0;
    glm::ivec2 spawn = scene.fmap.spawn;
    for (int x = spawn.x - 2; x <= spawn.x + 6; ++x)
      for (int z = -2; z <= 2; ++z)
        for (int y = 0; y <= 6; ++y) {
          for (int dx = -1; dx <= 1; ++dx)
            for (int dz = -1; dz <= 1; ++dz)
              if (!scene.fmap.pages.find({x + dx, z + dz}))
                scene.fmap.generate({x + dx, z + dz}, scene.fmap.pages.insert({x + dx, z + dz}));
          auto* p = new Wmap_page;
          build_cell_page(scene, {x, y, z}, *p);
          initialize_light_page(scene, {x, y, z}, *p);
          Wmap_page_encoded enc;
          p->encode(enc);
          if (enc.palette.size() > most) std::swap(best, p), most = enc.palette.size();
          delete p;
        }
    // One chest with a few things in it and one painted face, as players leave.
    int at = cell_index(4, 10, 4);
    best->cells.set(at, cell_db()["basic.chest"].id);
    best->data[static_cast<std::int16_t>(at)].inventory = Inventory(16);
    best->data[static_cast<std::int16_t>(at)].inventory.give({1, 5});
    best->paints[3 * 4096 + cell_index(5, 2, 5)] = cell_db()["basic.sand"].id;
    std::fprintf(stderr, "mixed page: %zu cell types\n", most + 1);
    return best;
  }();
  return *page;
}

struct Quiet {
  Quiet() { SDL_LogSetPriority(SDL_LOG_CATEGORY_APPLICATION, SDL_LOG_PRIORITY_ERROR); }
};

template <class Map> std::size_t map_bytes(Map const& m) {
  if (m.empty()) return 0;
  // libstdc++: the bucket array plus one node (next pointer and value) per entry.
  return m.bucket_count() * sizeof(void*) + m.size() * (sizeof(void*) + sizeof(typename Map::value_type));
}

// What the page holds in memory: itself, arrays it alone owns, map storage,
// container slots and its mob list.
std::size_t page_bytes(Wmap_page const& p) {
  std::size_t n = sizeof(Wmap_page) + map_bytes(p.data) + map_bytes(p.paints) + p.mobs.capacity() * sizeof(Mob*);
  if (!p.cells.shared()) n += page_cells * sizeof(Cell_id) + sizeof(std::int64_t);
  if (!p.light.shared()) n += page_cells * sizeof(Light) + sizeof(std::int64_t);
  for (auto const& [key, d] : p.data) n += d.inventory.slots.capacity() * sizeof(Item);
  return n;
}

// A world directory on the disk (arg 0) or in memory (arg 1, /dev/shm): the
// second leaves out what the file system's create and rename cost.
struct Bench_dir {
  std::filesystem::path dir;
  explicit Bench_dir(bool memory) {
    std::string name = (memory && std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
    name += "/terrafold-bench-XXXXXX";
    dir = mkdtemp(name.data());
  }
  ~Bench_dir() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

void BM_cell_page_save_and_load(benchmark::State& state) {
  Quiet quiet;
  Bench_dir world(state.range(0) != 0);
  Wmap_page& page = mixed_page();
  Wmap_page back;
  for (auto _ : state) {
    page.save_cells(world.dir, {1, -2, 3});
    back.load_cells(world.dir, {1, -2, 3});
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(cell_path(world.dir, {1, -2, 3})));
}
BENCHMARK(BM_cell_page_save_and_load)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_cell_page_save(benchmark::State& state) {
  Quiet quiet;
  Bench_dir world(false);
  for (auto _ : state) mixed_page().save_cells(world.dir, {0, 0, 0});
}
BENCHMARK(BM_cell_page_save)->Unit(benchmark::kMicrosecond);

void BM_cell_page_load(benchmark::State& state) {
  Quiet quiet;
  Bench_dir world(false);
  mixed_page().save_cells(world.dir, {0, 0, 0});
  Wmap_page back;
  for (auto _ : state) back.load_cells(world.dir, {0, 0, 0});
}
BENCHMARK(BM_cell_page_load)->Unit(benchmark::kMicrosecond);

void BM_cell_page_encode(benchmark::State& state) {
  Wmap_page_encoded enc;
  for (auto _ : state) {
    mixed_page().encode(enc);
    benchmark::DoNotOptimize(enc.cells.data());
  }
}
BENCHMARK(BM_cell_page_encode)->Unit(benchmark::kMicrosecond);

// Memory figures as counters; the timing is of the measurement only.
void BM_page_memory(benchmark::State& state) {
  Wmap_page sharing;
  for (auto _ : state) benchmark::DoNotOptimize(page_bytes(sharing));
  state.counters["mixed_bytes"] = static_cast<double>(page_bytes(mixed_page()));
  state.counters["sharing_bytes"] = static_cast<double>(page_bytes(sharing));
}
BENCHMARK(BM_page_memory);

} // namespace
