#pragma once
// The instanced sprite meshes (billboard cells, mobs): the four
// corners of the unit quad in fan order, and byte offsets as GL pointers.
#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

inline void* gl_offset(std::size_t n) { return reinterpret_cast<void*>(n); }

// Fills the buffer with (0, 0), (1, 0), (1, 1), (0, 1) and feeds it, one
// corner per vertex, to the bound vertex array's attribute `location`.
inline void upload_sprite_corners(GLuint buffer, GLuint location) {
  static constexpr float corners[8] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
  glEnableVertexAttribArray(location);
  glVertexAttribPointer(location, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), gl_offset(0));
}

// The vertex array both sprite meshes share: per-instance records in one
// buffer, the unit quad's corners in another, drawn as instanced fans. The
// owner describes its record's attributes between the constructor and
// `finish`, while the instance buffer is bound.
struct Sprite_mesh {
  GLuint vao = 0;
  GLuint instances = 0;
  GLuint corners = 0; // (0, 0), (1, 0), (1, 1), (0, 1)
  std::uint64_t count = 0;

  Sprite_mesh() {
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &instances);
    glGenBuffers(1, &corners);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, instances);
  }
  ~Sprite_mesh() {
    glDeleteBuffers(1, &corners);
    glDeleteBuffers(1, &instances);
    glDeleteVertexArrays(1, &vao);
  }
  Sprite_mesh(Sprite_mesh const&) = delete;
  Sprite_mesh& operator=(Sprite_mesh const&) = delete;

  // Attributes below `corner_location` advance per instance; the corners
  // take that location.
  void finish(GLuint corner_location) {
    for (GLuint a = 0; a < corner_location; ++a) glVertexAttribDivisor(a, 1);
    upload_sprite_corners(corners, corner_location);
    glBindVertexArray(0);
  }

  template <class Record> void upload(std::vector<Record> const& records) {
    glBindBuffer(GL_ARRAY_BUFFER, instances);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(records.size() * sizeof(Record)), records.data(),
                 GL_STATIC_DRAW);
    count = records.size();
  }

  void render() const {
    glBindVertexArray(vao);
    glDrawArraysInstanced(GL_TRIANGLE_FAN, 0, 4, static_cast<GLsizei>(count));
    glBindVertexArray(0);
  }
};
