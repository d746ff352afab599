#pragma once
// Billboard cells drawn as camera-facing quads: one instanced draw per page
// that has any. Main thread only.
#include "content/model_db.hpp"
#include "foundation/paths.hpp"
#include "render/sprite_mesh.hpp"
#include "render/gl_program.hpp"
#include "render/page_hash.hpp"
#include "render/quad_page.hpp"

#include <epoxy/gl.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <unordered_map>
#include <vector>

struct Scene;

// One page's instances with the four shared quad corners.
struct Quad_mesh : Sprite_mesh {
  Quad_mesh();
  void update(std::vector<Quad_center> const& quads) { upload(quads); }
};

struct Quad_renderer {
  Scene& scene; // fog
  Model_database const& models;
  Gl_program shaders; // "shaders/quad.vert", "shaders/quad.frag"
  struct {
    GLint model, view, projection, camera, fog_color, fog_depth, texture, light;
  } uniforms;
  std::unordered_map<glm::ivec3, Quad_mesh, Page_hash> meshes;

  explicit Quad_renderer(Scene& scene, Model_database const& models = model_db(), Dirs const& data = paths.data);
  Quad_renderer(Quad_renderer const&) = delete;
  Quad_renderer& operator=(Quad_renderer const&) = delete;

  // New instance lists in list order; an empty list drops the page's quads.
  void update(std::vector<Quad_page> const& pages);
  void render(glm::vec3 const& camera, glm::mat4 const& projection, glm::mat4 const& view);
};
