#include "world/held_pages.hpp"

#include "world/mob.hpp"
#include "world/scene.hpp"

#include <utility>

Held_pages::Held_pages(Scene& scene) : scene_(scene) {}

Held_pages::~Held_pages() {
  for (auto& [p, held] : cells_) release(held);
}

void Held_pages::hold(glm::ivec3 p, bool mobs_behind) {
  std::unique_ptr<Wmap::Entry> entry = scene_.wmap.take(p);
  if (!entry) return;
  Wmap_page& page = entry->page;
  std::vector<Mob*> listed;
  for (Mob* m : page.mobs)
    if (m != scene_.mobs.keep && !m->body.has(Body::erased)) listed.push_back(m);
  Cell_page held{std::move(entry), scene_.mobs.take(listed), mobs_behind};
  page.mobs.clear();
  for (auto const& m : held.mobs) page.mobs.push_back(m.get());
  auto [at, fresh] = cells_.try_emplace(p);
  // A position is held once: should the table have had a page there again,
  // that page is the one the player saw last.
  if (!fresh) release(at->second);
  at->second = std::move(held);
}

void Held_pages::hold(glm::ivec2 p) {
  std::unique_ptr<Flat_entry> entry = scene_.fmap.pages.take(p);
  if (entry) flats_[p] = std::move(entry);
}

void Held_pages::restore(glm::ivec3 lo, glm::ivec3 hi) {
  for (auto at = cells_.begin(); at != cells_.end();) {
    glm::ivec3 const p = at->first;
    if (p.x < lo.x || p.x > hi.x || p.y < lo.y || p.y > hi.y || p.z < lo.z || p.z > hi.z) {
      ++at;
      continue;
    }
    Cell_page& held = at->second;
    Wmap_page& page = scene_.wmap.put(std::move(held.entry));
    // Its mesh went when it left: it is drawn again, nothing more.
    if (page.stage.load() > 6) page.stage = 6;
    for (auto& m : held.mobs) scene_.mobs.adopt(std::move(m));
    at = cells_.erase(at);
  }
}

bool Held_pages::restore(glm::ivec2 p) {
  auto at = flats_.find(p);
  if (at == flats_.end()) return false;
  scene_.fmap.pages.put(std::move(at->second));
  flats_.erase(at);
  return true;
}

Unsaved Held_pages::save(std::span<Mob_page_save> loaded) {
  Unsaved failed;
  std::vector<Mob_page_save> mobs;
  std::vector<Cell_page*> owners;
  for (auto& [p, held] : cells_) {
    Wmap_page& page = held.entry->page;
    if (page.cells_to_save()) failed.cell_pages += !page.save_cells(scene_.dir, p);
    if (held.mobs_behind || page.file_is_stale(p)) {
      mobs.push_back({p, &page});
      owners.push_back(&held);
    }
  }
  // In the order that files every mob before another file lets go of it:
  // held pages take mobs from each other and from the loaded pages too.
  failed.mob_pages += save_mob_pages(mobs, scene_.dir, scene_.wmap.player, loaded);
  for (std::size_t i = 0; i < mobs.size(); ++i) owners[i]->mobs_behind = !mobs[i].saved;
  for (auto at = cells_.begin(); at != cells_.end();) {
    glm::ivec3 const p = at->first;
    Cell_page& held = at->second;
    Wmap_page const& page = held.entry->page;
    // A file that keeps a mob no other file has taken yet waits for the
    // save that files it elsewhere; that alone is no failure.
    if (page.cells_to_save() || held.mobs_behind || !page.departed(p).empty()) {
      ++at;
      continue;
    }
    release(held);
    at = cells_.erase(at);
  }
  for (auto at = flats_.begin(); at != flats_.end();) {
    if (!at->second->page.save_changes(scene_.dir, at->first)) {
      ++failed.flat_pages;
      ++at;
    } else {
      at = flats_.erase(at);
    }
  }
  return failed;
}

Wmap_page const* Held_pages::find(glm::ivec3 p) const {
  auto at = cells_.find(p);
  return at == cells_.end() ? nullptr : &at->second.entry->page;
}

Fmap_page const* Held_pages::find(glm::ivec2 p) const {
  auto at = flats_.find(p);
  return at == flats_.end() ? nullptr : &at->second->page;
}

void Held_pages::release(Cell_page& held) {
  for (auto& m : held.mobs) scene_.mobs.destroy(std::move(m));
  held.mobs.clear();
  held.entry.reset();
}
