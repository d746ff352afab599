#include "world/physics.hpp"

#include "world/mob.hpp"

#include <glm/geometric.hpp>

#include <functional>

namespace {

enum class Touch { nothing, passes, blocks, slow, buoy };

// What a cell means to a body. Unloaded pages and id 0 are nothing.
Touch touch(Wmap const& wmap, glm::ivec3 c) {
  Cell_id id = wmap.get_cell(c);
  if (id == 0) return Touch::nothing;
  switch (cell_db()[id].collision) {
  case Cell_collision::solid:
  case Cell_collision::climb: return Touch::blocks;
  case Cell_collision::slow: return Touch::slow;
  case Cell_collision::buoy: return Touch::buoy;
  default: return Touch::passes;
  }
}

// NaN becomes 0.
float bounded(float v, float lo, float hi) {
  if (v >= lo) return v <= hi ? v : hi;
  return v < lo ? lo : 0.0f;
}

float half_extent(Body const& b, int axis) { return axis == 1 ? b.size.y : b.size.x; }

} // namespace

void update_physics(Wmap& wmap, Body& body) { Physics{wmap, body}.update(); }

void Physics::update() {
  // A body that lost its position has nowhere to move from.
  if (!finite(body.position)) return;
  bound_inputs();
  update_acceleration();
  update_buoyancy();
  update_drag();
  update_bbox();
  collide_with_mobs();
  for (int i = 0; i < 3; ++i) body.velocity[i] = bounded(body.velocity[i], -max_speed, max_speed);
  collide_with_cells();
}

void Physics::bound_inputs() {
  body.size.x = bounded(body.size.x, 0.0f, max_size);
  body.size.y = bounded(body.size.y, 0.0f, max_size);
  for (int i = 0; i < 3; ++i) body.velocity[i] = bounded(body.velocity[i], -max_speed, max_speed);
  body.wanted.x = bounded(body.wanted.x, -max_speed, max_speed);
  body.wanted.y = bounded(body.wanted.y, -max_speed, max_speed);
}

void Physics::update_acceleration() {
  glm::vec2 const now(body.velocity.x, body.velocity.z);
  glm::vec2 const d = body.wanted - now;
  float const len = glm::length(d);
  if (len > body.accel) body.wanted = now + d * (body.accel / len);
  body.velocity.x = body.wanted.x;
  body.velocity.z = body.wanted.y;
  if (!body.has(Body::no_gravity)) body.velocity.y -= gravity;
}

void Physics::update_buoyancy() {
  float const foot = body.position.y - body.size.y;
  float const head = body.position.y + body.size.y;
  int const x = floor_cell(body.position.x), z = floor_cell(body.position.z);
  int y = floor_cell(foot);
  if (touch(wmap, {x, y, z}) != Touch::buoy) {
    body.flags &= ~std::uint32_t(Body::in_liquid);
    return;
  }
  // The first level above the foot that is not buoyant, at most the head's.
  int const top = ceil_cell(head);
  while (y < top && touch(wmap, {x, y, z}) == Touch::buoy) ++y;
  // A body without height is wholly in the liquid it touches.
  float const f = head > foot ? (static_cast<float>(y) - foot) / (head - foot) : 1.0f;
  float up, keep;
  if (f > 1.0f) {
    up = lift;
    keep = damping;
  } else {
    up = lift * f;
    keep = (1.0f - f) + damping * f;
  }
  body.velocity.y = (body.velocity.y + up) * keep;
  body.velocity.x *= keep;
  body.velocity.z *= keep;
  body.flags |= Body::in_liquid;
}

void Physics::update_drag() {
  if (touch(wmap, floor_cell(body.position)) != Touch::slow) return;
  body.velocity.x *= drag;
  body.velocity.z *= drag;
  if (body.velocity.y < 0.0f) body.velocity.y *= sink;
}

void Physics::update_bbox() { body.update_box(); }

