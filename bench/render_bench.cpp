// One frame of the world around the default spawn at 1280 x 720 on the
// offscreen driver: pages, billboard cells and mobs through the shipped
// shaders, every page filled, lit and meshed beforehand as the pipeline
// leaves them (high detail within eight pages, low detail beyond).
#include "shipped.hpp"
#include "content/audio_db.hpp"
#include "content/model_db.hpp"
#include "foundation/media.hpp"
#include "render/billboards.hpp"
#include "render/camera.hpp"
#include "render/cell_models.hpp"
#include "render/cube_renderer.hpp"
#include "render/mob_renderer.hpp"
#include "render/page_mesh.hpp"
#include "render/quad_renderer.hpp"
#include "world/cell_builder.hpp"
#include "world/light.hpp"
#include "world/scene.hpp"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;


// The shipped data under a "terrafold" directory, as the game finds it.
struct Data_link {
  fs::path root = fs::temp_directory_path() / ("terrafold-bench-" + std::to_string(::getpid()));
  Data_link() {
    fs::remove_all(root);
    fs::create_directories(root);
    fs::create_directory_symlink(shipped_data(), root / "terrafold");
  }
  ~Data_link() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

// One window for the whole run: the GL driver stays loaded to the end.
void open_window() {
  static std::unique_ptr<Media> media;
  if (media) return media->begin();
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  SDL_LogSetAllPriority(SDL_LOG_PRIORITY_ERROR);
  Window_config window;
  window.width = 1280, window.height = 720, window.fullscreen = false, window.vsync = 0;
  media = std::make_unique<Media>(window);
}

struct World_view {
  Data_link data;
  Config config{Config::Defaults{}};
  std::optional<Audio_database> sounds;
  std::unique_ptr<Model_database> models;
  std::unique_ptr<Scene> scene;
  std::unique_ptr<Cube_renderer> pages;
  std::unique_ptr<Quad_renderer> quads;
  std::unique_ptr<Mob_renderer> mobs;
  Camera camera;
  std::size_t meshed = 0;

  explicit World_view(int distance) {
    open_window();

    // The terrain's types as the basic pack draws them.
    cell_db()["basic.none"].opacity = Cell_opacity::clear;
    cell_db()["basic.leaves"].opacity = Cell_opacity::semiopaque;
    cell_db()["basic.water"].opacity = Cell_opacity::semiclear;
    cell_db()["basic.flower"].opacity = Cell_opacity::billboard;
    models = std::make_unique<Model_database>(shipped_data() / "packs", shipped_data() / "textures/bad_tex.png",
                                              shipped_data() / "textures/light.png",
                                              [this]() -> Audio_database const& {
                                                return sounds ? *sounds : sounds.emplace(data.root); // no sounds wanted
                                              });

    scene = std::make_unique<Scene>(config, data.root / "world", shipped_map());
    fill(distance);

    Dirs const dirs(data.root, "");
    pages = std::make_unique<Cube_renderer>(*scene, *models, dirs);
    quads = std::make_unique<Quad_renderer>(*scene, *models, dirs);
    mobs = std::make_unique<Mob_renderer>(*scene, *models, dirs);
    mesh();

    glm::ivec2 const spawn = scene->fmap.spawn;
    Fmap_cell const& column = scene->fmap.pages.find(spawn)->columns[16 * 8 + 8];
    camera.position = {spawn.x * 16 + 8.5f, column.l2 + 2.6f, spawn.y * 16 + 8.5f};
    camera.pitch = -0.15f;
    camera.yaw = 0.6f;
    camera.far = float(distance * 24);
    camera.fov = 62.0f * 0.017453292f;
    camera.update({1280, 720});
    scene->fog_depth = float(distance * 16);
  }

  ~World_view() {
    mobs.reset(), quads.reset(), pages.reset();
    models.reset();
  }

