#pragma once
// Small worlds for the page meshers: a table of pages filled cell by cell, a
// fixed set of cell types with known textures, and meshes read back as the
// unit faces they cover.
#include "render/cell_models.hpp"
#include "render/cube_page.hpp"
#include "render/page_mesh.hpp"
#include "world/wmap.hpp"

#include <gtest/gtest.h>

#include <glm/common.hpp>
#include <glm/vec3.hpp>

#include <algorithm>
#include <array>
#include <ostream>
#include <set>
#include <tuple>
#include <vector>

namespace mesh {

// Cell types of the test worlds. Textures: the id times 16 plus the face,
// except where noted.
enum Type : Cell_id {
  none = 0,      // the nameless type
  air = 1,       // clear
  stone = 2,     // opaque
  dirt = 3,      // opaque
  leaves = 4,    // semiopaque
  water = 5,     // semiclear
  flower = 6,    // billboard
  grass = 7,     // opaque; four variants per face, the top ones flipped; effects 3
  stone_flip = 8,// opaque; stone's layers flipped in y
  glass = 9,     // semiopaque; textured like leaves
  bare = 10,     // past both tables: opaque, the default model (untextured)
};

inline std::uint16_t texture_of(Cell_id id, int face) { return std::uint16_t(id * 16 + face); }

inline Cell_models const& models() {
  static Cell_models const m = [] {
    using O = Cell_opacity;
    std::vector<O> opacity{O::opaque,    O::clear,  O::opaque, O::opaque, O::semiopaque,
                           O::semiclear, O::billboard, O::opaque, O::opaque, O::semiopaque};
    std::vector<Cell_model> model(8);
    for (Cell_id id = 1; id < 8; ++id)
      for (int f = 0; f < 6; ++f) model[id].texture[f] = Tex_range{texture_of(id, f), 1};
    for (int f = 0; f < 6; ++f) model[grass].texture[f].count = 4;
    model[grass].texture[3].first |= Tex_range::flip_x;
    model[grass].effects = 3;
    model.push_back(model[stone]);
    for (auto& t : model.back().texture) t.first |= Tex_range::flip_y;
    model.push_back(model[leaves]);
    return Cell_models(opacity, model);
  }();
  return m;
}

inline constexpr std::array<glm::ivec3, 6> outward{
    glm::ivec3{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};

// The 27 offsets of a cell or page and its neighbours.
inline glm::ivec3 around(int i) { return glm::ivec3(i / 9, i / 3 % 3, i % 3) - 1; }

struct World {
  Wmap wmap{glm::ivec3(8)};

  // A page of one type and one light byte.
  Wmap_page& page(glm::ivec3 p, Cell_id fill, Light light = 0x0F) {
    Wmap_page& pg = wmap.insert(p);
    pg.cells = Page<Cell_id>(fill);
    pg.light = Page<Light>(light);
    return pg;
  }
  // The page and its 26 neighbours alike.
  void pages(glm::ivec3 p, Cell_id fill) {
    for (int i = 0; i < 27; ++i) page(p + around(i), fill);
  }

  // World cells; the page must be there.
  void set(glm::ivec3 c, Cell_id id) { wmap.find(page_of(c))->cells.set(cell_index(c.x, c.y, c.z), id); }
  void light(glm::ivec3 c, Light l) { wmap.find(page_of(c))->light.set(cell_index(c.x, c.y, c.z), l); }
  void box(glm::ivec3 lo, glm::ivec3 hi, Cell_id id) {
    for (int x = lo.x; x <= hi.x; ++x)
      for (int y = lo.y; y <= hi.y; ++y)
        for (int z = lo.z; z <= hi.z; ++z) set({x, y, z}, id);
  }
  void paint(glm::ivec3 c, int face, Cell_id id) {
    wmap.find(page_of(c))->paints[std::int16_t(face * 4096 + cell_index(c.x, c.y, c.z))] = id;
  }

  // What a mesher sees: id 0 and light 0 outside the loaded pages.
  Cell_id id_at(glm::ivec3 c) const {
    Wmap_page const* p = wmap.find(page_of(c));
    return p ? p->cells[cell_index(c.x, c.y, c.z)] : Cell_id(0);
  }
  Light light_at(glm::ivec3 c) const {
    Wmap_page const* p = wmap.find(page_of(c));
    return p ? p->light[cell_index(c.x, c.y, c.z)] : Light(0);
  }

  // Page (0, 0, 0) and its 26 neighbours, all air in sunlight.
  static World open() {
    World w;
    w.pages({}, air);
    return w;
  }

  Cube_mesh_data high(glm::ivec3 p = {}) const { return mesh_page(wmap, p, 0, models()); }
  Cube_mesh_data low(glm::ivec3 p = {}) const { return mesh_page(wmap, p, 1, models()); }
};

// One quad of a mesh: its side, the corners k0..k3 and the box of cells
// (page-relative) whose faces it covers.
struct Quad {
  int side = -1;
  std::array<Cube_vertex, 6> v;
  glm::ivec3 lo, hi; // inclusive cell box

  Cube_vertex const& k(int i) const { return v[i == 3 ? 5 : i]; }
};

inline glm::ivec3 pos(Cube_vertex const& v) { return {v.x, v.y, v.z}; }

// The quads of a mesh in order, each placed on the side whose run holds it.
// The cells are found from the corners and the side, not from the winding.
inline std::vector<Quad> quads(Cube_mesh_data const& m) {
  std::vector<Quad> out;
  for (std::size_t q = 0; q + 6 <= m.vertices.size(); q += 6) {
    Quad d;
    for (int i = 0; i < 6; ++i) d.v[i] = m.vertices[q + i];
    d.side = 0;
    while (d.side < 5 && q >= m.ends[d.side]) ++d.side;
    glm::ivec3 lo = pos(d.v[0]), hi = lo;
    for (auto const& v : d.v) lo = glm::min(lo, pos(v)), hi = glm::max(hi, pos(v));
    // The cells lie behind the face plane, away from the outward direction.
    d.lo = lo, d.hi = hi - 1;
    for (int ax = 0; ax < 3; ++ax)
      if (int const n = outward[d.side][ax]) d.lo[ax] = d.hi[ax] = lo[ax] - (n > 0);
    out.push_back(d);
  }
  return out;
}

// (side, x, y, z) of every unit face a mesh covers; a face covered twice
// shows up in `twice`.
struct Faces {
  std::set<std::tuple<int, int, int, int>> all, twice;
};
inline Faces faces(Cube_mesh_data const& m) {
  Faces f;
  for (Quad const& q : quads(m))
    for (int x = q.lo.x; x <= q.hi.x; ++x)
      for (int y = q.lo.y; y <= q.hi.y; ++y)
        for (int z = q.lo.z; z <= q.hi.z; ++z)
          if (!f.all.insert({q.side, x, y, z}).second) f.twice.insert({q.side, x, y, z});
  return f;
}

// A low-detail quad as the tests state it: side, cell box, light and layer of k0.
struct Q {
  int side;
  glm::ivec3 lo, hi;
  int light, layer;
  auto key() const { return std::tuple(side, lo.x, lo.y, lo.z, hi.x, hi.y, hi.z, light, layer); }
  bool operator<(Q const& o) const { return key() < o.key(); }
  bool operator==(Q const& o) const { return key() == o.key(); }
};
inline void PrintTo(Q const& q, std::ostream* os) {
  *os << q.side << " (" << q.lo.x << ' ' << q.lo.y << ' ' << q.lo.z << ")-(" << q.hi.x << ' ' << q.hi.y << ' '
      << q.hi.z << ") " << q.light << ' ' << q.layer;
}

// The axes of each side's rows and columns.
inline constexpr int row_axis[6] = {2, 2, 0, 0, 0, 0};
inline constexpr int column_axis[6] = {1, 1, 2, 2, 1, 1};

// Every low-detail quad: both triangles k0 k1 k2, k0 k2 k3; texture
// coordinates counting the rectangle's cells; one light and layer; no
// occlusion, effects or orientation. Returns the quads sorted.
inline std::vector<Q> low_detail_quads(Cube_mesh_data const& m) {
  std::vector<Q> out;
  EXPECT_EQ(m.vertices.size() % 6, 0u);
  EXPECT_EQ(m.ends[5], m.vertices.size());
  for (Quad const& q : quads(m)) {
    int const h = q.hi[row_axis[q.side]] - q.lo[row_axis[q.side]] + 1;
    int const w = q.hi[column_axis[q.side]] - q.lo[column_axis[q.side]] + 1;
    int const uv[6][2] = {{0, w}, {h, w}, {h, 0}, {0, w}, {h, 0}, {0, 0}};
    for (int i = 0; i < 6; ++i) {
      Cube_vertex const& v = q.v[i];
      EXPECT_EQ(std::tuple(v.u, v.v, v.occlusion, v.effects), std::tuple(uv[i][0], uv[i][1], 0, 0));
      EXPECT_EQ(std::tuple(v.light, v.layer), std::tuple(q.v[0].light, q.v[0].layer));
      EXPECT_EQ(v.layer & ~Tex_range::layer_mask, 0);
    }
    EXPECT_EQ(pos(q.v[3]), pos(q.v[0]));
    EXPECT_EQ(pos(q.v[4]), pos(q.v[2]));
    out.push_back({q.side, q.lo, q.hi, q.k(0).light, q.k(0).layer});
  }
  std::sort(out.begin(), out.end());
  return out;
}

} // namespace mesh
