#include "world/world_center.hpp"

#include "world/light.hpp"
#include "world/mob_saves.hpp"
#include "world/scene.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int chebyshev(glm::ivec3 a, glm::ivec3 b) {
  glm::ivec3 d = glm::abs(a - b);
  return std::max({d.x, d.y, d.z});
}

bool within(glm::ivec3 p, glm::ivec3 c, glm::ivec3 r) {
  glm::ivec3 d = glm::abs(p - c);
  return d.x <= r.x && d.y <= r.y && d.z <= r.z;
}

bool in_window(glm::ivec2 p, glm::ivec3 c, glm::ivec3 r) {
  return std::abs(p.x - c.x) <= r.x && std::abs(p.y - c.z) <= r.z;
}

} // namespace

glm::ivec3 box_radius(Config const& config) {
  glm::ivec3 v = config.view_distance;
  return {std::clamp(v.x, 0, 64), std::clamp(v.y, 0, 32), std::clamp(v.z, 0, 64)};
}

int detail_radius(Config const& config) { return std::clamp(config.high_def_radius, 0, 64); }

int page_detail(glm::ivec3 p, glm::ivec3 centre, int radius) { return chebyshev(p, centre) > radius ? 1 : 0; }

glm::ivec3 page_at(glm::vec3 position) { return floor_cell(position) >> 4; }

World_center::World_center(Scene& scene_, Mesh_jobs jobs)
    : scene(scene_), queue(std::move(jobs)), table_radius(box_radius(scene_.config)),
      meshed_radius(detail_radius(scene_.config)), held(scene_) {
  center = player_page();
  size_tables();
  scene.wmap.insert(center);
  glm::ivec3 r = table_radius;
  for (int x = center.x - r.x; x <= center.x + r.x; ++x)
    for (int z = center.z - r.z; z <= center.z + r.z; ++z) load_flat_page({x, z});
}

glm::ivec3 World_center::player_page() const { return scene.player ? page_at(scene.player->body.position) : center; }

bool World_center::update_center() {
  glm::ivec3 q = player_page();
  if (!forced) {
    if (q == center) {
      frames = 0;
      return false;
    }
    if (frames + 1 < 30) {
      ++frames;
      return false;
    }
    frames = 0;
  }
  glm::ivec3 old = center;
  center = q;
  shift_flat_border(old);
  shift_world_border(old);
  shift_hd_threshold(old);
  forced = false;
  return true;
}

void World_center::shift_flat_border(glm::ivec3 old) {
  glm::ivec3 r = table_radius;
  // Leaving pages go first: an entering page may take a leaving one's slot.
  for (int x = old.x - r.x; x <= old.x + r.x; ++x)
    for (int z = old.z - r.z; z <= old.z + r.z; ++z) {
      if (!in_window({x, z}, center, r)) let_go(glm::ivec2{x, z});
    }
  for (int x = center.x - r.x; x <= center.x + r.x; ++x)
    for (int z = center.z - r.z; z <= center.z + r.z; ++z)
      if (!in_window({x, z}, old, r)) load_flat_page({x, z});
}

void World_center::shift_world_border(glm::ivec3 old) {
  glm::ivec3 r = table_radius;
  glm::ivec3 lo = center - r, hi = center + r;
  // Slab by slab: positions off the new range in x, then (among the rest)
  // in y, then in z.
  for (int axis = 0; axis < 3; ++axis) {
    auto take = [&](int b, int v) {
      bool inside = lo[b] <= v && v <= hi[b];
      return b < axis ? inside : b == axis ? !inside : true;
    };
    for (int x = old.x - r.x; x <= old.x + r.x; ++x) {
      if (!take(0, x)) continue;
      for (int y = old.y - r.y; y <= old.y + r.y; ++y) {
        if (!take(1, y)) continue;
        for (int z = old.z - r.z; z <= old.z + r.z; ++z) {
          if (!take(2, z)) continue;
          glm::ivec3 p{x, y, z};
          if (scene.wmap.find(p)) let_go(p, save_page(p));
          queue.remove(p); // also for a page never built: a mesh may be left from before
        }
      }
    }
  }
  // Entering positions that were held come back from what was held, before
  // any stage could read them anew from their files.
  held.restore(lo, hi);
}

void World_center::shift_hd_threshold(glm::ivec3 old) {
  int r_old = meshed_radius, r_new = detail_radius(scene.config);
  glm::ivec3 lo = center - table_radius, hi = center + table_radius; // only these can be loaded
  auto visit = [&](glm::ivec3 c, int r) {
    glm::ivec3 a = glm::max(c - r, lo), b = glm::min(c + r, hi);
    for (int x = a.x; x <= b.x; ++x)
      for (int y = a.y; y <= b.y; ++y)
        for (int z = a.z; z <= b.z; ++z) {
          glm::ivec3 p{x, y, z};
          if ((chebyshev(p, old) <= r_old) == (chebyshev(p, center) <= r_new)) continue;
          Wmap_page* page = scene.wmap.find(p);
          if (page && page->stage.load() >= 7) page->stage = 6;
        }
  };
  visit(old, r_old);
  visit(center, r_new);
  meshed_radius = r_new;
}

