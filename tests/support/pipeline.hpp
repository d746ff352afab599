#pragma once
// A small world on disk with the shipped cell and mob types, a player, a
// frozen or ticking clock and a stand-in mesher, driven frame by frame as the
// game drives its page pipeline.
#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "world/builder.hpp"
#include "world/scene.hpp"

#include <kestrine/kestrine.hpp>

#include <glm/common.hpp>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

#include <unistd.h>

namespace pipeline {

namespace fs = std::filesystem;

struct Less {
  bool operator()(glm::ivec3 a, glm::ivec3 b) const { return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z); }
};
using Positions = std::set<glm::ivec3, Less>;

inline Cell_id cell_id(char const* name) { return cell_db()[name].id; }

// The box of pages around c with radius r.
inline Positions box(glm::ivec3 c, glm::ivec3 r) {
  Positions out;
  for (int x = -r.x; x <= r.x; ++x)
    for (int y = -r.y; y <= r.y; ++y)
      for (int z = -r.z; z <= r.z; ++z) out.insert(c + glm::ivec3(x, y, z));
  return out;
}

// Hills between heights 12 and 28 on a 16 x 16 page map centred on page
// (0, 0), grass over dirt under a layer of leaves: every page column crosses
// page layers 0 and 1 differently.
inline Fmap hills() {
  std::uint64_t const n = 16;
  std::array<std::vector<float>, 4> g{std::vector<float>(n * n), std::vector<float>(n * n, 0.5f),
                                      std::vector<float>(n * n, 1.0f), std::vector<float>(n * n, 12.0f)};
  for (std::uint64_t i = 0; i < n * n; ++i) g[0][i] = float(12 + (i % n * 7 + i / n * 13) % 17);
  return Fmap(n, std::move(g));
}

// A stand-in mesher: one vertex per cell that is not air, carrying the light
// of the cell above it (from the page above at the top layer) and the
// quality. Reads other pages as workers must, through snapshots.
inline Cube_mesh_data fake_mesh(Wmap const& wmap, glm::ivec3 p, int quality) {
  Cube_mesh_data out;
  Wmap_page const* page = wmap.find(p);
  Wmap_page const* above = wmap.find(p + glm::ivec3(0, 1, 0));
  Page<Cell_id> cells = page->cells.snapshot();
  Page<Light> light = page->light.snapshot(), top = above ? above->light.snapshot() : light;
  for (int i = 0; i < page_cells; ++i) {
    if (cells[i] == Wmap_page::full_air_()[0]) continue;
    int x = i >> 8, y = (i >> 4) & 15, z = i & 15;
    Light l = y < 15 ? light[i + 16] : top[cell_index(x, 0, z)];
    out.vertices.push_back({std::uint8_t(x), std::uint8_t(y), std::uint8_t(z), l, std::uint8_t(quality), 0, 0, 0, cells[i]});
  }
  out.ends.fill(out.vertices.size());
  return out;
}

struct Options {
  glm::ivec3 view{2, 1, 2};
  int detail = 1;
  glm::vec3 player{8.0f, 24.0f, 8.0f}; // page (0, 1, 0)
  bool threads = false;
};

struct World {
  fs::path dir = fs::temp_directory_path() / ("terrafold-pipeline-" + std::to_string(::getpid()));
  Config config{Config::Defaults{}};
  std::shared_ptr<std::atomic<std::int64_t>> now = std::make_shared<std::atomic<std::int64_t>>(1);
  std::shared_ptr<std::atomic<std::int64_t>> tick = std::make_shared<std::atomic<std::int64_t>>(0); // ns a reading
  std::unique_ptr<Scene> scene;
  std::unique_ptr<Builder> builder;
  std::map<glm::ivec3, Cube_page, Less> meshes;       // what the renderers would hold
  Positions billboards;                               // pages showing billboards
  std::vector<std::pair<glm::ivec3, int>> mesh_calls; // in the order the mesher ran
  std::vector<glm::ivec3> removals;                   // empty meshes received
  std::mutex calls_mutex;

  explicit World(Options const& o = {}) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    static bool const packs = [] { // once per test program, against stand-in game functions
      static kestrine::Scope scope;
      for (char const* name : {"print", "clear", "say", "rand", "size", "push", "pop", "here", "cubr", "cupl", "cell",
                               "light", "face", "place", "spawn", "paint", "replace", "browse", "craft", "cross",
                               "mob_state", "mob_frame", "mob_wait", "give", "take", "has", "play"})
        scope.add(name, kestrine::Val(kestrine::Int{0}));
      fs::path dir = fs::path(TERRAFOLD_SOURCE_DIR) / "data" / "packs";
      cell_db().load(scope, dir), item_db().load(scope, dir), mob_db().load(scope, dir);
      return true;
    }();
    (void)packs;
    config.view_distance = o.view;
    config.high_def_radius = o.detail;
    config.multithreading = o.threads;
    open(o.player);
  }
  ~World() {
    close();
    fs::remove_all(dir);
  }

  Builder_clock clock() const {
    return [now = now, tick = tick] { return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(now->fetch_add(*tick))); };
  }
  Mesh_jobs jobs() {
    return {[this](Wmap const& w, glm::ivec3 p, int q) {
              std::lock_guard lock(calls_mutex);
              mesh_calls.emplace_back(p, q);
              return fake_mesh(w, p, q);
            },
            [](Wmap_page const&) { return std::vector<Quad_center>(1); }};
  }
  void open(glm::vec3 player) {
    scene = std::make_unique<Scene>(config, dir, hills());
    scene->player = scene->mobs.construct(mob_db()["basic.player"].id, player);
    scene->wmap.player = scene->mobs.keep = scene->player;
    builder = std::make_unique<Builder>(*scene, jobs(), clock());
  }
  void close() {
    builder.reset();
    scene.reset();
  }
  void reopen() {
    glm::vec3 at = scene->player->body.position;
    close();
    meshes.clear();
    open(at);
  }

  // One frame as the game runs it; the meshes go where the renderers keep them.
  int frame() {
    builder->update();
    for (Cube_page& c : builder->cube_queue()) {
      if (!c.vertices.empty()) meshes[c.page] = std::move(c);
      else meshes.erase(c.page), removals.push_back(c.page);
    }
    for (Quad_page const& q : builder->quad_queue())
      if (q.quads.empty()) billboards.erase(q.page);
      else billboards.insert(q.page);
    return builder->done();
  }
  // Frames until nothing is queued.
  void settle(int limit = 200) {
    int idle = 0, n = 0;
    for (; n < limit && idle < 2; ++n) idle = frame() == 0 && builder->added() == 0 && builder->queue_size() == 0 ? idle + 1 : 0;
    EXPECT_LT(n, limit) << "the pipeline never went idle";
  }
  void forget_calls() { mesh_calls.clear(), removals.clear(); }

  Wmap_page* page(glm::ivec3 p) { return scene->wmap.find(p); }
  int stage(glm::ivec3 p) { return page(p) ? page(p)->stage.load() : -1; }
  Cell_id cell(glm::ivec3 c) { return scene->wmap.get_cell(c); }
  Positions loaded() {
    Positions out;
    scene->wmap.for_each([&](glm::ivec3 k, Wmap_page const&) { out.insert(k); });
    return out;
  }
};

} // namespace pipeline
