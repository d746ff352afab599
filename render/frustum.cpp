#include "render/frustum.hpp"

#include "world/body.hpp"

#include <cmath>
#include <cstdlib>

namespace {

glm::vec4 row(glm::mat4 const& m, int i) { return {m[0][i], m[1][i], m[2][i], m[3][i]}; }

} // namespace

Fustrum_check::Fustrum_check(glm::mat4 const& vp) {
  glm::vec4 const r0 = row(vp, 0), r1 = row(vp, 1), r2 = row(vp, 2), r3 = row(vp, 3);
  planes = {r3 + r0, r3 - r0, r3 + r1, r3 - r1, r3 + r2, r3 - r2};
}

bool Fustrum_check::box_visible(glm::vec3 const& lo, glm::vec3 const& hi) const {
  for (glm::vec4 const& p : planes) {
    bool outside = true;
    for (int i = 0; i < 8 && outside; ++i) {
      float const x = i & 1 ? hi.x : lo.x, y = i & 2 ? hi.y : lo.y, z = i & 4 ? hi.z : lo.z;
      outside = p.x * x + p.y * y + p.z * z + p.w < 0.0f;
    }
    if (outside) return false;
  }
  return true;
}

bool page_is_visible(glm::ivec3 const& page, glm::ivec3 const& camera_page, Fustrum_check const& planes) {
  glm::ivec3 const d = page - camera_page;
  if (std::abs(d.x) <= 1 && std::abs(d.y) <= 1 && std::abs(d.z) <= 1) return true;
  glm::vec3 const lo = glm::vec3(page * 16);
  return planes.box_visible(lo, lo + 16.0f);
}

glm::ivec3 camera_page(glm::vec3 const& camera) {
  return floor_cell(camera) >> 4;
}

std::uint8_t facing_sides(glm::ivec3 const& page, glm::vec3 const& camera) {
  glm::vec3 const o = glm::vec3(page * 16);
  std::uint8_t sides = 0;
  for (int axis = 0; axis < 3; ++axis) {
    if (o[axis] + 16.0f > camera[axis]) sides |= std::uint8_t(1 << (2 * axis));   // the low side's faces
    if (camera[axis] > o[axis]) sides |= std::uint8_t(1 << (2 * axis + 1));       // the high side's faces
  }
  return sides;
}
