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

// The face of the box that the point lies beyond or on.
int face_beyond_or_on(glm::vec3 const& p, glm::vec3 const& min, glm::vec3 const& max) {
  if (p.x <= min.x) return 0;
  if (p.x >= max.x) return 1;
  if (p.y <= min.y) return 2;
  if (p.y >= max.y) return 3;
  if (p.z <= min.z) return 4;
  if (p.z >= max.z) return 5;
  return -1;
}

} // namespace

Raycast_result Raycast::check_cells() {
  glm::ivec3 const previous = cell;
  cell = floor_cell(point);
  Cell_id id = scene.wmap.get_cell(cell);
  if (id == 0) return {};
  Cell_type const& type = cell_db()[id];
  if (type.collision == Cell_collision::empty) return {};
  glm::vec3 const local = point - glm::vec3(cell);
  glm::vec3 const min = type.offset - type.radius, max = type.offset + type.radius;
  if (get_face(local, min, max) != -1) return {};
  // The face the previous point lay beyond; none when it was inside already.
  int face = get_face(local - step, min, max);
  // A previous point exactly on the box's face lay in the cell before: the
  // ray came in through that face (else aligned rays pass through cells).
  if (face < 0 && cell != previous) face = face_beyond_or_on(local - step, min, max);
  if (face < 0) return {};
  Raycast_result r;
  r.kind = Raycast_result::Kind::cell;
  r.cell = cell;
  r.face = static_cast<Face>(face);
  r.adjacent = cell + face_normal(r.face);
  return r;
}