void Physics::collide_with_mobs() {
  if (!body.has(Body::solid)) return;
  glm::ivec3 lo, hi;
  for (int i = 0; i < 3; ++i) {
    lo[i] = floor_cell(body.position[i] - mob_reach) >> 4;
    hi[i] = ceil_cell(body.position[i] + mob_reach) >> 4;
  }
  for (int x = lo.x; x <= hi.x; ++x)
    for (int y = lo.y; y <= hi.y; ++y)
      for (int z = lo.z; z <= hi.z; ++z)
        if (Wmap_page* page = wmap.find({x, y, z}))
          for (Mob* m : page->mobs)
            if (m->body.has(Body::solid)) collide_with_mob(m->body);
}

void Physics::collide_with_mob(Body& other) {
  // Each pair once a frame: the body first in address order pushes both.
  if (!std::less<Body const*>{}(&body, &other)) return;
  if (body.position == other.position) return;
  for (int i = 0; i < 3; ++i)
    if (body.box_min[i] > other.box_max[i] || other.box_min[i] > body.box_max[i]) return;
  glm::vec3 const n = glm::normalize(other.position - body.position);
  body.velocity -= push * n;
  other.velocity += push * n;
}

void Physics::collide_with_cells() {
  collide_axis<0>();
  collide_axis<2>();
  collide_axis<1>();
}

namespace {

// Whether a layer of cells across axes B and C (every cell the box overlaps)
// holds a blocking cell.
template <int A> bool layer_blocks(Wmap const& wmap, Body const& body, int layer) {
  constexpr int B = (A + 1) % 3, C = (A + 2) % 3;
  int const b0 = floor_cell(body.box_min[B]), b1 = ceil_cell(body.box_max[B]) - 1;
  int const c0 = floor_cell(body.box_min[C]), c1 = ceil_cell(body.box_max[C]) - 1;
  glm::ivec3 cell;
  cell[A] = layer;
  for (int b = b0; b <= b1; ++b) {
    cell[B] = b;
    for (int c = c0; c <= c1; ++c) {
      cell[C] = c;
      if (touch(wmap, cell) == Touch::blocks) return true;
    }
  }
  return false;
}

} // namespace

template <int A> bool Physics::move_pos() {
  float const v = body.velocity[A];
  double const h = half_extent(body, A);
  int const first = floor_cell(body.box_max[A]);
  int const last = ceil_cell(body.box_max[A] + v) - 1;
  for (int layer = first; layer <= last; ++layer)
    if (layer_blocks<A>(wmap, body, layer)) {
      body.position[A] = static_cast<float>(layer - h - gap);
      body.velocity[A] = 0.0f;
      return true;
    }
  body.position[A] += v;
  return false;
}

template <int A> bool Physics::move_neg() {
  float const v = body.velocity[A];
  double const h = half_extent(body, A);
  int const first = ceil_cell(body.box_min[A]) - 1;
  int const last = floor_cell(body.box_min[A] + v);
  for (int layer = first; layer >= last; --layer)
    if (layer_blocks<A>(wmap, body, layer)) {
      body.position[A] = static_cast<float>(layer + h + (1.0 + gap));
      body.velocity[A] = 0.0f;
      return true;
    }
  body.position[A] += v;
  return false;
}

template <int A> void Physics::collide_axis() {
  float const v = body.velocity[A];
  bool& pos = body.contacts[A];
  bool& neg = body.contacts[A + 3];
  if (v > 0.0f) {
    pos = move_pos<A>();
    neg = false;
  } else if (v < 0.0f) {
    neg = move_neg<A>();
    pos = false;
  } else {
    pos = neg = false;
    return;
  }
  float const h = half_extent(body, A);
  body.box_min[A] = body.position[A] - h;
  body.box_max[A] = body.position[A] + h;
}

template bool Physics::move_pos<0>();
template bool Physics::move_pos<1>();
template bool Physics::move_pos<2>();
template bool Physics::move_neg<0>();
template bool Physics::move_neg<1>();
template bool Physics::move_neg<2>();
