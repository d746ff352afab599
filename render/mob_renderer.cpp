#include "render/mob_renderer.hpp"

#include "render/sprite_mesh.hpp"
#include "render/sprite_state.hpp"
#include "world/scene.hpp"

Mob_mesh::Mob_mesh() {
  constexpr GLsizei stride = sizeof(Mob_center);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, gl_offset(offsetof(Mob_center, position)));
  glEnableVertexAttribArray(1);
  glVertexAttribIPointer(1, 1, GL_SHORT, stride, gl_offset(offsetof(Mob_center, layer)));
  glEnableVertexAttribArray(2);
  glVertexAttribIPointer(2, 1, GL_UNSIGNED_BYTE, stride, gl_offset(offsetof(Mob_center, light)));
  finish(3);
}

Mob_renderer::Mob_renderer(Scene& scene_, Model_database const& models_, Dirs const& data)
    : scene(scene_), models(models_), shaders(data, "shaders/mob.vert", "shaders/mob.frag") {
  uniforms = {shaders.uniform("view"),      shaders.uniform("projection"), shaders.uniform("camera"),
              shaders.uniform("fog_color"), shaders.uniform("fog_depth"),  shaders.uniform("texture"),
              shaders.uniform("light")};
}

void Mob_renderer::render(glm::vec3 const& camera, glm::mat4 const& projection, glm::mat4 const& view) {
  mesh.update(make_mesh_for_mobs(scene.mobs, scene.player, scene.wmap, projection * view, models.mobs));

  if (!begin_sprites(shaders.program, uniforms, models, scene, camera, projection, view)) return;
  mesh.render();
}