void World_center::finish_light(std::vector<glm::ivec3> const& pages) {
  for (int round = 0; round < 4; ++round) {
    bool ran = false;
    for (glm::ivec3 p : pages) {
      Wmap_page* page = scene.wmap.find(p);
      if (!page) continue;
      int stage = page->stage.load();
      if (stage < 1 || stage > 4 || !scene.fmap.pages.find({p.x, p.z})) continue;
      if (stage == 1) initialize_light_page(scene, p, *page);
      else spread_light_page(scene, p, *page);
      ran = true;
    }
    if (!ran) break;
  }
}

Unsaved World_center::save_page(glm::ivec3 p) {
  Unsaved unsaved;
  Wmap_page* page = scene.wmap.find(p);
  if (!page) return unsaved;
  if (page->cells_to_save()) {
    finish_light({p});
    unsaved.cell_pages += !scene.wmap.save_cells(p, scene.dir);
  }
  if (page->has(Wmap_page::populated)) unsaved.mob_pages += save_with_gainers(p, *page);
  return unsaved;
}

std::int64_t World_center::save_with_gainers(glm::ivec3 p, Wmap_page& page) {
  std::vector<Mob_page_save> gainers;
  for (Mob* m : page.departed(p)) {
    glm::ivec3 const q = page_at(m->body.position);
    Wmap_page* g = scene.wmap.find(q);
    // A page whose mobs were not read yet can't be written: the mob stays
    // in this page's file for now.
    if (!g || g == &page || !g->has(Wmap_page::populated)) continue;
    if (std::find(g->mobs.begin(), g->mobs.end(), m) == g->mobs.end()) continue;
    if (std::none_of(gainers.begin(), gainers.end(), [q](Mob_page_save const& s) { return s.at == q; }))
      gainers.push_back({q, g});
  }
  // p last: the pages before it all gained, so they are written first; in
  // the rounds with them, a gainer refused with copies of mobs that walked
  // into p is written once p has taken those.
  gainers.push_back({p, &page});
  return save_mob_pages(gainers, scene.dir, scene.wmap.player);
}

Unsaved World_center::save_all() {
  Unsaved unsaved;
  std::vector<glm::ivec3> dirty;
  scene.wmap.for_each([&](glm::ivec3 key, Wmap_page const& page) {
    if (page.cells_to_save()) dirty.push_back(key);
  });
  finish_light(dirty);
  for (glm::ivec3 p : dirty) unsaved.cell_pages += !scene.wmap.save_cells(p, scene.dir);
  std::vector<Mob_page_save> mobs = populated_pages(scene.wmap);
  save_mob_pages(mobs, scene.dir, scene.wmap.player);
  scene.fmap.pages.for_each([&](glm::ivec2 key, Fmap_page& f) {
    unsaved.flat_pages += !f.save_changes(scene.dir, key);
  });
  // A held page that goes through may take mobs whose copies the loaded
  // pages' files still hold: those are written again with it, and a loaded
  // page counts as not saved only when its last try failed.
  unsaved += held.save(mobs);
  unsaved.mob_pages += std::count_if(mobs.begin(), mobs.end(), [](Mob_page_save const& s) { return !s.saved; });
  return unsaved;
}

void World_center::resize_tables() {
  failed_saves += held.save();
  // Every changed page finishes its light while all its neighbours are
  // still there; then each is saved and leaves the tables, or is held apart.
  std::vector<glm::ivec3> keys, dirty;
  scene.wmap.for_each([&](glm::ivec3 key, Wmap_page const& page) {
    keys.push_back(key);
    if (page.cells_to_save()) dirty.push_back(key);
  });
  finish_light(dirty);
  glm::ivec3 r = box_radius(scene.config);
  for (glm::ivec3 p : keys) {
    if (!within(p, center, r)) queue.remove(p);
    let_go(p, save_page(p));
  }
  std::vector<glm::ivec2> flats;
  scene.fmap.pages.for_each([&](glm::ivec2 key, Fmap_page const&) { flats.push_back(key); });
  for (glm::ivec2 p : flats) let_go(p);
  table_radius = r;
  meshed_radius = detail_radius(scene.config);
  size_tables();
  held.restore(center - r, center + r);
  for (int x = center.x - r.x; x <= center.x + r.x; ++x)
    for (int z = center.z - r.z; z <= center.z + r.z; ++z) load_flat_page({x, z});
}

void World_center::let_go(glm::ivec3 p, Unsaved const& save) {
  failed_saves += save;
  // A file that still keeps mobs living elsewhere would double them if the
  // page were read from it again: the page waits apart until a later save
  // has filed them elsewhere. That alone is no failure.
  Wmap_page const* page = scene.wmap.find(p);
  bool const keeps = page && !page->departed(p).empty();
  if (save.any() || keeps) held.hold(p, save.mob_pages != 0);
  else scene.wmap.erase(p); // its mobs stay listed in the scene until the mob update drops them
}

void World_center::let_go(glm::ivec2 p) {
  Fmap_page* f = scene.fmap.pages.find(p);
  if (!f) return;
  if (!f->save_changes(scene.dir, p)) {
    ++failed_saves.flat_pages;
    held.hold(p);
  } else {
    scene.fmap.pages.erase(p);
  }
}

void World_center::size_tables() {
  glm::ivec3 r = table_radius;
  scene.wmap.resize({table_size(r.x), table_size(r.y), table_size(r.z)});
  scene.fmap.pages.resize({table_size(r.x), table_size(r.z)});
}

void World_center::load_flat_page(glm::ivec2 p) {
  if (held.restore(p)) return;
  Fmap_page& f = scene.fmap.pages.insert(p);
  if (!f.load(scene.dir, p)) scene.fmap.generate(p, f);
}
