#pragma once
// Pages that left the loaded world with changes their saves could not write
// (a full disk, a folder turned read-only). They wait here, out of the world:
// a cell page with its cells, light, container data, paints and the mobs it
// lists, a flat page with its levels. Every save of the world tries them
// again and lets go of those that are written; a page whose position comes
// back into view is put back whole, so neither its stale file nor the
// terrain fill ever stands in for it. A page whose file still keeps mobs
// that walked into pages not written yet waits here too, until a save has
// filed them there, so its file is never read again while they live on. What
// is held is bounded by what changed since the last good save: a page that
// saves with nothing left behind is never held, and a position is held at
// most once.
//
// Main thread only, while no worker runs: holding and putting back move
// pages out of and into the tables.
#include "world/fmap.hpp"
#include "world/mob_saves.hpp"
#include "world/unsaved.hpp"
#include "world/wmap.hpp"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <map>
#include <memory>
#include <span>
#include <tuple>
#include <vector>

struct Mob;
struct Scene;

class Held_pages {
public:
  explicit Held_pages(Scene& scene);
  // Ends what is still held, its mobs as the mob update ends them.
  ~Held_pages();
  Held_pages(Held_pages const&) = delete;
  Held_pages& operator=(Held_pages const&) = delete;

  // Takes the cell page of p out of the table, and the mobs it lists out of
  // the scene's list (not the scene's `keep` mob, nor erased ones: the mob
  // update ends those). `mobs_behind`: its mob file could not be written.
  // A page whose file keeps mobs that live on elsewhere is held as well.
  void hold(glm::ivec3 p, bool mobs_behind);
  // Takes the flat page of p out of the flat-page table.
  void hold(glm::ivec2 p);

  // Puts every held cell page within lo..hi back into the table with its
  // mobs, as an ordinary loaded page (still dirty, still populated) whose
  // mesh is made again.
  void restore(glm::ivec3 lo, glm::ivec3 hi);
  // Puts the held flat page of p back; false when none is held.
  bool restore(glm::ivec2 p);

  // Writes every held page again and lets go of those now saved (their
  // mobs end, as those of any page that leaves). A page whose file keeps
  // mobs that live on elsewhere (no other file has them yet) stays, and is
  // written again once they are filed elsewhere. `loaded`: the loaded pages
  // this save wrote (or tried) before, in the rounds of world/mob_saves.hpp
  // with the held ones, so a loaded page refused with copies that a held
  // page takes is written now, as is one left holding such copies; their
  // `saved` tells, and the caller counts them. Returns what of the held
  // pages could still not be written.
  Unsaved save(std::span<Mob_page_save> loaded = {});

  // How many are held, and the held page of a position (null when none).
  std::size_t cell_pages() const { return cells_.size(); }
  std::size_t flat_pages() const { return flats_.size(); }
  Wmap_page const* find(glm::ivec3 p) const;
  Fmap_page const* find(glm::ivec2 p) const;

private:
  struct Cell_page {
    std::unique_ptr<Wmap::Entry> entry;
    std::vector<std::unique_ptr<Mob>> mobs; // the mobs its page lists
    bool mobs_behind = false; // its mob file's last write failed
  };
  using Flat_entry = Page_table<Fmap_page, 2>::Entry;
  struct Less {
    bool operator()(glm::ivec3 a, glm::ivec3 b) const { return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z); }
    bool operator()(glm::ivec2 a, glm::ivec2 b) const { return std::tie(a.x, a.y) < std::tie(b.x, b.y); }
  };

  void release(Cell_page& held);

  Scene& scene_;
  std::map<glm::ivec3, Cell_page, Less> cells_;
  std::map<glm::ivec2, std::unique_ptr<Flat_entry>, Less> flats_;
};
