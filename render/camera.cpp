#include "render/camera.hpp"

#include <SDL.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/matrix.hpp>

#include <cmath>

namespace {

glm::ivec2 window_size() {
  int w = 0, h = 0;
  if (SDL_Window* window = SDL_GL_GetCurrentWindow()) SDL_GetWindowSize(window, &w, &h);
  return {w, h};
}

bool finite(glm::mat4 const& m) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      if (!std::isfinite(m[c][r])) return false;
  return true;
}

} // namespace

Camera::Camera() {
  glm::ivec2 const size = window_size();
  SDL_WarpMouseInWindow(nullptr, size.x / 2, size.y / 2);
}

void Camera::update() { update(window_size()); }

void Camera::update(glm::ivec2 window) {
  // A window without area, a far plane not beyond the near one or a field of
  // view without a finite tangent would give a degenerate projection.
  if (window.x > 0 && window.y > 0 && far > near) {
    float const aspect = float(window.x) / float(window.y);
    float const t = std::tan(fov / 2.0f);
    glm::mat4 p(0.0f);
    p[0][0] = 1.0f / (aspect * t);
    p[1][1] = 1.0f / t;
    p[2][2] = -(far + near) / (far - near);
    p[2][3] = -1.0f;
    p[3][2] = -(2.0f * far * near) / (far - near);
    if (finite(p)) projection = p;
  }

  glm::mat4 placement = glm::translate(glm::mat4(1.0f), position);
  placement = glm::rotate(placement, yaw, glm::vec3(0.0f, 1.0f, 0.0f));
  placement = glm::rotate(placement, pitch, glm::vec3(1.0f, 0.0f, 0.0f));
  view = glm::inverse(placement);

  direction = glm::vec3(-std::sin(yaw) * std::cos(pitch), std::sin(pitch), -std::cos(yaw) * std::cos(pitch));
}

glm::vec2 face_direction(glm::vec3 const& v, Face face) {
  switch (face) {
  case Face::l: return {-v.z, v.y};
  case Face::r: return {v.z, v.y};
  case Face::d: return {-v.x, v.z};
  case Face::u: return {v.x, v.z};
  case Face::f: return {v.x, v.y};
  case Face::b: return {-v.x, v.y};
  default: return {0.0f, 0.0f};
  }
}

int painting_direction(glm::vec3 const& v, Face face) {
  glm::vec2 const d = face_direction(v, face);
  if (std::abs(d.x) > std::abs(d.y)) return d.x > 0.0f ? 0 : 1;
  return d.y > 0.0f ? 2 : 3;
}
