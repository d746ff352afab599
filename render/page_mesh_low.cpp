// Low detail: faces found layer by layer on each side and equal neighbours
// (same texture layer, same light) merged greedily into rectangles. No corner
// light, occlusion, variants or orientation; semiclear cells show only
// toward billboard or clear cells (the sea's surface, not its inside).
#include "render/page_faces.hpp"
#include "render/page_mesh.hpp"
#include "render/quad_writer.hpp"
#include "render/side.hpp"
#include "world/wmap.hpp"

#include <bit>

template <class S>
struct Cube_mesh_builder_ld {
  using Steps = Side_steps<S>;

  Quad_writer& out;
  Wmap_page const& page;
  Wmap_buffer const& buffer;
  Cell_models const& models;
  Face_rows::Layer const* layers; // this side's face rows, by layer

  // Per (row, column) of the current layer: texture layer | light << 16.
  std::array<std::array<std::uint32_t, 16>, 16> mask;
  std::array<std::uint16_t, 16> columns; // per column, the rows still to emit

  void operator()() {
    for (int layer = 0; layer < 16; ++layer) process_layer(layer);
  }

  void process_layer(int layer) {
    Face_rows::Layer const& rows = layers[layer];
    columns.fill(0);
    bool any = false;
    for (int r = 0; r < 16; ++r) {
      unsigned m = rows[r];
      any |= m != 0;
      for (; m; m &= m - 1) {
        int const c = std::countr_zero(m);
        mask[r][c] = face(r, c, layer);
        columns[c] |= std::uint16_t(1u << r);
      }
    }
    if (any) merge(layer);
  }

  std::uint32_t face(int r, int c, int layer) const {
    int const b = Steps::origin + r * Steps::row + c * Steps::column + layer * Steps::layer;
    Cell_id id = buffer.cells[b];
    if (!page.paints.empty()) {
      Cell_xyz const p = S::cell(r, c, layer);
      auto const it = page.paints.find(std::int16_t(S::face * 4096 + cell_index(p.x, p.y, p.z)));
      if (it != page.paints.end()) id = it->second;
    }
    Tex_range const range = models.model(id).texture[S::face];
    std::uint32_t const texture = (range.count == 1 ? range.first : range.get(1)) & Tex_range::layer_mask;
    return texture | std::uint32_t(buffer.light[b + Steps::front]) << 16;
  }

  // Columns outermost, rows within: a run down the column first, then grown
  // across the next columns while the whole run matches.
  void merge(int layer) {
    for (int c0 = 0; c0 < 16; ++c0)
      while (columns[c0]) {
        int const r0 = std::countr_zero(unsigned(columns[c0]));
        std::uint32_t const key = mask[r0][c0];
        int r1 = r0 + 1;
        while (r1 < 16 && (columns[c0] >> r1 & 1) && mask[r1][c0] == key) ++r1;
        std::uint16_t const run = std::uint16_t(((1u << (r1 - r0)) - 1) << r0);
        columns[c0] &= std::uint16_t(~run);
        int c1 = c0 + 1;
        while (c1 < 16 && (columns[c1] & run) == run && same(r0, r1, c1, key)) {
          columns[c1] &= std::uint16_t(~run);
          ++c1;
        }
        emit(r0, r1, c0, c1, layer, key);
      }
  }

  bool same(int r0, int r1, int c, std::uint32_t key) const {
    for (int r = r0; r < r1; ++r)
      if (mask[r][c] != key) return false;
    return true;
  }

  void emit(int r0, int r1, int c0, int c1, int layer, std::uint32_t key) {
    auto const h = std::uint8_t(r1 - r0), w = std::uint8_t(c1 - c0);
    unsigned const light = key >> 16;
    std::uint64_t const k[4] = {vertex_head(S::corner(r1, c0, layer), light, 0, 0, 0, w),
                                vertex_head(S::corner(r0, c0, layer), light, 0, 0, h, w),
                                vertex_head(S::corner(r0, c1, layer), light, 0, 0, h, 0),
                                vertex_head(S::corner(r1, c1, layer), light, 0, 0, 0, 0)};
    out.quad(S::face, k, std::uint16_t(key));
  }
};

Cube_mesh_data generate_mesh_low(Wmap const& wmap, glm::ivec3 const& page, Cell_models const& models) {
  Cube_mesh_data out;
  Wmap_buffer buffer;
  Wmap_page const* p = read_page(wmap, page, buffer);
  if (!p) return out;

  // Walking inward from the border, a solid cell shows a face exactly where
  // the cell before it is see-through, lit by that cell: so each face
  // depends only on its cell and its front cell.
  Entry_flags flags;
  classify(buffer, models, flags);
  Face_bits bits;
  low_detail_faces(flags, bits);
  Face_rows const rows(bits);
  { // the writer hands over its last block when it goes
    Quad_writer writer(out);

    for_each_side([&]<class S>(S) {
      if (S::face > 0) out.ends[S::face] = out.ends[S::face - 1];
      if (rows.faces[S::face]) Cube_mesh_builder_ld<S>{writer, *p, buffer, models, rows.sides[S::face].data(), {}, {}}();
    });
  }
  return out;
}
