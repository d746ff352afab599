#include "render/cube_mesh.hpp"

#include "support/gl.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using CubeMesh = Gl_test;

GLint attrib(GLuint i, GLenum what) {
  GLint v = 0;
  glGetVertexAttribiv(i, what, &v);
  return v;
}

} // namespace

TEST_F(CubeMesh, SetsUpTheTenByteVertexAndUploadsEverySide) {
  Cube_mesh mesh;
  struct Attribute {
    GLint size;
    GLenum type;
    bool integer;
    std::size_t offset;
  };
  Attribute const expected[6] = {{3, GL_UNSIGNED_BYTE, false, 0}, {1, GL_UNSIGNED_BYTE, true, 3},
                                 {1, GL_UNSIGNED_BYTE, true, 4},  {1, GL_UNSIGNED_BYTE, true, 5},
                                 {2, GL_UNSIGNED_BYTE, false, 6}, {1, GL_UNSIGNED_SHORT, true, 8}};
  for (GLuint i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(attrib(i, GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_TRUE);
    EXPECT_EQ(attrib(i, GL_VERTEX_ATTRIB_ARRAY_SIZE), expected[i].size);
    EXPECT_EQ(GLenum(attrib(i, GL_VERTEX_ATTRIB_ARRAY_TYPE)), expected[i].type);
    EXPECT_EQ(attrib(i, GL_VERTEX_ATTRIB_ARRAY_INTEGER), expected[i].integer ? GL_TRUE : GL_FALSE);
    EXPECT_EQ(attrib(i, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED), GL_FALSE);
    EXPECT_EQ(attrib(i, GL_VERTEX_ATTRIB_ARRAY_STRIDE), 10);
    EXPECT_EQ(attrib(i, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), GLint(mesh.vbo));
    void* p = nullptr;
    glGetVertexAttribPointerv(i, GL_VERTEX_ATTRIB_ARRAY_POINTER, &p);
    EXPECT_EQ(reinterpret_cast<std::size_t>(p), expected[i].offset);
  }
  std::vector<Cube_vertex> const vertices(12, Cube_vertex{16, 16, 16, 0xF3, 0x81, 1, 1, 0, 0xFFFF});
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  mesh.update(vertices, {0, 0, 6, 6, 6, 12});
  GLint size = 0;
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  EXPECT_EQ(size, 120);
  std::uint8_t back[120];
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, 120, back);
  EXPECT_EQ(std::memcmp(back, vertices.data(), 120), 0);
  EXPECT_EQ(mesh.ends, (std::array<std::uint64_t, 6>{0, 0, 6, 6, 6, 12}));
}
