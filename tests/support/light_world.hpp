#pragma once
// A scene with no packs, a few flat pages and a table of cell pages, for
// lighting pages and comparing the outcome with a plain breadth-first
// reference.
#include "support/test_cells.hpp"
#include "world/fmap.hpp"
#include "world/light.hpp"
#include "world/scene.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

struct Light_world {
  Config config{Config::Defaults{}};
  Scene scene{config, std::filesystem::temp_directory_path() / "terrafold-light-test",
              Fmap(1, {std::vector<float>{0}, {0}, {0}, {0}})};

  Light_world() {
    test_air();
    scene.wmap.resize(glm::ivec3(4));
    scene.fmap.pages.resize(glm::ivec2(4));
  }

  // The page at p, made when absent (all air, full light, stage 0).
  Wmap_page& page(glm::ivec3 p) { return scene.wmap.insert(p); }

  // The flat page above (x, z) with every column's sunlight level at `level`.
  Fmap_page& flat(glm::ivec2 xz, int level) {
    Fmap_page& f = scene.fmap.pages.insert(xz);
    for (Fmap_cell& c : f.columns) c.l0 = c.l1 = c.l2 = c.l3 = c.l4 = static_cast<std::int16_t>(level);
    f.bounds();
    return f;
  }

  // A page at p of one cell type, waiting for its light.
  Wmap_page& filled(glm::ivec3 p, Cell_id id) {
    Wmap_page& pg = page(p);
    pg.cells = Page<Cell_id>(id);
    pg.stage = 1;
    return pg;
  }

  void init(glm::ivec3 p) { initialize_light_page(scene, p, page(p)); }
  void spread(glm::ivec3 p) { spread_light_page(scene, p, page(p)); }
};

inline int sun_of(Light l) { return l & 15; }
inline int spot_of(Light l) { return l >> 4; }

// One kind of light of one page worked out the slow, obvious way: every open
// cell ends with the greatest of its start level and each open face
// neighbour's level minus one; a neighbour page's facing layer counts as a
// fixed neighbour, a missing page as a wall.
struct Light_reference {
  std::array<bool, page_cells> wall{};
  std::array<int, page_cells> start{};
  // The facing layer of each neighbour, in the order x-1, x+1, y-1, y+1,
  // z-1, z+1, by in-page index of the touching cell of this page.
  std::array<std::optional<std::array<int, page_cells>>, 6> border;

  std::array<int, page_cells> solve() const {
    std::array<int, page_cells> level{};
    std::array<std::vector<int>, 16> bucket;
    auto offer = [&](int i, int v) {
      if (!wall[i] && v > level[i]) level[i] = v, bucket[v].push_back(i);
    };
    for (int i = 0; i < page_cells; ++i) offer(i, start[i]);
    for (int f = 0; f < 6; ++f)
      if (border[f])
        for (int i = 0; i < page_cells; ++i)
          if (on_face(i, f)) offer(i, (*border[f])[i] - 1);
    for (int v = 15; v > 0; --v)
      for (std::size_t k = 0; k < bucket[v].size(); ++k) {
        int const i = bucket[v][k];
        if (level[i] != v) continue;
        for (int f = 0; f < 6; ++f)
          if (!on_face(i, f)) offer(step(i, f), v - 1);
      }
    return level;
  }

  static int coord(int i, int axis) { return (i >> (8 - 4 * axis)) & 15; }
  static bool on_face(int i, int f) { return coord(i, f / 2) == (f % 2 ? 15 : 0); }
  static int step(int i, int f) { return i + (f % 2 ? 1 : -1) * (256 >> (4 * (f / 2))); }
};