  glm::ivec3 centre() const { return {scene->fmap.spawn.x, 0, scene->fmap.spawn.y}; }

  // Every page of the columns within the distance that holds terrain, with a
  // page of air above and one of solid ground below, filled and lit.
  void fill(int distance) {
    Fmap& fmap = scene->fmap;
    fmap.pages.resize(glm::ivec2(table_size(distance + 1)));
    std::map<std::pair<int, int>, std::pair<int, int>> heights;
    int lo = 1 << 20, hi = -(1 << 20);
    for (int x = -distance; x <= distance; ++x)
      for (int z = -distance; z <= distance; ++z) {
        glm::ivec2 const p = glm::ivec2(centre().x + x, centre().z + z);
        Fmap_page& flat = fmap.pages.insert(p);
        fmap.generate(p, flat);
        int const bottom = (flat.min >> 4) - 1, top = (flat.max >> 4) + 1;
        heights[{p.x, p.y}] = {bottom, top};
        lo = std::min(lo, bottom), hi = std::max(hi, top);
      }
    scene->wmap.resize({table_size(distance), std::int32_t(std::bit_ceil(unsigned(hi - lo + 1))),
                        table_size(distance)});
    std::vector<glm::ivec3> all;
    for (auto const& [xz, ys] : heights)
      for (int y = ys.first; y <= ys.second; ++y) {
        glm::ivec3 const p(xz.first, y, xz.second);
        build_cell_page(*scene, p, scene->wmap.insert(p));
        all.push_back(p);
      }
    for (glm::ivec3 p : all)
      if (Wmap_page& page = *scene->wmap.find(p); page.stage == 1) initialize_light_page(*scene, p, page);
    for (int round = 0; round < 3; ++round)
      for (glm::ivec3 p : all)
        if (Wmap_page& page = *scene->wmap.find(p); page.stage >= 2 && page.stage <= 4)
          spread_light_page(*scene, p, page);
  }

  // High detail within the configured radius of the centre, low beyond, as
  // the pipeline meshes them; billboards for the high-detail pages.
  void mesh() {
    std::vector<Cell_opacity> opacity;
    for (std::size_t id = 0; id < cell_db().size(); ++id) opacity.push_back(cell_db()[id].opacity);
    Cell_models const tables(opacity, models->cells);
    std::vector<Cube_page> cubes;
    std::vector<Quad_page> billboards;
    scene->wmap.for_each([&](glm::ivec3 p, Wmap_page const& page) {
      glm::ivec3 const d = glm::abs(p - centre());
      bool const near = std::max(d.x, d.z) <= config.high_def_radius;
      Cube_mesh_data m = mesh_page(scene->wmap, p, near ? 0 : 1, tables);
      if (!m.vertices.empty()) cubes.emplace_back(p, std::move(m));
      if (near) billboards.push_back({p, make_mesh_for_billboards(page, cell_db(), models->cells)});
    });
    meshed = cubes.size();
    pages->update(cubes);
    quads->update(billboards);
  }

  void frame() {
    glViewport(0, 0, 1280, 720);
    glClearColor(0.39f, 0.61f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glm::mat4 const vp = camera.projection * camera.view;
    pages->render(camera.position, vp);
    quads->render(camera.position, camera.projection, camera.view);
    mobs->render(camera.position, camera.projection, camera.view);
    glFinish();
  }
};

void BM_DrawWorldFrame(benchmark::State& state) {
  World_view view(int(state.range(0)));
  std::uint64_t const before = view.scene->render.ops;
  std::uint64_t frames = 0;
  for (auto _ : state) {
    view.frame();
    ++frames;
  }
  state.counters["pages_meshed"] = double(view.meshed);
  state.counters["pages_drawn"] = double(view.scene->render.ops - before) / double(frames ? frames : 1);
  state.counters["vertices_drawn"] = double(view.pages->vertices_drawn);
}
BENCHMARK(BM_DrawWorldFrame)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
