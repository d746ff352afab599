#pragma once
// Draws the world's cell surfaces: one GPU mesh per page, replaced as the
// pipeline delivers new meshes; per frame the pages the view can hold, and of
// each only the face directions that can face the camera. Main thread only.
#include "content/model_db.hpp"
#include "foundation/paths.hpp"
#include "render/cube_mesh.hpp"
#include "render/cube_page.hpp"
#include "render/gl_program.hpp"
#include "render/page_hash.hpp"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

struct Scene;

struct Cube_renderer {
  Scene& scene; // fog, planet radius and the "Render" profiler
  Model_database const& models; // the texture array and the light texture
  std::unordered_map<glm::ivec3, Cube_mesh, Page_hash> meshes;
  Gl_texture occlusion; // "textures/occlusion.png": shading by closed neighbours
  Gl_texture waves;     // "textures/waves.png": surface effects
  Gl_program shaders;   // "shaders/cube.vert", "shaders/cube.frag"
  struct {
    GLint model, vp, camera, fog_color, fog_depth, texture1, light, occlusion, waves, effect_frame, planet_radius;
  } uniforms;
  std::uint64_t vertices_drawn = 0; // by the last render
  std::uint32_t effect_frame = 0;   // renders so far, wrapping

  explicit Cube_renderer(Scene& scene, Model_database const& models = model_db(), Dirs const& data = paths.data);
  Cube_renderer(Cube_renderer const&) = delete;
  Cube_renderer& operator=(Cube_renderer const&) = delete;

  // New meshes in list order; an empty vertex list drops the page's mesh.
  void update(std::vector<Cube_page> const& pages);

  void render(glm::vec3 const& camera, glm::mat4 const& vp);
  void render_visible_pages(glm::vec3 const& camera, glm::mat4 const& vp);

private:
  std::vector<std::pair<glm::ivec3, Cube_mesh const*>> visible_; // reused every frame
};
