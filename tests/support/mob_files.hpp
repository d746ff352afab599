#pragma once
// The mobs a world folder's mob files (or a scene) hold, each known by a
// tag: the count of the first slot of its inventory.
#include "content/item_db.hpp"
#include "world/mob.hpp"
#include "world/wmap.hpp"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>

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

// Tag -> how many of the scene's mobs (all but `skip`) carry it.
inline std::map<int, int> in_world(Mobs const& mobs, Mob const* skip) {
  std::map<int, int> count;
  for (auto const& m : mobs)
    if (m.get() != skip) ++count[m->inventory.size() ? m->inventory[0].count : -1];
  return count;
}

// Such a count of mobs tagged 0 .. n-1 in short: every entry, the tags found
// more than once and those not found (a full comparison of thousands of tags
// would bury what went wrong).
struct Tally {
  int mobs = 0;
  int doubled = 0;
  int missing = 0;
  bool operator==(Tally const&) const = default;
};

inline Tally tally(std::map<int, int> const& count, int n) {
  Tally t;
  for (auto [tag, k] : count) {
    t.mobs += k;
    t.doubled += k > 1;
  }
  for (int i = 0; i < n; ++i) t.missing += !count.contains(i);
  return t;
}

// Where a good save leaves n mobs: each once.
inline Tally once(int n) { return {n, 0, 0}; }

inline std::ostream& operator<<(std::ostream& o, Tally const& t) {
  return o << t.mobs << " mobs, " << t.doubled << " doubled, " << t.missing << " missing";
}

} // namespace mob_files
