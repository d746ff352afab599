// Cell and face edits: the page changes at once; the pages around it go back
// through light and meshing over the next frames.
#include "world/builder_impl.hpp"
#include "world/scene.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

bool opaque(Cell_id id) { return cell_db()[id].opacity == Cell_opacity::opaque; }

// A page that has its cells. One still at stage 0 is all air until its fill
// or file replaces it, so an edit there would be lost, or worse, saved over
// its file.
Wmap_page* filled(Wmap& wmap, glm::ivec3 page) {
  Wmap_page* p = wmap.find(page);
  return p && p->stage.load() != 0 ? p : nullptr;
}

constexpr int level_min = std::numeric_limits<std::int16_t>::min();
constexpr int level_max = std::numeric_limits<std::int16_t>::max();

} // namespace

void Builder::Impl::change_cell(glm::ivec3 const& cell, Cell_id id) {
  int const x = cell.x, y = cell.y, z = cell.z;
  // The column's sunlight level may become y + 1, which must fit its 16 bits.
  if (y < level_min || y >= level_max) return;
  Wmap_page* page = filled(scene.wmap, page_of(cell));
  if (!page) return;
  auto const i = static_cast<std::int16_t>(cell_index(x, y, z));
  page->data.erase(i); // a container's items go with it
  for (int face = 0; face < 6; ++face) page->paints.erase(static_cast<std::int16_t>(face * page_cells + i));

  int y0 = y; // lowest height whose light may change
  if (Fmap_cell* column = scene.fmap.column(x, z)) {
    Fmap_page* flat = scene.fmap.pages.find({x >> 4, z >> 4});
    int const level = column->l4;
    if (opaque(id)) {
      if (level <= y) {
        column->l4 = static_cast<std::int16_t>(y + 1);
        flat->flags |= Fmap_page::dirty;
        y0 = level;
      }
    } else if (y == level - 1) {
      // The column's top opaque cell went: sunlight now reaches down to the
      // next opaque cell, or as far as the loaded cells tell.
      int h = y - 1;
      for (;; --h) {
        Wmap_page const* below = filled(scene.wmap, page_of({x, h, z}));
        if (!below) break;
        Cell_id c = below->cells[cell_index(x, h, z)];
        if (c == 0 || opaque(c)) break;
      }
      int const fresh = std::max(h + 1, level_min);
      column->l4 = static_cast<std::int16_t>(fresh);
      flat->flags |= Fmap_page::dirty;
      y0 = fresh;
    }
  }

  page->cells.set(i, id);
  if (std::uint8_t capacity = cell_db()[id].capacity) page->data[i] = Cell_data{Inventory(capacity)};
  relight(glm::ivec3(x - 14, y0 - 14, z - 14) >> 4, glm::ivec3(x + 14, y + 14, z + 14) >> 4);
}

void Builder::Impl::relight(glm::ivec3 lo, glm::ivec3 hi) {
  // Only pages of the box can be loaded.
  lo = glm::max(lo, center - table_radius);
  hi = glm::min(hi, center + table_radius);
  for (int x = lo.x; x <= hi.x; ++x)
    for (int y = lo.y; y <= hi.y; ++y)
      for (int z = lo.z; z <= hi.z; ++z) {
        glm::ivec3 p{x, y, z};
        Wmap_page* page = filled(scene.wmap, p);
        if (!page) continue; // its fill still lies ahead and lights it anyway
        page->set(Wmap_page::dirty); // its light, which the file keeps, changes
        page->stage = 1;
        put_back(p);
      }
}

void Builder::Impl::change_face(glm::ivec3 const& cell, int face, Cell_id id) {
  if (face < 0 || face > 5) return;
  Wmap_page* page = filled(scene.wmap, page_of(cell));
  if (!page) return;
  auto const key = static_cast<std::int16_t>(face * page_cells + cell_index(cell.x, cell.y, cell.z));
  if (id == 0) page->paints.erase(key);
  else page->paints[key] = id;
  page->set(Wmap_page::dirty);
  if (page->stage.load() >= 7) {
    page->stage = 6;
    put_back(page_of(cell));
  }
}
