#pragma once
// Mobs drawn as camera-facing sprites: the instance list is rebuilt and
// uploaded every drawn frame and drawn with one instanced call. Main thread
// only.
#include "content/model_db.hpp"
#include "foundation/paths.hpp"
#include "render/sprite_mesh.hpp"
#include "render/gl_program.hpp"
#include "render/mob_instances.hpp"

#include <epoxy/gl.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <vector>

struct Scene;

struct Mob_mesh : Sprite_mesh {
  Mob_mesh();
  void update(std::vector<Mob_center> const& mobs) { upload(mobs); }
};

struct Mob_renderer {
  Scene& scene; // mobs, player, light, fog
  Model_database const& models;
  Mob_mesh mesh;
  Gl_program shaders; // "shaders/mob.vert", "shaders/mob.frag"
  struct {
    GLint view, projection, camera, fog_color, fog_depth, texture, light;
  } uniforms;

  explicit Mob_renderer(Scene& scene, Model_database const& models = model_db(), Dirs const& data = paths.data);
  Mob_renderer(Mob_renderer const&) = delete;
  Mob_renderer& operator=(Mob_renderer const&) = delete;

  void render(glm::vec3 const& camera, glm::mat4 const& projection, glm::mat4 const& view);
};
