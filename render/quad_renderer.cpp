#include "render/quad_renderer.hpp"

#include "render/sprite_mesh.hpp"
#include "render/sprite_state.hpp"
#include "world/scene.hpp"

#include <cstddef>

Quad_mesh::Quad_mesh() {
  constexpr GLsizei stride = sizeof(Quad_center);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_UNSIGNED_BYTE, GL_FALSE, stride, gl_offset(offsetof(Quad_center, x)));
  glEnableVertexAttribArray(1);
  glVertexAttribIPointer(1, 1, GL_UNSIGNED_BYTE, stride, gl_offset(offsetof(Quad_center, light)));
  glEnableVertexAttribArray(2);
  glVertexAttribIPointer(2, 1, GL_SHORT, stride, gl_offset(offsetof(Quad_center, layer)));
  finish(3);
}

Quad_renderer::Quad_renderer(Scene& scene_, Model_database const& models_, Dirs const& data)
    : scene(scene_), models(models_), shaders(data, "shaders/quad.vert", "shaders/quad.frag") {
  uniforms = {shaders.uniform("model"),     shaders.uniform("view"),      shaders.uniform("projection"),
              shaders.uniform("camera"),    shaders.uniform("fog_color"), shaders.uniform("fog_depth"),
              shaders.uniform("texture"),   shaders.uniform("light")};
}

void Quad_renderer::update(std::vector<Quad_page> const& pages) {
  for (Quad_page const& p : pages) {
    if (p.quads.empty())
      meshes.erase(p.page);
    else
      meshes.try_emplace(p.page).first->second.update(p.quads);
  }
}

void Quad_renderer::render(glm::vec3 const& camera, glm::mat4 const& projection, glm::mat4 const& view) {
  if (!begin_sprites(shaders.program, uniforms, models, scene, camera, projection, view)) return;
  for (auto const& [page, mesh] : meshes) {
    glm::vec3 const origin(page * 16);
    glUniform3fv(uniforms.model, 1, &origin[0]);
    mesh.render();
  }
  glBindVertexArray(0);
}
