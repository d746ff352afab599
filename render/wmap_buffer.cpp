#include "render/wmap_buffer.hpp"

#include "world/wmap.hpp"

#include <cstring>
#include <optional>

namespace {

// Built row by row along z: each of the 18 x 18 rows takes one cell from the
// low z neighbour, 16 from the page of its (x, y) and one from the high z
// neighbour. A missing page reads as an array of zeros.
template <class T, class Arrays>
void read_all(Wmap const& wmap, glm::ivec3 const& page, T* dst, Arrays arrays) {
  static T const zeros[page_cells] = {};
  std::optional<Page<T>> snaps[27]; // keeps every array alive while it is copied
  T const* src[3][3][3];
  for (int dx = 0; dx < 3; ++dx)
    for (int dy = 0; dy < 3; ++dy)
      for (int dz = 0; dz < 3; ++dz) {
        Wmap_page const* p = wmap.find(page + glm::ivec3(dx - 1, dy - 1, dz - 1));
        src[dx][dy][dz] = p ? snaps[dx * 9 + dy * 3 + dz].emplace(arrays(*p).snapshot()).data() : zeros;
      }
  for (int x = 0; x < 18; ++x) {
    int const dx = x == 0 ? 0 : x == 17 ? 2 : 1, px = (x - 1) & 15;
    for (int y = 0; y < 18; ++y) {
      int const dy = y == 0 ? 0 : y == 17 ? 2 : 1, at = cell_index(px, y - 1, 0);
      T* row = dst + Wmap_buffer::index(x, y, 0);
      T const* const* s = src[dx][dy];
      row[0] = s[0][at + 15];
      std::memcpy(row + 1, s[1] + at, 16 * sizeof(T));
      row[17] = s[2][at];
    }
  }
}

} // namespace

Wmap_buffer::Wmap_buffer(Wmap const& wmap, glm::ivec3 const& page) {
  read_cells(wmap, page);
  read_light(wmap, page);
}

void Wmap_buffer::read_cells(Wmap const& wmap, glm::ivec3 const& page) {
  read_all(wmap, page, cells.data(), [](Wmap_page const& p) -> Page<Cell_id> const& { return p.cells; });
}

void Wmap_buffer::read_light(Wmap const& wmap, glm::ivec3 const& page) {
  read_all(wmap, page, light.data(), [](Wmap_page const& p) -> Page<Light> const& { return p.light; });
}

bool Wmap_buffer::uniform() const {
  Cell_id const first = cells[0];
  Cell_id diff = 0;
  for (Cell_id id : cells) diff |= Cell_id(id ^ first);
  return diff == 0;
}
