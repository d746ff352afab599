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
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace pipeline {

namespace fs = std::filesystem;

struct Less {
  bool operator()(glm::ivec3 a, glm::ivec3 b) const { return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z); }
};
using Positions = std::set<glm::ivec3, Less>;

// The shipped packs, loaded once per test program against stand-in game functions.
inline void load_packs() {
  static bool const loaded = [] {
    static kestrine::Scope scope;
    for (char const* name : {"print", "clear", "say", "rand", "size", "push", "pop", "here", "cubr", "cupl", "cell",
                             "light", "face", "place", "spawn", "paint", "replace", "browse", "craft", "cross",
                             "mob_state", "mob_frame", "mob_wait", "give", "take", "has", "play"})
      scope.add(name, kestrine::Val(kestrine::Int{0}));
    fs::path packs = fs::path(TERRAFOLD_SOURCE_DIR) / "data" / "packs";
    cell_db().load(scope, packs);
    item_db().load(scope, packs);
    mob_db().load(scope, packs);
    return true;
  }();
  (void)loaded;
}

inline Cell_id cell_id(char const* name) { return cell_db()[name].id; }

// Rolling hills between heights 12 and 28 over a 16 x 16 page map centred on
// page (0, 0): every page column crosses page layers 0 and 1 differently.
inline Fmap hills() {
  std::uint64_t const n = 16;
  std::array<std::vector<float>, 4> g;
  for (auto& v : g) v.assign(n * n, 0.0f);
  for (std::uint64_t k = 0; k < n; ++k)
    for (std::uint64_t i = 0; i < n; ++i) {
      g[0][n * k + i] = float(12 + (i * 7 + k * 13) % 17);
      g[1][n * k + i] = 0.5f;  // dirt under grass
      g[2][n * k + i] = 1.0f;  // layered, not bare
      g[3][n * k + i] = 12.0f; // with a layer of leaves
    }
  return Fmap(n, std::move(g));
}

// The clock the builder reads: frozen (every page operation fits) unless
// `step` advances it on each reading. Safe from worker threads.
struct Test_clock {
  std::shared_ptr<std::atomic<std::int64_t>> ns = std::make_shared<std::atomic<std::int64_t>>(1'000'000'000);
  std::shared_ptr<std::atomic<std::int64_t>> step = std::make_shared<std::atomic<std::int64_t>>(0);

  Builder_clock fn() const {
    return [ns = ns, step = step] {
      return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns->fetch_add(step->load())));
    };
  }
  void advance(std::chrono::nanoseconds d) { ns->fetch_add(d.count()); }
};

// A stand-in mesher: one vertex per cell that is not air, carrying the light
// of the cell above it (from the page above at the top layer), and the
// quality in the occlusion byte. Reads other pages as workers must, through
// snapshots.
inline Cube_mesh_data fake_mesh(Wmap const& wmap, glm::ivec3 p, int quality) {
  Cube_mesh_data out;
  Wmap_page const* page = wmap.find(p);
  if (!page) return out;
  Page<Cell_id> cells = page->cells.snapshot();
  Page<Light> light = page->light.snapshot(), above_light = light;
  if (Wmap_page const* above = wmap.find(p + glm::ivec3(0, 1, 0))) above_light = above->light.snapshot();
  Cell_id const air = Wmap_page::full_air_()[0];
  for (int i = 0; i < page_cells; ++i) {
    if (cells[i] == air) continue;
    int x = i >> 8, y = (i >> 4) & 15, z = i & 15;
    Light l = y < 15 ? light[cell_index(x, y + 1, z)] : above_light[cell_index(x, 0, z)];
    out.vertices.push_back({std::uint8_t(x), std::uint8_t(y), std::uint8_t(z), l, std::uint8_t(quality), 0, 0, 0,
                            std::uint16_t(cells[i])});
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
  fs::path dir;
  Config config{Config::Defaults{}};
  Test_clock clock;
  std::unique_ptr<Scene> scene;
  std::unique_ptr<Builder> builder;
  std::map<glm::ivec3, Cube_page, Less> meshes;            // what the renderer would hold
  std::map<glm::ivec3, std::size_t, Less> billboards;      // pages with billboards asked for
  std::vector<std::pair<glm::ivec3, int>> mesh_calls;      // in the order the mesher ran
  std::vector<glm::ivec3> removals;                        // empty meshes received
  std::mutex calls_mutex;

  explicit World(Options const& o = {}) {
    static std::atomic<int> serial{0};
    dir = fs::temp_directory_path() / ("terrafold-pipeline-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    fs::remove_all(dir);
    fs::create_directories(dir);
    load_packs();
    config.view_distance = o.view;
    config.high_def_radius = o.detail;
    config.multithreading = o.threads;
    open(o.player);
  }
  ~World() {
    close();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  Mesh_jobs jobs() {
    return {[this](Wmap const& w, glm::ivec3 p, int q) {
              {
                std::lock_guard lock(calls_mutex);
                mesh_calls.emplace_back(p, q);
              }
              return fake_mesh(w, p, q);
            },
            [](Wmap_page const&) { return std::vector<Quad_center>(1); }};
  }

  void open(glm::vec3 player) {
    scene = std::make_unique<Scene>(config, dir, hills());
    scene->player = scene->mobs.construct(mob_db()["basic.player"].id, player);
    scene->wmap.player = scene->player;
    scene->mobs.keep = scene->player;
    builder = std::make_unique<Builder>(*scene, jobs(), clock.fn());
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

  // One frame as the game runs it; the meshes go where the renderer keeps them.
  int frame() {
    builder->update();
    for (Cube_page& c : builder->cube_queue()) {
      if (c.vertices.empty()) {
        meshes.erase(c.page);
        removals.push_back(c.page);
      } else {
        meshes[c.page] = std::move(c);
      }
    }
    for (Quad_page const& q : builder->quad_queue())
      if (q.quads.empty()) billboards.erase(q.page);
      else billboards[q.page] = q.quads.size();
    return builder->done();
  }
  // Frames until nothing is queued; the frame count.
  int settle(int limit = 200) {
    int idle = 0, n = 0;
    for (; n < limit && idle < 2; ++n) idle = frame() == 0 && builder->added() == 0 && builder->queue_size() == 0 ? idle + 1 : 0;
    EXPECT_LT(n, limit) << "the pipeline never went idle";
    return n;
  }
  void move_player(glm::vec3 to) { scene->player->body.position = to; }
  void forget_calls() {
    mesh_calls.clear();
    removals.clear();
  }

  Wmap_page* page(glm::ivec3 p) { return scene->wmap.find(p); }
  int stage(glm::ivec3 p) {
    Wmap_page* pg = page(p);
    return pg ? pg->stage.load() : -1;
  }
  Cell_id cell(glm::ivec3 c) { return scene->wmap.get_cell(c); }
  // Every loaded page's position.
  Positions loaded() {
    Positions out;
    scene->wmap.for_each([&](glm::ivec3 k, Wmap_page const&) { out.insert(k); });
    return out;
  }
};

// The box of pages around c with radius r.
inline Positions box(glm::ivec3 c, glm::ivec3 r) {
  Positions out;
  for (int x = -r.x; x <= r.x; ++x)
    for (int y = -r.y; y <= r.y; ++y)
      for (int z = -r.z; z <= r.z; ++z) out.insert(c + glm::ivec3(x, y, z));
  return out;
}

} // namespace pipeline
