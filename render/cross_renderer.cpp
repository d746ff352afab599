#include "render/cross_renderer.hpp"

#include "render/overlays.hpp"
#include "render/sprite_mesh.hpp"

#include <SDL.h>

Cross_mesh::Cross_mesh() {
  glGenVertexArrays(1, &vao);
  glGenBuffers(1, &vbo);
  glBindVertexArray(vao);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof(Cross_vertex) * 4, cross_square().data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Cross_vertex), gl_offset(offsetof(Cross_vertex, position)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Cross_vertex), gl_offset(offsetof(Cross_vertex, texture)));
  glBindVertexArray(0);
}

Cross_mesh::~Cross_mesh() {
  glDeleteBuffers(1, &vbo);
  glDeleteVertexArrays(1, &vao);
}

void Cross_mesh::render() const {
  glBindVertexArray(vao);
  glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
  glBindVertexArray(0);
}

Cross_renderer::Cross_renderer(Dirs const& data)
    : cross(data, "textures/cross.png"),
      square(data, "textures/square.png"),
      shaders(data, "shaders/cross.vert", "shaders/cross.frag"),
      mvp(shaders.uniform("MVP")) {}

void Cross_renderer::render(bool interactive) {
  int w = 0, h = 0;
  if (SDL_Window* window = SDL_GL_GetCurrentWindow()) SDL_GetWindowSize(window, &w, &h);
  render(interactive, {w, h});
}

void Cross_renderer::render(bool interactive, glm::ivec2 window) {
  // A window without area has no middle to mark.
  if (window.x <= 0 || window.y <= 0 || !shaders.program) return;
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_COLOR_LOGIC_OP);
  glLogicOp(GL_INVERT);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, interactive ? square.name : cross.name);
  glUseProgram(shaders.program);
  glm::mat4 const m = cross_matrix(window);
  glUniformMatrix4fv(mvp, 1, GL_FALSE, &m[0][0]);
  mesh.render();
  glDisable(GL_COLOR_LOGIC_OP);
}
