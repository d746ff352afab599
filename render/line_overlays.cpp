#include "render/line_overlays.hpp"

#include "render/overlays.hpp"
#include "render/sprite_mesh.hpp"

namespace {

// False when there is no program to draw with.
bool begin_lines(GLuint program, GLint mvp, glm::mat4 const& m) {
  glDisable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glLineWidth(2.0f);
  if (!program) return false;
  glUseProgram(program);
  glUniformMatrix4fv(mvp, 1, GL_FALSE, &m[0][0]);
  return true;
}

void end_lines() {
  glDisable(GL_BLEND);
  glLineWidth(1.0f);
}

} // namespace

Line_mesh::Line_mesh(std::vector<glm::vec3> const& positions) {
  glGenVertexArrays(1, &vao);
  glGenBuffers(1, &vbo);
  glBindVertexArray(vao);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(positions.size() * sizeof(glm::vec3)), positions.data(),
               GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(glm::vec3), gl_offset(0));
  glBindVertexArray(0);
}

Line_mesh::~Line_mesh() {
  glDeleteBuffers(1, &vbo);
  glDeleteVertexArrays(1, &vao);
}

Cursor_mesh::Cursor_mesh() : Line_mesh({cursor_outline().begin(), cursor_outline().end()}) {}

void Cursor_mesh::render() const {
  glBindVertexArray(vao);
  for (int i = 0; i < 6; ++i) glDrawArrays(GL_LINE_LOOP, 4 * i, 4);
  glBindVertexArray(0);
}

Page_mesh::Page_mesh() : Line_mesh(page_grid()) {}

void Page_mesh::render() const {
  glBindVertexArray(vao);
  glDrawArrays(GL_LINES, 0, 144);
  glBindVertexArray(0);
}

Cursor_renderer::Cursor_renderer(Dirs const& data)
    : shaders(data, "shaders/cursor.vert", "shaders/cursor.frag"), mvp(shaders.uniform("MVP")) {}

void Cursor_renderer::render(glm::mat4 const& vp, glm::vec3 const& centre, glm::vec3 const& half) {
  if (begin_lines(shaders.program, mvp, cursor_matrix(vp, centre, half))) mesh.render();
  end_lines();
}

Page_renderer::Page_renderer(Dirs const& data)
    : shaders(data, "shaders/cursor.vert", "shaders/cursor.frag"), mvp(shaders.uniform("MVP")) {}

void Page_renderer::render(glm::mat4 const& vp, glm::ivec3 const& page) {
  if (begin_lines(shaders.program, mvp, page_grid_matrix(vp, page))) mesh.render();
  end_lines();
}
