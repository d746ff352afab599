#include "game/game.hpp"

#include "game/interact.hpp"
#include "game/quit_request.hpp"
#include "game/teleport.hpp"
#include "content/model_db.hpp"
#include "foundation/str_db.hpp"
#include "render/billboards.hpp"
#include "render/page_mesh.hpp"

#include <SDL.h>
#include <imgui.h>

#include <glm/geometric.hpp>

namespace {

Mesh_jobs real_meshers() {
  return Mesh_jobs{[](Wmap const& wmap, glm::ivec3 page, int quality) { return generate_mesh(wmap, page, quality); },
                   [](Wmap_page const& page) { return make_mesh_for_billboards(page); }};
}

bool pressed(Input const& input, Action a) { return (input.states[a] & Input::pressed) != 0; }

} // namespace

Context::Context(Config& config, std::filesystem::path const& world_dir)
    : media(config),
      audio(config),
      input(config.bindings),
      script(*this),
      scene(config, world_dir, script.scope),
      builder(scene, real_meshers()),
      camera(),
      action_bar(config),
      cursor(),
      widgets(media),
      edit(*this),
      player(*this),
      main_menu(mode),
      inventory_menu(*this),
      config_menu(*this),
      console_menu(script),
      debug_pane(*this) {
  // A sound that follows a mob lets go of it before the mob ends (also when
  // the scene ends: the sounds outlive it).
  scene.mobs.on_destroy = [this](Mob const* mob) { audio.forget(mob); };
  // The models upload their textures here, on the thread of the GL context,
  // once the packs have given every type.
  model_db();
}

Context::~Context() {
  // The models' textures go while their context still exists.
  model_db().release();
}

Game::Game(Config& config, std::filesystem::path const& world_dir)
    : Context(config, world_dir), cube_renderer(scene), quad_renderer(scene), mob_renderer(scene) {
  SDL_Log("Ready!\n");
}

Game::~Game() = default;

Unsaved play(Config& config, std::filesystem::path const& world_dir) {
  Unsaved unsaved;
  {
    Game game(config, world_dir);
    game.scene.on_closed = [&unsaved](Unsaved const& u) { unsaved = u; };
    game.run();
  }
  return unsaved;
}

void Game::run() {
  while (mode != mode_quit) {
    // Every script of the frame (mob updates, the player's actions, the
    // console) draws on one time budget, so that many scripts that each
    // stay within it can't stall the game together.
    kestrine::Budget::Period frame(script.budget());
    try {
      events();
      update();
      render();
    } catch (kestrine::Interrupted const& e) {
      // A pack script stopped because the player asked to quit: that is
      // the saving exit, not a failure of the script.
      if (e.cause() != kestrine::Interrupted::Cause::request || !quit_requested()) throw;
      mode = mode_quit;
    }
  }
}

void Game::events() {
  SDL_Event event;
  menu_press_at_.reset();
  console_press_at_.reset();
  while (SDL_PollEvent(&event)) {
    input.handle_event(event);
    auto const presses = [&](Action a) {
      int state = 0;
      return static_cast<std::size_t>(a) < input.bindings.size() && catch_event(input.bindings[a], event, state) &&
             state == Input::pressed;
    };
    if (!menu_press_at_ && presses(action_menu)) menu_press_at_ = widgets.feed.pushed();
    // The last press is the one a console opened this frame opened on.
    if (presses(action_console)) console_press_at_ = widgets.feed.pushed();
    widgets.handle_event(event);
    // Closing the window, SIGTERM and SIGINT leave through the quit mode, so
    // the world is saved on the way out.
    if (event.type == SDL_QUIT) mode = mode_quit;
  }
  if (quit_requested()) mode = mode_quit;
}

void Game::update() {
  if (scene.player) scene.player->body.wanted = glm::vec2(0.0f);
  update_mode();
  builder.update();
  // Said once per failed round; the savers logged each file and the reason.
  if (builder.take_failed_saves().any()) action_bar.say(str_db().get("ui.world_not_saved"));
  cube_renderer.update(builder.cube_queue());
  quad_renderer.update(builder.quad_queue());
  builder.cube_queue().clear();
  builder.quad_queue().clear();
  scene.mobs.update(scene);
  input.update();
  audio.update();
}

