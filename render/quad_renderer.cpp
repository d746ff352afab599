#include "render/quad_renderer.hpp"

#include "render/sprite_mesh.hpp"
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
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK); // OpenGL's defaults, set in case the GUI changed them
  glFrontFace(GL_CCW);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, models.light);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D_ARRAY, models.array_texture());
  if (!shaders.program) return;

  glUseProgram(shaders.program);
  glUniform1i(uniforms.texture, 0);
  glUniform1i(uniforms.light, 1);
  glUniformMatrix4fv(uniforms.view, 1, GL_FALSE, &view[0][0]);
  glUniformMatrix4fv(uniforms.projection, 1, GL_FALSE, &projection[0][0]);
  glUniform3fv(uniforms.camera, 1, &camera[0]);
  glUniform3fv(uniforms.fog_color, 1, &scene.fog_color[0]);
  glUniform1f(uniforms.fog_depth, scene.fog_depth);
  for (auto const& [page, mesh] : meshes) {
    glm::vec3 const origin(page * 16);
    glUniform3fv(uniforms.model, 1, &origin[0]);
    mesh.render();
  }
  glBindVertexArray(0);
}
