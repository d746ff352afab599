#pragma once
// Which cells of a page show a face on each side, worked out over the whole
// padded buffer at once so the meshers visit only the layers and rows that
// have faces.
#include "render/cell_models.hpp"
#include "render/wmap_buffer.hpp"

#include <array>
#include <cstdint>

struct Wmap;
struct Wmap_page;

// How both meshers start: the page from the table (null when its slot is
// empty or holds another position) and the buffer around it. Also null when
// every buffer entry has one id, which shows no face at either detail; the
// light is read only when the page goes on to be meshed.
Wmap_page const* read_page(Wmap const& wmap, glm::ivec3 const& page, Wmap_buffer& buffer);

// The Cell_models::Flag bits of each buffer entry's type.
using Entry_flags = std::array<std::uint8_t, Wmap_buffer::size>;
void classify(Wmap_buffer const& buffer, Cell_models const& models, Entry_flags& out);

// Per buffer entry, bit s set when that page cell shows a face on side s;
// only the page's own cells (1..16 on every axis) are meaningful.
using Face_bits = std::array<std::uint8_t, Wmap_buffer::size>;

// Low detail: a solid cell has a face where its front cell is see-through,
// a semiclear one where its front cell is billboard or clear.
void low_detail_faces(Entry_flags const& flags, Face_bits& bits);

// High detail: a drawn cell has a face where its front cell neither closes
// nor has the cell's own id (touching cells of one type hide their faces).
void high_detail_faces(Wmap_buffer const& buffer, Entry_flags const& flags, Face_bits& bits);

// High detail, the state of a buffer entry on a side with that front offset:
// closed when its front closes, or when it is drawn and its front has its id.
// Closed cells darken the faces beside them and give them no light.
inline bool closed_against(Wmap_buffer const& buffer, Entry_flags const& flags, int entry, int front) {
  return (flags[entry + front] & Cell_models::closes) ||
         ((flags[entry] & Cell_models::drawn) && buffer.cells[entry] == buffer.cells[entry + front]);
}

// Per side, layer and row of the side's frame, the columns with a face.
struct Face_rows {
  using Layer = std::array<std::uint16_t, 16>; // by row; bit c: column c
  std::array<std::array<Layer, 16>, 6> sides{};
  std::array<std::uint32_t, 6> faces{};        // per side

  explicit Face_rows(Face_bits const& bits);
  std::uint32_t total() const { return faces[0] + faces[1] + faces[2] + faces[3] + faces[4] + faces[5]; }
};
