#include "world/light_page_initializer.hpp"

#include "content/cell_db.hpp"
#include "world/light_calculator.hpp"
#include "world/scene.hpp"

#include <SDL.h>

#include <algorithm>
#include <atomic>

void Light_page_initializer::operator()() {
  Fmap_page const* flat = scene.fmap.pages.find(glm::ivec2(position.x, position.z));
  if (!flat) {
    // The pipeline loads the flat window before the pages; should that ever
    // fail the page waits here rather than guess its sunlight.
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
      SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "flat page %d,%d is not loaded; page %d,%d,%d waits for its light\n",
                  position.x, position.z, position.x, position.y, position.z);
    return;
  }
  // Only a page of nothing but air may take the shared lit array and the
  // empty flag: anything else in it must still be drawn.
  if (page_is_empty(*flat) && page_is_air())
    only_light();
  else if (page_is_full())
    only_dark();
  else
    mixed(*flat);
}

bool Light_page_initializer::page_is_empty(Fmap_page const& flat) const {
  int const base = 16 * position.y;
  return std::all_of(flat.columns.begin(), flat.columns.end(), [base](Fmap_cell const& c) { return base > c.l4; });
}

bool Light_page_initializer::page_is_full() const {
  Cell_database const& types = cell_db();
  Cell_id const* ids = page.cells.data();
  Cell_id last = ids[0];
  if (types[last].opacity != Cell_opacity::opaque) return false;
  for (int i = 1; i < page_cells; ++i)
    if (ids[i] != last) {
      last = ids[i];
      if (types[last].opacity != Cell_opacity::opaque) return false;
    }
  return true;
}

bool Light_page_initializer::page_is_air() const {
  Page<Cell_id> const& air = Wmap_page::full_air_();
  if (page.cells.same_array(air)) return true;
  Cell_id const* ids = page.cells.data();
  return std::all_of(ids, ids + page_cells, [id = air[0]](Cell_id c) { return c == id; });
}

void Light_page_initializer::only_light() {
  page.light = Wmap_page::full_light_();
  page.set(Wmap_page::empty);
  page.stage.fetch_add(1);
}

void Light_page_initializer::only_dark() {
  page.light = Wmap_page::full_dark_();
  page.clear(Wmap_page::empty);
  page.stage.store(5);
}

void Light_page_initializer::mixed(Fmap_page const& flat) {
  Profiler::Guard timing(scene.light_init);
  Opaque_mask const opaque = opaque_cells(page);
  int const base = 16 * position.y;

  // Sunlight: full at and above each column's sunlight level, dark below.
  // Opaque cells are walls wherever they stand, so a stale level can't make
  // them shine.
  Light_calculator sun(scene, position, page);
  for (int x = 0; x < 16; ++x)
    for (int z = 0; z < 16; ++z) {
      int const k = std::clamp(flat.columns[16 * x + z].l4 - base, 0, 16);
      for (int y = 0; y < 16; ++y)
        sun.at(x + 1, y + 1, z + 1) = opaque[cell_index(x, y, z)] ? light_wall : y < k ? 0 : 15;
    }
  sun.close_shell();
  sun.seed_page();
  sun.fill();

  // Spotlight: what each open cell emits.
  Light_calculator spot(scene, position, page);
  Cell_light_memo types;
  Cell_id const* ids = page.cells.data();
  for (int x = 0; x < 16; ++x)
    for (int y = 0; y < 16; ++y)
      for (int z = 0; z < 16; ++z) {
        Cell_light_memo::Entry const& t = types(ids[cell_index(x, y, z)]);
        spot.at(x + 1, y + 1, z + 1) = t.opaque ? light_wall : t.emits;
      }
  spot.close_shell();
  spot.seed_page();
  spot.fill();

  copy_buffer(page, sun, spot);
  page.clear(Wmap_page::empty);
  page.stage.fetch_add(1);
}
