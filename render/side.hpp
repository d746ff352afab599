#pragma once
// The six sides of a page, each with its own frame: on side s, layer L (0 is
// the page's outermost layer on that side, the meshers walk inward), row r
// and column c name a cell; the cell one step outward (layer L - 1) is its
// front cell, against which its face on s is drawn. Lattice corners (i, j),
// 0..16, at layer L are points of that face plane.
//
// The face of (r, c) spans the corners (r, c) to (r + 1, c + 1); taken in the
// order (r + 1, c), (r, c), (r, c + 1), then (r + 1, c), (r, c + 1),
// (r + 1, c + 1), both triangles wind counter-clockwise seen from the front
// cell on every side.
#include "render/wmap_buffer.hpp"

struct Cell_xyz {
  int x, y, z;
};

struct Side_l {
  static constexpr int face = 0;
  static constexpr Cell_xyz cell(int r, int c, int L) { return {L, c, 15 - r}; }
  static constexpr Cell_xyz corner(int i, int j, int L) { return {L, j, 16 - i}; }
};
struct Side_r {
  static constexpr int face = 1;
  static constexpr Cell_xyz cell(int r, int c, int L) { return {15 - L, c, r}; }
  static constexpr Cell_xyz corner(int i, int j, int L) { return {16 - L, j, i}; }
};
struct Side_d {
  static constexpr int face = 2;
  static constexpr Cell_xyz cell(int r, int c, int L) { return {15 - r, L, c}; }
  static constexpr Cell_xyz corner(int i, int j, int L) { return {16 - i, L, j}; }
};
struct Side_u {
  static constexpr int face = 3;
  static constexpr Cell_xyz cell(int r, int c, int L) { return {r, 15 - L, c}; }
  static constexpr Cell_xyz corner(int i, int j, int L) { return {i, 16 - L, j}; }
};
struct Side_f {
  static constexpr int face = 4;
  static constexpr Cell_xyz cell(int r, int c, int L) { return {r, c, L}; }
  static constexpr Cell_xyz corner(int i, int j, int L) { return {i, j, L}; }
};
struct Side_b {
  static constexpr int face = 5;
  static constexpr Cell_xyz cell(int r, int c, int L) { return {15 - r, c, 15 - L}; }
  static constexpr Cell_xyz corner(int i, int j, int L) { return {16 - i, j, 16 - L}; }
};

// The side's frame as steps through the padded buffer, so the meshers' inner
// loops add constants instead of mapping coordinates.
template <class S>
struct Side_steps {
  static constexpr int at(int r, int c, int L) {
    Cell_xyz p = S::cell(r, c, L);
    return Wmap_buffer::index(p.x + 1, p.y + 1, p.z + 1);
  }
  static constexpr int origin = at(0, 0, 0);
  static constexpr int row = at(1, 0, 0) - origin;
  static constexpr int column = at(0, 1, 0) - origin;
  static constexpr int layer = at(0, 0, 1) - origin;
  static constexpr int front = -layer; // from a cell to its front cell
};

// Calls f(Side_x{}) for the six sides in face order.
template <class F>
void for_each_side(F&& f) {
  f(Side_l{});
  f(Side_r{});
  f(Side_d{});
  f(Side_u{});
  f(Side_f{});
  f(Side_b{});
}
