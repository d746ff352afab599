#pragma once
// Quads gathered in a small block and appended to a mesh's vertex list a
// block at a time: the meshers' hottest stores, kept to two per vertex.
#include "render/cube_page.hpp"
#include "render/side.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "vertex bytes are composed little-endian");

// Bytes 0 to 7 of a vertex: position, light, occlusion, effects, u, v.
constexpr std::uint64_t vertex_head(Cell_xyz p, unsigned light, unsigned occlusion, unsigned effects, unsigned u,
                                    unsigned v) {
  return std::uint64_t(std::uint8_t(p.x)) | std::uint64_t(std::uint8_t(p.y)) << 8 |
         std::uint64_t(std::uint8_t(p.z)) << 16 | std::uint64_t(light & 255) << 24 |
         std::uint64_t(occlusion & 255) << 32 | std::uint64_t(effects & 255) << 40 | std::uint64_t(u & 255) << 48 |
         std::uint64_t(v & 255) << 56;
}

// A side's lattice corners as packed vertex heads: the corner (i, j) of a
// layer from the head of (0, 0), one step per row and column. The steps are
// split into the bytes that grow and those that shrink, so that adding the
// growing ones first never borrows across bytes.
template <class S>
struct Corner_steps {
  static constexpr std::uint64_t bytes(int dx, int dy, int dz) {
    return std::uint64_t(dx > 0 ? dx : 0) | std::uint64_t(dy > 0 ? dy : 0) << 8 | std::uint64_t(dz > 0 ? dz : 0) << 16;
  }
  static constexpr Cell_xyz o = S::corner(0, 0, 0), r = S::corner(1, 0, 0), c = S::corner(0, 1, 0);
  static constexpr std::uint64_t row_up = bytes(r.x - o.x, r.y - o.y, r.z - o.z);
  static constexpr std::uint64_t row_down = bytes(o.x - r.x, o.y - r.y, o.z - r.z);
  static constexpr std::uint64_t column_up = bytes(c.x - o.x, c.y - o.y, c.z - o.z);
  static constexpr std::uint64_t column_down = bytes(o.x - c.x, o.y - c.y, o.z - c.z);

  static constexpr std::uint64_t at(std::uint64_t head, unsigned i, unsigned j) {
    return head + i * row_up + j * column_up - i * row_down - j * column_down;
  }
};

class Quad_writer {
public:
  explicit Quad_writer(Cube_mesh_data& out) : out_(out) {}
  ~Quad_writer() { flush(); }
  Quad_writer(Quad_writer const&) = delete;
  Quad_writer& operator=(Quad_writer const&) = delete;

  // Two triangles k0 k1 k2 and k0 k2 k3, counted in the side's end.
  void quad(int side, std::uint64_t const (&k)[4], std::uint16_t layer) {
    if (n_ + 6 > block) flush();
    auto* at = reinterpret_cast<unsigned char*>(block_ + n_);
    int const order[6] = {0, 1, 2, 0, 2, 3};
#pragma GCC unroll 6
    for (int i = 0; i < 6; ++i) {
      std::memcpy(at + sizeof(Cube_vertex) * i, &k[order[i]], 8);
      std::memcpy(at + sizeof(Cube_vertex) * i + 8, &layer, 2);
    }
    n_ += 6;
    out_.ends[side] += 6;
  }

  void flush() {
    out_.vertices.insert(out_.vertices.end(), block_, block_ + n_);
    n_ = 0;
  }

private:
  static constexpr int block = 600; // vertices

  Cube_mesh_data& out_;
  int n_ = 0;
  Cube_vertex block_[block];
};
