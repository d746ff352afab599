#pragma once
// The mobs a world folder's mob files hold, each known by a tag: the count
// of the first slot of its inventory.
#include "content/item_db.hpp"
#include "world/mob.hpp"
#include "world/wmap.hpp"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

namespace mob_files {

namespace fs = std::filesystem;

inline Item tag(std::int16_t n) { return Item{item_db()["basic.stone"].id, n}; }

// Tag -> in how many files a mob of that tag is. Only the files the game
// reads ("x.y.z.mpk.gz"), not temporary or set-aside ones.
inline std::map<int, int> on_disk(fs::path const& dir) {
  std::map<int, int> count;
  std::error_code ec;
  for (auto const& entry : fs::directory_iterator(dir / "mobs", ec)) {
    glm::ivec3 p;
    int used = 0;
    std::string const name = entry.path().filename().string();
    if (std::sscanf(name.c_str(), "%d.%d.%d.mpk.gz%n", &p.x, &p.y, &p.z, &used) != 3 ||
        used != static_cast<int>(name.size()))
      continue;
    Wmap_page page;
    page.load_mobs(dir, p);
    for (Mob* m : page.mobs) {
      std::unique_ptr<Mob> owned(m);
      ++count[m->inventory.size() ? m->inventory[0].count : -1];
    }
  }
  return count;
}

} // namespace mob_files
