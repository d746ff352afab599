#include "render/cube_mesh.hpp"

#include <cstddef>

namespace {

void* offset(std::size_t n) { return reinterpret_cast<void*>(n); }

} // namespace

Cube_mesh::Cube_mesh() {
  glGenVertexArrays(1, &vao);
  glGenBuffers(1, &vbo);
  glBindVertexArray(vao);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  for (GLuint i = 0; i < 6; ++i) glEnableVertexAttribArray(i);
  constexpr GLsizei stride = sizeof(Cube_vertex);
  glVertexAttribPointer(0, 3, GL_UNSIGNED_BYTE, GL_FALSE, stride, offset(offsetof(Cube_vertex, x)));
  glVertexAttribIPointer(1, 1, GL_UNSIGNED_BYTE, stride, offset(offsetof(Cube_vertex, light)));
  glVertexAttribIPointer(2, 1, GL_UNSIGNED_BYTE, stride, offset(offsetof(Cube_vertex, occlusion)));
  glVertexAttribIPointer(3, 1, GL_UNSIGNED_BYTE, stride, offset(offsetof(Cube_vertex, effects)));
  glVertexAttribPointer(4, 2, GL_UNSIGNED_BYTE, GL_FALSE, stride, offset(offsetof(Cube_vertex, u)));
  glVertexAttribIPointer(5, 1, GL_UNSIGNED_SHORT, stride, offset(offsetof(Cube_vertex, layer)));
}

Cube_mesh::~Cube_mesh() {
  glDeleteBuffers(1, &vbo);
  glDeleteVertexArrays(1, &vao);
}

void Cube_mesh::update(std::vector<Cube_vertex> const& vertices, std::array<std::uint64_t, 6> const& e) {
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Cube_vertex)), vertices.data(),
               GL_STATIC_DRAW);
  ends = e;
}
