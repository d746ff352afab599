#pragma once
// One frame of body physics: steering within the acceleration limit,
// gravity, the lift of buoyant cells, the drag of slow cells, the push
// between overlapping solid mobs and the move against blocking cells, axis by
// axis (x, then z, then y). Every rate is per frame.
#include "world/body.hpp"
#include "world/wmap.hpp"

struct Physics {
  static constexpr float gravity = 0.05f;
  static constexpr float lift = 0.15f;     // upward push of a submerged body
  static constexpr float damping = 0.8f;   // speed kept when submerged
  static constexpr float drag = 0.85f;     // horizontal speed kept in a slow cell
  static constexpr float sink = 0.5f;      // falling speed kept in a slow cell
  static constexpr float push = 0.01f;     // between two overlapping solid bodies
  static constexpr double gap = 0.001;     // left between a stopped body and the cell
  static constexpr float mob_reach = 4.0f; // cells searched for bodies to push
  // Bounds that keep one step's work small whatever a script or file did.
  static constexpr float max_speed = 64.0f; // cells per frame per axis
  static constexpr float max_size = 64.0f;  // half extents

  Wmap& wmap;
  Body& body;

  void update();

  void update_acceleration();
  void update_buoyancy();
  void update_drag();
  void update_bbox();
  void collide_with_mobs();
  void collide_with_mob(Body& other);
  void collide_with_cells();
  // Moves along axis A (0 x, 1 y, 2 z) by a positive or negative velocity;
  // true when a blocking cell stopped the body.
  template <int A> bool move_pos();
  template <int A> bool move_neg();

private:
  void bound_inputs();
  template <int A> void collide_axis();
};

void update_physics(Wmap& wmap, Body& body);
