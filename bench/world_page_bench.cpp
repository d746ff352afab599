// Cell page files and page memory: saving and reading back a typical mixed
// page, and what a page costs in memory with its own arrays and when it
// shares the full ones.
#include "world/page_file.hpp"

#include "support/world.hpp"

#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cmath>
#include <filesystem>
#include <string>

#include <stdlib.h>

namespace {

// A page on the coast: rolling ground of stone, dirt and grass under air with
// a little water and sand, a few ores and leaves, sunlight above the ground
// fading below it, one chest and one painted face.
Wmap_page& mixed_page() {
  static Wmap_page* page = [] {
    auto* p = new Wmap_page;
    Cell_id stone = world_test::cell_type("basic.stone"), dirt = world_test::cell_type("basic.dirt"),
            grass = world_test::cell_type("basic.grass"), sand = world_test::cell_type("basic.sand"),
            water = world_test::cell_type("basic.water"), air = world_test::cell_type("basic.none"),
            leaves = world_test::cell_type("basic.leaves"), coal = world_test::cell_type("basic.coal_ore"),
            chest = world_test::cell_type("basic.chest", 16);
    Cell_id* c = p->cells.write();
    Light* l = p->light.write();
    unsigned rng = 2463534242u;
    for (int x = 0; x < 16; ++x)
      for (int z = 0; z < 16; ++z) {
        int ground = 7 + static_cast<int>(3.0 * std::sin(x * 0.5) + 2.0 * std::cos(z * 0.4));
        for (int y = 0; y < 16; ++y) {
          rng ^= rng << 13, rng ^= rng >> 17, rng ^= rng << 5;
          int i = cell_index(x, y, z);
          Cell_id id = y < ground - 3 ? (rng % 20 == 0 ? coal : stone)
                       : y < ground    ? dirt
                       : y == ground   ? (ground < 6 ? sand : grass)
                       : y < 6         ? water
                       : (y == ground + 4 && rng % 3 == 0) ? leaves
                                                           : air;
          c[i] = id;
          l[i] = static_cast<Light>(y > ground ? 15 : std::max(0, 15 - 2 * (ground - y + 1)));
        }
      }
    int at = cell_index(4, 10, 4);
    c[at] = chest;
    p->data[static_cast<std::int16_t>(at)].inventory = Inventory(16);
    p->data[static_cast<std::int16_t>(at)].inventory.give({1, 5});
    p->paints[3 * 4096 + cell_index(5, 2, 5)] = sand;
    return p;
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
