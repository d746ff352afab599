#pragma once
// The crosshair: a cross, or a square when the pointed thing can be used,
// inverting the pixels beneath its opaque texels. Leaves the logic op off.
#include "foundation/paths.hpp"
#include "render/gl_program.hpp"

#include <epoxy/gl.h>
#include <glm/vec2.hpp>

struct Cross_mesh {
  GLuint vao = 0;
  GLuint vbo = 0;

  Cross_mesh();
  ~Cross_mesh();
  Cross_mesh(Cross_mesh const&) = delete;
  Cross_mesh& operator=(Cross_mesh const&) = delete;

  void render() const;
};

struct Cross_renderer {
  Cross_mesh mesh;
  Gl_texture cross;  // "textures/cross.png"
  Gl_texture square; // "textures/square.png"
  Gl_program shaders;
  GLint mvp;

  explicit Cross_renderer(Dirs const& data = paths.data);
  void render(bool interactive);
  // The same for a window of that size.
  void render(bool interactive, glm::ivec2 window);
};
