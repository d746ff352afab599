#include "world/mob.hpp"

#include "world/physics.hpp"
#include "world/scene.hpp"
#include "world/script_values.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

// The page holding a position, or null when it is not loaded (or the
// position is not a place at all).
Wmap_page* page_at(Wmap& wmap, glm::vec3 position) {
  if (!finite(position)) return nullptr;
  return wmap.find(floor_cell(position) >> 4);
}

} // namespace

Mob::Mob() : self_(std::make_shared<Mob*>(this)) {}

Mob::Mob(Mob_type const& t, glm::vec3 const& position)
    : type(t.id), inventory(t.items), wait(t.update ? 0 : -1), self_(std::make_shared<Mob*>(this)) {
  body.position = position;
  body.size = t.size;
  body.flags = t.solid ? std::uint32_t(Body::solid) : 0u;
  body.update_box();
}

Mob::~Mob() { *self_ = nullptr; }

void Mob::update() {
  if (wait < 0) return;
  if (--wait > 0) return;
  auto& types = mob_db();
  if (type >= types.size() || !types[type].update) {
    wait = -1;
    return;
  }
  kestrine::Val self = mob_value(*this);
  try {
    (*types[type].update)(&self, 1);
  } catch (...) {
    kestrine::rethrow_naming("mob " + types[type].name + ", update script");
  }
}

Mobs::~Mobs() { clear(); }

Mob* Mobs::construct(Mob_id id, glm::vec3 const& position) {
  auto& types = mob_db();
  if (id >= types.size()) throw std::out_of_range("no mob type " + std::to_string(id));
  list_.push_back(std::make_unique<Mob>(types[id], position));
  return list_.back().get();
}

void Mobs::adopt(std::unique_ptr<Mob> mob) {
  Body& b = mob->body;
  b.update_box();
  bool const placed = finite(b.position);
  glm::ivec3 const page = placed ? floor_cell(b.position) >> 4 : glm::ivec3(0);
  if (placed) listed_.push_back(page);
  adopted_.push_back({mob.get(), page, placed});
  list_.push_back(std::move(mob));
}

void Mobs::update(Scene& scene) {
  update_mobs(scene);
  resort_mobs(scene);
}

void Mobs::update_mobs(Scene& scene) {
  // Indices, not iterators: a script's spawn may grow the list mid-walk.
  std::size_t const n = list_.size();
  for (std::size_t i = 0; i < n; ++i) {
    Mob& m = *list_[i];
    if (&m == keep && !page_at(scene.wmap, m.body.position)) continue;
    m.update();
    update_physics(scene.wmap, m.body);
  }
}

void Mobs::unlist_all(Scene& scene) {
  Wmap& wmap = scene.wmap;
  bool stray = false;
  for (Adopted const& a : adopted_) {
    Wmap_page* page = a.placed ? wmap.find(a.page) : nullptr;
    if (!page || std::find(page->mobs.begin(), page->mobs.end(), a.mob) == page->mobs.end()) stray = true;
  }
  if (stray)
    wmap.for_each([](glm::ivec3, Wmap_page& page) { page.mobs.clear(); });
  else
    for (glm::ivec3 key : listed_)
      if (Wmap_page* page = wmap.find(key)) page->mobs.clear();
  listed_.clear();
  adopted_.clear();
}

void Mobs::resort_mobs(Scene& scene) {
  Wmap& wmap = scene.wmap;
  unlist_all(scene);

  // Compacts in place; on_destroy must not throw.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list_.size(); ++i) {
    Mob* m = list_[i].get();
    Wmap_page* page = page_at(wmap, m->body.position);
    if (m != keep && (m->body.has(Body::erased) || !page)) {
      if (on_destroy) on_destroy(m);
      list_[i].reset();
      continue;
    }
    for (int a = 0; a < 2; ++a) {
      float& angle = m->body.angles[a];
      // A remainder of infinity is NaN, which would stick for good.
      angle = std::isfinite(angle) ? std::fmod(angle, full_turn) : 0.0f;
    }
    if (page) {
      if (page->mobs.empty()) listed_.push_back(floor_cell(m->body.position) >> 4);
      page->mobs.push_back(m);
    }
    if (kept != i) list_[kept] = std::move(list_[i]);
    ++kept;
  }
  list_.resize(kept);
}

std::vector<std::unique_ptr<Mob>> Mobs::take(std::vector<Mob*> const& mobs) {
  std::vector<Mob*> wanted(mobs);
  std::sort(wanted.begin(), wanted.end());
  auto is_wanted = [&wanted](Mob const* m) { return std::binary_search(wanted.begin(), wanted.end(), m); };
  std::vector<std::unique_ptr<Mob>> out;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list_.size(); ++i) {
    if (is_wanted(list_[i].get())) {
      out.push_back(std::move(list_[i]));
      continue;
    }
    if (kept != i) list_[kept] = std::move(list_[i]);
    ++kept;
  }
  list_.resize(kept);
  std::erase_if(adopted_, [&](Adopted const& a) { return is_wanted(a.mob); });
  return out;
}

void Mobs::destroy(std::unique_ptr<Mob> mob) {
  if (mob && on_destroy) on_destroy(mob.get());
}

void Mobs::clear() {
  for (auto& m : list_)
    if (on_destroy) on_destroy(m.get());
  list_.clear();
  listed_.clear();
  adopted_.clear();
}
