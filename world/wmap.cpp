#include "world/wmap.hpp"

#include "world/mob.hpp"

#include <cmath>
#include <cstdint>

namespace {

// Built once and never destroyed: pages made during static destruction may
// still take them.
template <class T> Page<T> const& keep(T fill) {
  return *new Page<T>(fill);
}

// The pages whose mobs may reach the cell: a mob sticks out of its page by at
// most 4 cells. Wide arithmetic so that cells near the int range stay defined.
struct Page_range {
  glm::ivec3 lo, hi;
  explicit Page_range(glm::ivec3 c) {
    for (int a = 0; a < 3; ++a) {
      lo[a] = static_cast<int>((std::int64_t{c[a]} - 4) >> 4);
      hi[a] = static_cast<int>((std::int64_t{c[a]} + 4) >> 4);
    }
  }
};

bool covers(Mob const& m, glm::ivec3 c) {
  for (int a = 0; a < 3; ++a) {
    double cell = c[a];
    // Compared as doubles: a box far outside the int range (or NaN) covers
    // nothing instead of overflowing a conversion.
    if (!(std::floor(double{m.body.box_min[a]}) <= cell && cell < std::ceil(double{m.body.box_max[a]})))
      return false;
  }
  return true;
}

// Calls f for each covering mob in search order until it returns false.
template <class F> void for_covering(Wmap const& w, glm::ivec3 cell, F&& f) {
  Page_range r(cell);
  for (int x = r.lo.x; x <= r.hi.x; ++x)
    for (int y = r.lo.y; y <= r.hi.y; ++y)
      for (int z = r.lo.z; z <= r.hi.z; ++z) {
        Wmap_page const* p = w.find({x, y, z});
        if (!p) continue;
        for (Mob* m : p->mobs)
          if (covers(*m, cell) && !f(m)) return;
      }
}

} // namespace

Wmap_page::Wmap_page() : cells(full_air_()), light(full_light_()) {
  data.max_load_factor(1.0f);
  paints.max_load_factor(1.0f);
}

Page<Cell_id> const& Wmap_page::full_air_() {
  static Page<Cell_id> const& p = keep<Cell_id>(cell_db()["basic.none"].id);
  return p;
}

Page<Cell_id> const& Wmap_page::full_water_() {
  static Page<Cell_id> const& p = keep<Cell_id>(cell_db()["basic.water"].id);
  return p;
}

Page<Cell_id> const& Wmap_page::full_bedrock_() {
  static Page<Cell_id> const& p = keep<Cell_id>(cell_db()["basic.stone"].id);
  return p;
}

Page<Light> const& Wmap_page::full_dark_() {
  static Page<Light> const& p = keep<Light>(0);
  return p;
}

Page<Light> const& Wmap_page::full_light_() {
  static Page<Light> const& p = keep<Light>(15);
  return p;
}

Cell_id Wmap::get_cell(glm::ivec3 cell) const {
  Wmap_page const* p = find(page_of(cell));
  return p ? p->cells[cell_index(cell.x, cell.y, cell.z)] : Cell_id{0};
}

Light Wmap::get_light(glm::ivec3 cell) const {
  Wmap_page const* p = find(page_of(cell));
  return p ? p->light[cell_index(cell.x, cell.y, cell.z)] : Light{15};
}

Cell_data* Wmap::get_data(glm::ivec3 cell) {
  Wmap_page* p = find(page_of(cell));
  if (!p) return nullptr;
  auto it = p->data.find(static_cast<std::int16_t>(cell_index(cell.x, cell.y, cell.z)));
  return it == p->data.end() ? nullptr : &it->second;
}

bool Wmap::cell_has_mob(glm::ivec3 cell) const {
  bool found = false;
  for_covering(*this, cell, [&](Mob*) { return !(found = true); });
  return found;
}

std::vector<Mob*> Wmap::mobs_in_cell(glm::ivec3 cell) const {
  std::vector<Mob*> out;
  for_covering(*this, cell, [&](Mob* m) {
    out.push_back(m);
    return true;
  });
  return out;
}
