// Both page meshers, one page at a time on one thread: the surface pages of
// the default map around the spawn, filled and lit as the pipeline does, and
// uniform pages among their like.
#include "shipped.hpp"
#include "content/cell_db.hpp"
#include "render/page_mesh.hpp"
#include "world/cell_builder.hpp"
#include "world/light.hpp"
#include "world/scene.hpp"

#include <benchmark/benchmark.h>
#include <glm/vector_relational.hpp>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The cell types the fill and the light read, with the opacities of the
// shipped pack; faces textured one layer per type and face, the grass top
// with four variants.
Cell_models game_like_models() {
  Cell_database& db = cell_db();
  db["basic.none"].opacity = Cell_opacity::clear;
  db["basic.leaves"].opacity = Cell_opacity::semiopaque;
  db["basic.water"].opacity = Cell_opacity::semiclear;
  for (char const* name : {"basic.stone", "basic.dirt", "basic.grass", "basic.sand"}) db[name];
  std::vector<Cell_opacity> opacity;
  std::vector<Cell_model> models(db.size());
  for (std::size_t id = 0; id < db.size(); ++id) {
    opacity.push_back(db[id].opacity);
    for (int f = 0; f < 6; ++f) models[id].texture[f] = Tex_range{std::uint16_t(id * 8 + f), 1};
  }
  models[db["basic.grass"].id].texture[3].count = 4;
  return Cell_models(opacity, std::move(models));
}

// A block of pages of the default map, filled and lit; the pages inside it
// that hold the ground's surface.
struct Surface {
  Config config{Config::Defaults{}};
  std::unique_ptr<Scene> scene;
  Cell_models models = game_like_models();
  std::vector<glm::ivec3> pages;

  Surface() {
    scene = std::make_unique<Scene>(config, fs::temp_directory_path(), shipped_map());
    Fmap& fmap = scene->fmap;
    Wmap& wmap = scene->wmap;
    fmap.pages.resize({32, 32});
    wmap.resize({16, 16, 16});
    glm::ivec3 const lo{fmap.spawn.x, -1, -6}, hi{fmap.spawn.x + 11, 6, 5};
    std::vector<glm::ivec3> block;
    for (int x = lo.x; x <= hi.x; ++x)
      for (int z = lo.z; z <= hi.z; ++z) {
        fmap.generate({x, z}, fmap.pages.insert({x, z}));
        for (int y = lo.y; y <= hi.y; ++y) block.push_back({x, y, z});
      }
    for (glm::ivec3 p : block) build_cell_page(*scene, p, wmap.insert(p));
    for (glm::ivec3 p : block) initialize_light_page(*scene, p, *wmap.find(p));
    for (int pass = 0; pass < 3; ++pass)
      for (glm::ivec3 p : block)
        if (wmap.find(p)->stage < 5) spread_light_page(*scene, p, *wmap.find(p));
    for (glm::ivec3 p : block) {
      Fmap_page const* flat = fmap.pages.find({p.x, p.z});
      bool const inside = glm::all(glm::greaterThan(p, lo)) && glm::all(glm::lessThan(p, hi));
      if (inside && 16 * p.y <= flat->max && 16 * p.y + 16 > flat->min) pages.push_back(p);
    }
  }
};

Surface& surface() {
  static Surface s;
  return s;
}

// Page (0, 0, 0) and its neighbours: pages below y = `top` of one type and
// light, the others of another.
Wmap const& layered(int top, Cell_id below, Light below_light, Cell_id above, Light above_light) {
  static std::vector<std::unique_ptr<Wmap>> kept;
  auto& w = *kept.emplace_back(std::make_unique<Wmap>(glm::ivec3(4)));
  for (int x = -1; x <= 1; ++x)
    for (int y = -1; y <= 1; ++y)
      for (int z = -1; z <= 1; ++z) {
        Wmap_page& p = w.insert({x, y, z});
        p.cells = Page<Cell_id>(y < top ? below : above);
        p.light = Page<Light>(y < top ? below_light : above_light);
      }
  return w;
}

Wmap const& uniform(Cell_id id, Light light) { return layered(2, id, light, id, light); }

// The open sea: a page of water under a page of air.
Wmap const& sea() { return layered(1, cell_db()["basic.water"].id, 0x0C, cell_db()["basic.none"].id, 0x0F); }

void counters(benchmark::State& state, std::size_t quads) {
  state.counters["quads"] = benchmark::Counter(double(quads), benchmark::Counter::kAvgIterations);
  state.counters["per_cell"] =
      benchmark::Counter(4096, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void surface_pages(benchmark::State& state, int quality) {
  Surface& s = surface();
  std::size_t i = 0, quads = 0;
  for (auto _ : state) {
    Cube_mesh_data m = mesh_page(s.scene->wmap, s.pages[i++ % s.pages.size()], quality, s.models);
    quads += m.vertices.size() / 6;
    benchmark::DoNotOptimize(m);
  }
  counters(state, quads);
  state.SetLabel(std::to_string(s.pages.size()) + " surface pages of the default map");
}

void one_page(benchmark::State& state, Wmap const& w, int quality) {
  std::size_t quads = 0;
  for (auto _ : state) {
    Cube_mesh_data m = mesh_page(w, {}, quality, surface().models);
    quads += m.vertices.size() / 6;
    benchmark::DoNotOptimize(m);
  }
  counters(state, quads);
}

void BM_MeshHighSurface(benchmark::State& state) { surface_pages(state, 0); }
void BM_MeshLowSurface(benchmark::State& state) { surface_pages(state, 1); }
void BM_MeshAllAir(benchmark::State& state) {
  one_page(state, uniform(cell_db()["basic.none"].id, 0x0F), int(state.range(0)));
}
void BM_MeshAllStone(benchmark::State& state) {
  one_page(state, uniform(cell_db()["basic.stone"].id, 0x00), int(state.range(0)));
}
void BM_MeshSea(benchmark::State& state) { one_page(state, sea(), int(state.range(0))); }

} // namespace

BENCHMARK(BM_MeshHighSurface)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeshLowSurface)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeshAllAir)->ArgName("quality")->Arg(0)->Arg(1);
BENCHMARK(BM_MeshAllStone)->ArgName("quality")->Arg(0)->Arg(1);
BENCHMARK(BM_MeshSea)->ArgName("quality")->Arg(0)->Arg(1);