void Game::update_mode() {
  if (mode != mode_console) {
    console_exit_ = {};
    widgets.feed.go_on();
  }
  switch (mode) {
  case mode_roaming: update_roaming(); break;
  case mode_inventory: update_inventory(); break;
  case mode_main_menu: update_main_menu(); break;
  case mode_settings: update_config_menu(); break;
  case mode_console: update_console(); break;
  case mode_quit: break;
  }
}

void Game::update_roaming() {
  Mode_keys keys = mode_keys(mode, input.states);
  mode = keys.mode;
  // What is typed after the console's key is the console's.
  if (mode == mode_console && console_press_at_) widgets.feed.open_typing(*console_press_at_);
  for (int i = 0; i < keys.open_sounds; ++i) audio.play(std::string("ui.open_menu"));
  if (keys.open_inventory) open_inventory();
  page_borders ^= keys.toggle_page_borders;
  show_debug_pane ^= keys.toggle_debug_pane;
  wireframe ^= keys.toggle_wireframe;
  if (keys.teleport) teleport();
  if (keys.screenshot) screenshot_requested = true;
  player.update();
  edit.update();
  if (pressed(input, action_interact)) interact(*this, cursor);
}

void Game::apply_menu_keys() {
  Mode_keys keys = mode_keys(mode, input.states);
  mode = keys.mode;
  for (int i = 0; i < keys.open_sounds; ++i) audio.play(std::string("ui.open_menu"));
  if (keys.left_settings && config_menu.changed_page_conf()) builder.set_dirty();
}

void Game::update_inventory() { apply_menu_keys(); }
void Game::update_main_menu() { apply_menu_keys(); }
void Game::update_config_menu() { apply_menu_keys(); }
void Game::update_console() {
  Mode const asked = mode_keys(mode, input.states).mode;
  mode = console_exit_.next(asked, menu_press_at_.value_or(widgets.feed.pushed()), widgets.feed.handed());
}

void Game::open_inventory() {
  mode = mode_inventory;
  inventory_kind = inventory_action_kind;
  audio.play(std::string("ui.open_menu"));
}

void Game::teleport() {
  if (!scene.player) return;
  glm::vec3 d = camera.direction;
  if (d == glm::vec3(0.0f)) return;
  Raycast_result hit = raycast(scene, camera.position, glm::normalize(d) * 512.0f);
  if (auto target = teleport_target(scene, hit, scene.player->body.size.y)) scene.player->body.position = *target;
}

void Game::render() {
  if (!dropper_.draw(SDL_GetTicks64())) {
    media.skip();
    return;
  }
  widgets.update();
  media.begin();
  render_screen();
  render_mode();
  if (show_debug_pane) debug_pane.update(cube_renderer.vertices_drawn / 3);
  widgets.render();
  media.end();
}

void Game::render_mode() {
  switch (mode) {
  case mode_roaming: render_roaming(); break;
  case mode_inventory: render_inventory(); break;
  case mode_main_menu: render_main_menu(); break;
  case mode_settings: render_config_menu(); break;
  case mode_console: render_console(); break;
  case mode_quit: break;
  }
}

void Game::render_roaming() {
  action_bar.update();
  inventory_menu.hotbar(edit.hand());
  ImGui::SetMouseCursor(ImGuiMouseCursor_None);
  SDL_SetRelativeMouseMode(SDL_TRUE);
}

void Game::release_mouse() {
  ImGui::SetMouseCursor(ImGuiMouseCursor_Arrow);
  SDL_SetRelativeMouseMode(SDL_FALSE);
  mouse_released = true;
}

void Game::render_inventory() {
  inventory_menu.update();
  release_mouse();
}

void Game::render_main_menu() {
  main_menu.update();
  release_mouse();
}

void Game::render_config_menu() {
  config_menu.update();
  release_mouse();
}

void Game::render_console() {
  console_menu.update();
  if (!console_menu.waits_for_keyboard()) widgets.feed.go_on();
  release_mouse();
}
