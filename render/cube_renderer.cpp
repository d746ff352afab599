#include "render/cube_renderer.hpp"

#include "render/frustum.hpp"
#include "world/scene.hpp"

namespace {

void set_filters(GLuint texture, GLint wrap) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

} // namespace

Cube_renderer::Cube_renderer(Scene& scene_, Model_database const& models_, Dirs const& data)
    : scene(scene_),
      models(models_),
      occlusion(data, "textures/occlusion.png"),
      waves(data, "textures/waves.png"),
      shaders(data, "shaders/cube.vert", "shaders/cube.frag") {
  set_filters(occlusion.name, GL_CLAMP_TO_EDGE);
  set_filters(waves.name, GL_REPEAT);
  uniforms = {shaders.uniform("model"),     shaders.uniform("vp"),           shaders.uniform("camera"),
              shaders.uniform("fog_color"), shaders.uniform("fog_depth"),    shaders.uniform("texture1"),
              shaders.uniform("light"),     shaders.uniform("occlusion"),    shaders.uniform("waves"),
              shaders.uniform("effect_frame"), shaders.uniform("planet_radius")};
}

void Cube_renderer::update(std::vector<Cube_page> const& pages) {
  for (Cube_page const& p : pages) {
    if (p.vertices.empty())
      meshes.erase(p.page);
    else
      meshes.try_emplace(p.page).first->second.update(p.vertices, p.ends);
  }
}

void Cube_renderer::render(glm::vec3 const& camera, glm::mat4 const& vp) {
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK); // OpenGL's defaults, set in case the GUI changed them
  glFrontFace(GL_CCW);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D_ARRAY, models.array_texture());
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, models.light);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, occlusion.name);
  glActiveTexture(GL_TEXTURE3);
  glBindTexture(GL_TEXTURE_2D, waves.name);
  glActiveTexture(GL_TEXTURE0);

  // Without a program nothing shows (and the compatibility profile would
  // otherwise draw the raw vertices).
  if (!shaders.program) {
    vertices_drawn = 0;
    ++effect_frame;
    return;
  }
  glUseProgram(shaders.program);
  glUniform1i(uniforms.texture1, 0);
  glUniform1i(uniforms.light, 1);
  glUniform1i(uniforms.occlusion, 2);
  glUniform1i(uniforms.waves, 3);
  glUniform3fv(uniforms.fog_color, 1, &scene.fog_color[0]);
  glUniform1f(uniforms.fog_depth, scene.fog_depth);
  glUniformMatrix4fv(uniforms.vp, 1, GL_FALSE, &vp[0][0]);
  glUniform3fv(uniforms.camera, 1, &camera[0]);
  glUniform1i(uniforms.effect_frame, static_cast<GLint>(effect_frame));
  glUniform1f(uniforms.planet_radius, static_cast<float>(scene.config.planet_radius));

  render_visible_pages(camera, vp);
  ++effect_frame;
}

void Cube_renderer::render_visible_pages(glm::vec3 const& camera, glm::mat4 const& vp) {
  glm::ivec3 const here = camera_page(camera);
  Fustrum_check const planes(vp);
  visible_.clear();
  for (auto const& [page, mesh] : meshes)
    if (page_is_visible(page, here, planes)) visible_.emplace_back(page, &mesh);

  vertices_drawn = 0;
  for (auto const& [page, mesh] : visible_) {
    Profiler::Guard timer(scene.render);
    glm::vec3 const origin(page * 16);
    glUniform3fv(uniforms.model, 1, &origin[0]);
    glBindVertexArray(mesh->vao);
    std::uint8_t const sides = facing_sides(page, camera);
    std::uint64_t first = 0;
    for (int s = 0; s < 6; ++s) {
      std::uint64_t const end = mesh->ends[std::size_t(s)];
      if (sides & (1 << s)) {
        glDrawArrays(GL_TRIANGLES, static_cast<GLint>(first), static_cast<GLsizei>(end - first));
        vertices_drawn += end - first;
      }
      first = end;
    }
  }
  glBindVertexArray(0);
}
