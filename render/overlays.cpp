#include "render/overlays.hpp"

#include <glm/gtc/matrix_transform.hpp>

std::array<glm::vec3, 24> const& cursor_outline() {
  static std::array<glm::vec3, 24> const v{{
      {-1, 1, -1}, {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, // z = -1
      {-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}, // x = -1
      {1, -1, -1}, {1, -1, 1},   {1, 1, 1},   {1, 1, -1}, // x = +1
      {-1, -1, 1}, {-1, 1, 1},   {1, 1, 1},   {1, -1, 1}, // z = +1
      {-1, 1, -1}, {1, 1, -1},   {1, 1, 1},   {-1, 1, 1}, // y = +1
      {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1},  {1, -1, -1}, // y = -1
  }};
  return v;
}

std::vector<glm::vec3> page_grid() {
  std::vector<glm::vec3> v;
  v.reserve(144);
  for (float c = 0; c <= 16; c += 2) {
    for (glm::vec3 p : {glm::vec3(c, 0, 0), glm::vec3(c, 0, 16), glm::vec3(0, 0, c), glm::vec3(16, 0, c)})
      v.insert(v.end(), {p, p + glm::vec3(0, 16, 0)}); // vertical lines
    for (glm::vec3 p : {glm::vec3(0, c, 0), glm::vec3(0, c, 16)})
      v.insert(v.end(), {p, p + glm::vec3(16, 0, 0)}); // rings on the z sides
    for (glm::vec3 p : {glm::vec3(0, c, 0), glm::vec3(16, c, 0)})
      v.insert(v.end(), {p, p + glm::vec3(0, 0, 16)}); // rings on the x sides
  }
  return v;
}

std::array<Cross_vertex, 4> const& cross_square() {
  static std::array<Cross_vertex, 4> const v{{{{-1, 1}, {0, 1}}, {{-1, -1}, {0, 0}}, {{1, -1}, {1, 0}}, {{1, 1}, {1, 1}}}};
  return v;
}

glm::mat4 cursor_matrix(glm::mat4 const& vp, glm::vec3 const& centre, glm::vec3 const& half) {
  return vp * glm::scale(glm::translate(glm::mat4(1.0f), centre), half + glm::vec3(0.001f));
}

glm::mat4 page_grid_matrix(glm::mat4 const& vp, glm::ivec3 const& page) {
  return vp * glm::translate(glm::mat4(1.0f), glm::vec3(page * 16));
}

glm::mat4 cross_matrix(glm::ivec2 window) {
  float const w = float(window.x), h = float(window.y);
  glm::mat4 const ortho = glm::ortho(0.0f, w, h, 0.0f, 0.0f, 1.0f);
  return glm::scale(glm::translate(ortho, glm::vec3(w / 2, h / 2, 0.0f)), glm::vec3(8.0f));
}
