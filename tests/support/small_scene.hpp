#pragma once
// A scene in memory for game rules: no packs, no files, a one-sample flat
// map; the test loads the cell and flat pages it needs.
#include "world/scene.hpp"

#include "support/sdl_log.hpp"

#include <vector>

struct Small_scene {
  Sdl_log_capture quiet; // the scene reports its profile at the end
  Config config{Config::Defaults{}};
  Scene scene;

  Small_scene()
      : scene(config, "", Fmap(1, {std::vector<float>(1), std::vector<float>(1), std::vector<float>(1),
                                   std::vector<float>(1)})) {
    scene.wmap.resize({4, 4, 4});
    scene.fmap.pages.resize({4, 4});
  }

  // A loaded cell page, every cell of the type.
  Wmap_page& load_page(glm::ivec3 page, Cell_id fill) {
    Wmap_page& p = scene.wmap.insert(page);
    p.cells = Page<Cell_id>(fill);
    return p;
  }
  void set(glm::ivec3 cell, Cell_id id) { scene.wmap.find(cell >> 4)->cells.set(cell_index(cell.x, cell.y, cell.z), id); }

  // A loaded flat page whose columns all have the sunlight level.
  Fmap_page& load_flat(glm::ivec2 page, std::int16_t sunlight) {
    Fmap_page& p = scene.fmap.pages.insert(page);
    for (auto& c : p.columns) c.l4 = sunlight;
    return p;
  }
};
