#pragma once
// What the instanced sprite meshes (billboard cells, mobs) share: the four
// corners of the unit quad in fan order, and byte offsets as GL pointers.
#include <epoxy/gl.h>

#include <cstddef>

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
