#pragma once
// What both sprite renderers (billboard cells, mobs) set before drawing:
// culling, depth, the light and array textures, and the shared uniforms.
#include "content/model_db.hpp"
#include "world/scene.hpp"

#include <epoxy/gl.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

// False (nothing to draw with) when the program failed to build.
template <class Uniforms>
bool begin_sprites(GLuint program, Uniforms const& u, Model_database const& models, Scene const& scene,
                   glm::vec3 const& camera, glm::mat4 const& projection, glm::mat4 const& view) {
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK); // OpenGL's defaults, set in case the GUI changed them
  glFrontFace(GL_CCW);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, models.light);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D_ARRAY, models.array_texture());
  if (!program) return false;

  glUseProgram(program);
  glUniform1i(u.texture, 0);
  glUniform1i(u.light, 1);
  glUniformMatrix4fv(u.view, 1, GL_FALSE, &view[0][0]);
  glUniformMatrix4fv(u.projection, 1, GL_FALSE, &projection[0][0]);
  glUniform3fv(u.camera, 1, &camera[0]);
  glUniform3fv(u.fog_color, 1, &scene.fog_color[0]);
  glUniform1f(u.fog_depth, scene.fog_depth);
  return true;
}
