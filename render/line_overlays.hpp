#pragma once
// The line overlays: the outline box of the pointed cell and the grid on the
// sides of the player's page. Both blend a line colour over the scene, share
// the "shaders/cursor.*" files and leave blending off and line width 1.
#include "foundation/paths.hpp"
#include "render/gl_program.hpp"

#include <epoxy/gl.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <vector>

// A vertex array of positions (location 0), uploaded once.
struct Line_mesh {
  GLuint vao = 0;
  GLuint vbo = 0;

  explicit Line_mesh(std::vector<glm::vec3> const& positions);
  ~Line_mesh();
  Line_mesh(Line_mesh const&) = delete;
  Line_mesh& operator=(Line_mesh const&) = delete;
};

struct Cursor_mesh : Line_mesh {
  Cursor_mesh();
  void render() const; // six line loops
};

struct Page_mesh : Line_mesh {
  Page_mesh();
  void render() const; // 72 lines
};

struct Cursor_renderer {
  Cursor_mesh mesh;
  Gl_program shaders;
  GLint mvp;

  explicit Cursor_renderer(Dirs const& data = paths.data);
  // The box of that centre and half-size, in world cells.
  void render(glm::mat4 const& vp, glm::vec3 const& centre, glm::vec3 const& half);
};

struct Page_renderer {
  Page_mesh mesh;
  Gl_program shaders;
  GLint mvp;

  explicit Page_renderer(Dirs const& data = paths.data);
  void render(glm::mat4 const& vp, glm::ivec3 const& page);
};
