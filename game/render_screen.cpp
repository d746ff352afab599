#include "game/game.hpp"

#include "content/cell_db.hpp"
#include "foundation/texture.hpp"
#include "game/interact.hpp"
#include "game/screenshot_name.hpp"
#include "game/view.hpp"
#include "world/body.hpp"

#include <SDL.h>
#include <epoxy/gl.h>

#include <glm/common.hpp>

#include <algorithm>
#include <ctime>
#include <filesystem>

namespace {

constexpr glm::vec3 sky{0.39f, 0.61f, 1.0f};

} // namespace

void Game::render_screen() {
  Config const& config = scene.config;
  glm::ivec2 size{0, 0};
  if (SDL_Window* w = SDL_GL_GetCurrentWindow()) SDL_GetWindowSize(w, &size.x, &size.y);

  Body const& body = scene.player->body;
  float fov = target_fov(config.field_of_view, player.mode() == Player::run, body.wanted);
  // A view distance of 0 or less would give no depth range at all.
  float pages = static_cast<float>(std::clamp(config.view_distance.x, 1, 64));
  camera.position = player.head_pos();
  camera.pitch = body.angles.x;
  camera.yaw = body.angles.y;
  camera.far = pages * 24.0f;
  camera.fov = eased_fov(camera.fov, fov);
  camera.update();

  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, size.x, size.y);
  if (!wireframe && eye_buried(scene, camera.position)) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  } else {
    scene.fog_color = sky;
    scene.fog_depth = pages * 16.0f;
    glClearColor(sky.r, sky.g, sky.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glm::mat4 vp = camera.projection * camera.view;
    cube_renderer.render(camera.position, vp);
    quad_renderer.render(camera.position, camera.projection, camera.view);
    mob_renderer.render(camera.position, camera.projection, camera.view);
    if (wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }
  if (screenshot_requested) take_screenshot();

  glm::mat4 vp = camera.projection * camera.view;
  if (cursor.kind == Raycast_result::Kind::cell) {
    Cell_type const& type = cell_db()[scene.wmap.get_cell(cursor.cell)];
    cursor_renderer.render(vp, glm::vec3(cursor.cell) + type.offset, type.radius);
  }
  if (page_borders) page_renderer.render(vp, floor_cell(body.position) >> 4);
  cross_renderer.render(is_interactive(scene, cursor));
}

void Game::take_screenshot() {
  screenshot_requested = false;
  std::string name = screenshot_name(std::time(nullptr), [](std::string const& n) {
    std::error_code ec;
    return std::filesystem::exists(n, ec);
  });
  if (screenshot(name)) {
    action_bar.say("Screenshot saved to " + name);
  } else {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "can't save the screenshot %s", name.c_str());
    action_bar.say("Screenshot could not be saved to " + name);
  }
}
