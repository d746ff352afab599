#include "world/raycast.hpp"

#include "world/scene.hpp"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <cmath>

Raycast_result raycast(Scene& scene, glm::vec3 const& origin, glm::vec3 const& vector) {
  return Raycast(scene, origin, vector).raycast();
}

int get_face(glm::vec3 const& point, glm::vec3 const& min, glm::vec3 const& max) {
  if (point.x < min.x) return 0;
  if (point.x > max.x) return 1;
  if (point.y < min.y) return 2;
  if (point.y > max.y) return 3;
  if (point.z < min.z) return 4;
  if (point.z > max.z) return 5;
  return -1;
}

Raycast::Raycast(Scene& scene_, glm::vec3 const& origin_, glm::vec3 const& vector_)
    : scene(scene_), origin(origin_), vector(vector_) {}

Raycast_result Raycast::raycast() {
  length = glm::length(vector);
  if (!finite(origin) || !std::isfinite(length) || length > max_length) return {};
  mobs = query_mobs(origin + vector * 0.5f, length * 0.5f + 2.0f);
  steps = static_cast<std::int32_t>(16.0f * length);
  if (steps == 0) return {};
  step = vector / static_cast<float>(steps);
  keep_mobs_near_the_march();
  point = origin;
  cell = floor_cell(origin);
  for (std::int32_t i = 0; i < steps; ++i) {
    previous_ = point;
    point += step;
    if (Raycast_result r = check_mobs(); r.kind != Raycast_result::Kind::nothing) return r;
    if (Raycast_result r = check_cells(); r.kind != Raycast_result::Kind::nothing) return r;
  }
  return {};
}

std::vector<Mob*> Raycast::query_mobs(glm::vec3 centre, float radius) {
  std::vector<Mob*> found;
  glm::ivec3 lo, hi;
  for (int i = 0; i < 3; ++i) {
    lo[i] = floor_cell(centre[i] - radius) >> 4;
    hi[i] = ceil_cell(centre[i] + radius) >> 4;
  }
  for (int x = lo.x; x <= hi.x; ++x)
    for (int y = lo.y; y <= hi.y; ++y)
      for (int z = lo.z; z <= hi.z; ++z)
        if (Wmap_page* page = scene.wmap.find({x, y, z})) found.insert(found.end(), page->mobs.begin(), page->mobs.end());
  return found;
}

void Raycast::keep_mobs_near_the_march() {
  // Each coordinate of the accumulated point moves one way only, so every
  // point of the march lies between the origin and the last point.
  glm::vec3 last = origin;
  for (std::int32_t i = 0; i < steps; ++i) last += step;
  glm::vec3 const lo = glm::min(origin, last), hi = glm::max(origin, last);
  std::erase_if(mobs, [&](Mob const* m) {
    Body const& b = m->body;
    return !(b.box_min.x <= hi.x && b.box_max.x >= lo.x && b.box_min.y <= hi.y && b.box_max.y >= lo.y &&
             b.box_min.z <= hi.z && b.box_max.z >= lo.z);
  });
}

Raycast_result Raycast::check_mobs() {
  for (Mob* m : mobs) {
    if (m == scene.player) continue;
    Body const& b = m->body;
    if (point.x >= b.box_min.x && point.x <= b.box_max.x && point.y >= b.box_min.y && point.y <= b.box_max.y &&
        point.z >= b.box_min.z && point.z <= b.box_max.z) {
      Raycast_result r;
      r.kind = Raycast_result::Kind::mob;
      r.mob = m->ref();
      return r;
    }
  }
  return {};
}

namespace {

// The face of the box [min, max] through which the segment from `from`
// (outside the box) to `to` (inside) enters it: the one crossed last.
int entry_face(glm::vec3 const& from, glm::vec3 const& to, glm::vec3 const& min, glm::vec3 const& max) {
  int face = -1;
  float latest = -1.0f;
  for (int i = 0; i < 3; ++i) {
    float t = -1.0f;
    if (from[i] < min[i]) t = (min[i] - from[i]) / (to[i] - from[i]);
    else if (from[i] > max[i]) t = (from[i] - max[i]) / (from[i] - to[i]);
    else continue;
    if (t > latest) latest = t, face = 2 * i + (from[i] > max[i]);
  }
  return face;
}

} // namespace

Raycast_result Raycast::check_cells() {
  // The exact walk along the segment: of the axes whose cell still differs
  // from the end's, the one whose cell boundary comes first (x, y, z on a tie).
  glm::ivec3 const end = floor_cell(point);
  glm::dvec3 const from(previous_), span = glm::dvec3(point) - from;
  if (cell == end) return check_cell(cell, -1, previous_ - glm::vec3(cell));
  while (cell != end) {
    int axis = -1;
    double first = 0.0;
    for (int i = 0; i < 3; ++i) {
      if (cell[i] == end[i]) continue;
      double const boundary = end[i] > cell[i] ? double(cell[i]) + 1.0 : double(cell[i]);
      double const t = (boundary - from[i]) / span[i];
      if (axis < 0 || t < first) axis = i, first = t;
    }
    int const forward = end[axis] > cell[axis];
    cell[axis] += forward ? 1 : -1;
    glm::vec3 local = glm::clamp(glm::vec3(from + span * first - glm::dvec3(cell)), 0.0f, 1.0f);
    local[axis] = forward ? 0.0f : 1.0f;
    // Moving up an axis the ray enters through the cell's low face (l, d, f).
    if (Raycast_result r = check_cell(cell, 2 * axis + !forward, local); r.kind != Raycast_result::Kind::nothing)
      return r;
  }
  return {};
}

Raycast_result Raycast::check_cell(glm::ivec3 c, int face, glm::vec3 local) {
  Cell_id const id = scene.wmap.get_cell(c);
  if (id == 0) return {};
  Cell_type const& type = cell_db()[id];
  if (type.collision == Cell_collision::empty) return {};
  glm::vec3 const min = type.offset - type.radius, max = type.offset + type.radius;
  bool const entered = get_face(local, min, max) == -1;
  if (face < 0 || !entered) {
    // A hit box smaller than the cell counts once a point of the march
    // lands in it, coming from outside it.
    if (c != floor_cell(point)) return {};
    glm::vec3 const now = point - glm::vec3(c);
    if (entered || get_face(now, min, max) != -1) return {};
    face = entry_face(local, now, min, max);
  }
  Raycast_result r;
  r.kind = Raycast_result::Kind::cell;
  r.cell = c;
  r.face = static_cast<Face>(face);
  r.adjacent = c + face_normal(r.face);
  return r;
}
