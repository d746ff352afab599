// Light of a mixed surface page of the default map: the start from its flat
// page and one pass over its filled neighbours.
#include "shipped.hpp"
#include "support/test_cells.hpp"
#include "world/cell_builder.hpp"
#include "world/light.hpp"
#include "world/scene.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {


// The spawn page at the surface of its middle column, with its six
// neighbours filled and lit as the pipeline would leave them.
struct Surface {
  Config config{Config::Defaults{}};
  Scene scene{config, shipped_data(), Fmap(shipped_data())};
  glm::ivec3 page;

  Surface() {
    // The light needs only opacity; the packs give the terrain's types these.
    test_air(), test_stone();
    for (char const* name : {"basic.dirt", "basic.grass", "basic.sand"}) test_cell(name, Cell_opacity::opaque);
    test_cell("basic.leaves", Cell_opacity::semiopaque);
    test_cell("basic.water", Cell_opacity::semiclear);
    scene.wmap.resize(glm::ivec3(4));
    scene.fmap.pages.resize(glm::ivec2(4));

    glm::ivec2 const s = scene.fmap.spawn;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dz = -1; dz <= 1; ++dz) {
        glm::ivec2 const xz = s + glm::ivec2(dx, dz);
        scene.fmap.generate(xz, scene.fmap.pages.insert(xz));
      }
    int const h = scene.fmap.pages.find(s)->columns[16 * 8 + 8].l2;
    page = glm::ivec3(s.x, h >> 4, s.y);

    glm::ivec3 const around[7] = {{0, 0, 0}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (glm::ivec3 d : around) build_cell_page(scene, page + d, scene.wmap.insert(page + d));
    for (glm::ivec3 d : around) {
      Wmap_page& p = *scene.wmap.find(page + d);
      if (p.stage == 1) initialize_light_page(scene, page + d, p);
    }
    for (glm::ivec3 d : around) {
      Wmap_page& p = *scene.wmap.find(page + d);
      if (p.stage == 2) spread_light_page(scene, page + d, p);
    }
  }

  Wmap_page& target() { return *scene.wmap.find(page); }

  // Back to the state the pipeline hands to the light's first stage.
  void restart() {
    target().light = Wmap_page::full_light_();
    target().stage = 1;
  }
};

Surface& surface() {
  static Surface s;
  return s;
}

void BM_light_init(benchmark::State& state) {
  Surface& s = surface();
  for (auto _ : state) {
    s.restart();
    initialize_light_page(s.scene, s.page, s.target());
  }
  state.SetLabel(s.target().stage == 2 ? "mixed page" : "not a mixed page");
}
BENCHMARK(BM_light_init);

void BM_light_spread(benchmark::State& state) {
  Surface& s = surface();
  for (auto _ : state) spread_light_page(s.scene, s.page, s.target());
}
BENCHMARK(BM_light_spread);

// What the pipeline spends on one page's light: the start and three passes.
void BM_light_page(benchmark::State& state) {
  Surface& s = surface();
  for (auto _ : state) {
    s.restart();
    initialize_light_page(s.scene, s.page, s.target());
    for (int pass = 0; pass < 3; ++pass) spread_light_page(s.scene, s.page, s.target());
  }
}
BENCHMARK(BM_light_page);

} // namespace
