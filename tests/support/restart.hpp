#pragma once
// A world folder as a run left it, copied and opened again as the game opens
// it: a kill leaves just what the last save wrote, so a copy taken right
// after a save (no destructor run) is what a restart after a kill finds.
#include "support/pipeline.hpp"
#include "support/terrain.hpp"

#include <filesystem>
#include <memory>

struct Restart {
  terrain::World_dir copy;
  Config config{Config::Defaults{}};
  std::unique_ptr<Scene> scene;

  explicit Restart(std::filesystem::path const& dir) {
    std::filesystem::copy(dir, copy.dir, std::filesystem::copy_options::recursive);
    open();
  }
  // The scene over the copy, the player read from its world file (again,
  // once the previous scene is gone).
  void open() {
    scene = std::make_unique<Scene>(config, copy.dir, pipeline::hills());
    scene->player = scene->mobs.construct(mob_db()["basic.player"].id, {0.0f, 64.0f, 0.0f});
    scene->wmap.player = scene->mobs.keep = scene->player;
    scene->load();
  }
  Mob const& player() const { return *scene->player; }
  // The container of a cell as its page file has it: no slots when the file
  // has none there.
  Inventory container(glm::ivec3 cell) const {
    Wmap_page page;
    if (!page.load_cells(copy.dir, page_of(cell))) return {};
    auto at = page.data.find(static_cast<std::int16_t>(cell_index(cell.x, cell.y, cell.z)));
    return at == page.data.end() ? Inventory{} : std::move(at->second.inventory);
  }
};
