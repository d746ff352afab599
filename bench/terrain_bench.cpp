// The terrain of the default map: generating a flat page from the map grids
// and filling a cell page from its flat page, per page.
#include "shipped.hpp"
#include "world/cell_builder.hpp"
#include "world/fmap.hpp"
#include "world/scene.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The shipped map, and the pages around the spawn beach and the hills east
// of it whose fill is the mixed, column-by-column one.
struct Terrain {
  Config config{Config::Defaults{}};
  std::unique_ptr<Scene> scene;
  std::vector<glm::ivec3> mixed;

  Terrain() {
    scene = std::make_unique<Scene>(config, fs::temp_directory_path(), shipped_map());
    Fmap& fmap = scene->fmap;
    fmap.pages.resize({128, 128});
    scene->wmap.resize({16, 16, 16});
    for (int x = fmap.spawn.x; x < fmap.spawn.x + 64; ++x)
      for (int z = -32; z < 32; ++z) {
        Fmap_page& flat = fmap.pages.insert({x, z});
        fmap.generate({x, z}, flat);
        for (int y = 0; 16 * y <= flat.max && mixed.size() < 256; ++y)
          if (16 * y + 16 >= flat.min) mixed.push_back({x, y, z});
      }
  }
};

Terrain& terrain() {
  static Terrain t;
  return t;
}

void BM_TerrainFillMixedPage(benchmark::State& state) {
  Terrain& t = terrain();
  std::size_t i = 0;
  for (auto _ : state) {
    glm::ivec3 p = t.mixed[i++ % t.mixed.size()];
    Wmap_page& page = t.scene->wmap.insert(p);
    build_cell_page(*t.scene, p, page);
    benchmark::DoNotOptimize(page.cells.data());
  }
  state.SetLabel(std::to_string(t.mixed.size()) + " mixed pages of the default map");
}
BENCHMARK(BM_TerrainFillMixedPage)->Unit(benchmark::kMicrosecond);

void BM_TerrainFillWholePage(benchmark::State& state) {
  Terrain& t = terrain();
  glm::ivec3 p = t.mixed.front();
  for (auto _ : state) {
    Wmap_page& page = t.scene->wmap.insert({p.x, -1, p.z});
    build_cell_page(*t.scene, {p.x, -1, p.z}, page);
    benchmark::DoNotOptimize(page.cells.data());
  }
}
BENCHMARK(BM_TerrainFillWholePage)->Unit(benchmark::kMicrosecond);

void BM_FlatPageGenerate(benchmark::State& state) {
  Terrain& t = terrain();
  Fmap_page page;
  int x = 0;
  for (auto _ : state) {
    t.scene->fmap.generate({t.scene->fmap.spawn.x + (x++ & 63), 0}, page);
    benchmark::DoNotOptimize(page.columns.data());
  }
}
BENCHMARK(BM_FlatPageGenerate)->Unit(benchmark::kMicrosecond);

} // namespace
