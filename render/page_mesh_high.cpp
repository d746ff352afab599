// High detail: a quad per visible face with smoothed corner light, an
// occlusion mask of the closed cells around it, a texture variant per
// position and the model's effects byte.
#include "render/page_faces.hpp"
#include "render/page_mesh.hpp"
#include "render/quad_writer.hpp"
#include "render/randomizer.hpp"
#include "render/side.hpp"
#include "world/wmap.hpp"

#include <bit>

// The light of a lattice corner from the four cells of the face plane around
// it, weighing 1 (row - 1, column - 1), 2 (row, column - 1), 4 (row - 1,
// column) and 8 (row, column): the open ones (not closed) average their front
// cells' sunlight and spotlight apart, truncating. Two open cells that touch
// only at the corner take the face's own front light instead.
struct Corner_light {
  // Per set of open cells: how many, or 0 where only two diagonal ones are.
  static constexpr std::uint8_t count[16] = {0, 1, 1, 2, 1, 2, 0, 3, 1, 0, 2, 3, 2, 3, 3, 4};
  // x / n as (x * scale[n]) >> 8, exact for sums below 128.
  static constexpr unsigned scale[5] = {0, 256, 128, 86, 64};

  // `sums` holds the sunlight sum in bits 0-7 and the spotlight sum in 8-15.
  static unsigned of(unsigned set, unsigned sums, unsigned own) {
    if (set == 0) return 0;
    unsigned const n = count[set];
    if (n == 0) return own;
    return (((sums >> 8) * scale[n]) >> 8) << 4 | (((sums & 255) * scale[n]) >> 8);
  }
};

template <class S>
struct Cube_mesh_builder_hd {
  using Steps = Side_steps<S>;

  Quad_writer& out;
  Wmap_page const& page;
  Wmap_buffer const& buffer;
  Cell_models const& models;
  std::int32_t seed;
  Entry_flags const& flags;
  Face_rows::Layer const* layers; // this side's face rows, by layer

  // Rows r - 1 to r + 1 of one column of the face plane: whether each cell
  // is open (not closed) and, when it is, its front cell's sunlight (bits
  // 0-7) and spotlight (bits 8-15), spread so that sums don't carry.
  struct Column {
    unsigned open[3], light[3];
  };

  Column column(int r, int c, int layer) const {
    Column k;
    int const g = at(r - 1, c, layer);
#pragma GCC unroll 3
    for (int i = 0; i < 3; ++i) {
      unsigned const l = buffer.light[g + i * Steps::row + Steps::front];
      k.open[i] = !closed_against(buffer, flags, g + i * Steps::row, Steps::front);
      k.light[i] = k.open[i] ? (l & 15) | (l >> 4) << 8 : 0;
    }
    return k;
  }

  // Layers, then rows, then columns: the faces in the order they are drawn.
  // Neighbouring faces of a row share two of their three columns.
  void operator()() {
    for (int layer = 0; layer < 16; ++layer)
      for (int r = 0; r < 16; ++r) {
        Column w[3]{}; // every use follows an assignment; zeroed to keep the compiler sure
        int last = -2;
        for (unsigned m = layers[layer][r]; m; m &= m - 1) {
          int const c = std::countr_zero(m);
          if (c == last + 1) {
            w[0] = w[1];
            w[1] = w[2];
          } else {
            w[0] = column(r, c - 1, layer);
            w[1] = column(r, c, layer);
          }
          w[2] = column(r, c + 1, layer);
          last = c;
          cell_vertices(r, c, layer, w);
        }
      }
  }

  static constexpr int at(int r, int c, int layer) {
    return Steps::origin + r * Steps::row + c * Steps::column + layer * Steps::layer;
  }

  // One face, with the 3 x 3 cells of the face plane around it (by column,
  // then row): they give both the occlusion mask and the four corner lights.
  void cell_vertices(int r, int c, int layer, Column const (&w)[3]) {
    int const b = at(r, c, layer);
    // Bits 0 to 7 once around the face from (r + 1, c + 1); set when closed.
    unsigned const mask = (w[2].open[2] | w[2].open[1] << 1 | w[2].open[0] << 2 | w[1].open[0] << 3 |
                           w[0].open[0] << 4 | w[0].open[1] << 5 | w[0].open[2] << 6 | w[1].open[2] << 7) ^ 0xFF;
    unsigned const own = buffer.light[b + Steps::front];
    auto corner_light = [&](int a, int d) { // corner (r + a, c + d)
      unsigned const set = w[d].open[a] | w[d].open[a + 1] << 1 | w[d + 1].open[a] << 2 | w[d + 1].open[a + 1] << 3;
      return Corner_light::of(set, w[d].light[a] + w[d].light[a + 1] + w[d + 1].light[a] + w[d + 1].light[a + 1], own);
    };

    Cell_id id = buffer.cells[b];
    if (!page.paints.empty()) {
      Cell_xyz const p = S::cell(r, c, layer);
      auto const it = page.paints.find(std::int16_t(S::face * 4096 + cell_index(p.x, p.y, p.z)));
      if (it != page.paints.end()) id = it->second;
    }
    Cell_model const& model = models.model(id);
    Tex_range const range = model.texture[S::face];
    auto const variant = std::uint64_t(std::int64_t(randomizer(r, c, layer, seed)));
    auto const texture = std::uint16_t(range.count == 1 ? range.first : range.get(variant)); // spares a division

    std::uint64_t const head = vertex_head(S::corner(r, c, layer), 0, mask, model.effects, 0, 0);
    auto corner = [&](int a, int d, unsigned u, unsigned v) {
      return Corner_steps<S>::at(head, a, d) | vertex_head({}, corner_light(a, d), 0, 0, u, v);
    };
    std::uint64_t const k[4] = {corner(1, 0, 0, 1), corner(0, 0, 1, 1), corner(0, 1, 1, 0), corner(1, 1, 0, 0)};
    out.quad(S::face, k, texture);
  }
};

Cube_mesh_data generate_mesh_high(Wmap const& wmap, glm::ivec3 const& page, Cell_models const& models) {
  Cube_mesh_data out;
  Wmap_buffer buffer;
  Wmap_page const* p = read_page(wmap, page, buffer);
  if (!p) return out;
  std::int32_t const seed = page_seed(page);

  Entry_flags flags;
  classify(buffer, models, flags);
  Face_bits bits;
  high_detail_faces(buffer, flags, bits);
  Face_rows const rows(bits);
  out.vertices.reserve(6 * rows.total());
  { // the writer hands over its last block when it goes
    Quad_writer writer(out);

    for_each_side([&]<class S>(S) {
      if (S::face > 0) out.ends[S::face] = out.ends[S::face - 1];
      if (rows.faces[S::face])
        Cube_mesh_builder_hd<S>{writer, *p, buffer, models, seed, flags, rows.sides[S::face].data()}();
    });
  }
  return out;
}
