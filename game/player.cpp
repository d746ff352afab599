#include "game/player.hpp"

#include "content/cell_db.hpp"
#include "content/model_db.hpp"
#include "foundation/event.hpp"
#include "game/context.hpp"
#include "world/wmap.hpp"

#include <SDL.h>

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

std::uint32_t state(Action_states a, int action) {
  return static_cast<std::size_t>(action) < a.size() ? a[static_cast<std::size_t>(action)] : Input::up;
}
bool held(Action_states a, int action) { return (state(a, action) & Input::held) != 0; }
float held_f(Action_states a, int action) { return held(a, action) ? 1.0f : 0.0f; }

bool on_ground(Body const& b) { return b.contacts[Body::ny]; }

Cell_collision collision(Wmap const& w, glm::ivec3 c) { return cell_db()[w.get_cell(c)].collision; }

// A loaded cell (not id 0) that stops bodies.
bool blocks(Wmap const& w, glm::ivec3 c) {
  Cell_id id = w.get_cell(c);
  if (id == 0) return false;
  Cell_collision k = cell_db()[id].collision;
  return k == Cell_collision::solid || k == Cell_collision::climb;
}

// The counter only needs to pass the largest threshold; holding it there
// keeps a long climb from overflowing.
constexpr std::int32_t climb_counter_cap = 1 << 20;

} // namespace

void Player_motion::update_mode(Body& body, Action_states a) {
  if (held(a, action_run)) mode = Player::run;
  if (state(a, action_left) == Input::up && state(a, action_right) == Input::up &&
      state(a, action_front) == Input::up && state(a, action_back) == Input::up)
    mode = Player::walk;
  float target;
  if (was_on_ground) {
    if (held(a, action_crouch)) {
      mode = Player::crouch;
      target = head_heights[Player::crouch];
    } else if (mode == Player::crouch) {
      mode = Player::walk;
      target = head_heights[Player::walk];
    } else {
      target = head_heights[mode];
    }
    body.flags &= ~std::uint32_t(Body::no_gravity); // landing ends flight
  } else {
    if (mode == Player::crouch) mode = Player::walk;
    if (state(a, action_jump) & Input::double_press) body.flags ^= Body::no_gravity;
    target = head_heights[mode];
  }
  head_height += (target - head_height) * 0.5f;
  head_pos = body.position + glm::vec3(0.0f, head_height, 0.0f);
}

void Player_motion::update_movement(Body& body, Action_states a) const {
  float x = held_f(a, action_right) - held_f(a, action_left);
  float z = held_f(a, action_back) - held_f(a, action_front);
  body.wanted = {x, z};
  if (x == 0.0f && z == 0.0f) {
    body.accel = 0.03f; // brake to rest
    return;
  }
  float yaw = body.angles.y;
  glm::vec2 d(x * std::cos(yaw) - z * std::sin(-yaw), x * std::sin(-yaw) + z * std::cos(yaw));
  body.wanted = glm::normalize(d) * top_speed[was_in_liquid ? 1 : 0][static_cast<std::size_t>(mode)];
  body.accel = 0.015f;
  if (was_in_liquid) body.velocity.y -= 0.01f;
  if (body.has(Body::no_gravity)) {
    body.accel = 0.045f;
    body.wanted *= 3.0f;
  }
}

void Player_motion::update_vertical(Body& body, Action_states a, Wmap const& wmap, glm::vec3 look) {
  if (body.has(Body::no_gravity))
    update_flight(body, a);
  else if (mode == Player::crouch)
    update_crouch(body, wmap);
  else
    update_jump(body, a, wmap, look);
}

void Player_motion::update_flight(Body& body, Action_states a) {
  float target = (held_f(a, action_jump) - held_f(a, action_crouch)) * flight_speed;
  body.velocity.y += (target - body.velocity.y) * 0.5f;
}

void Player_motion::update_crouch(Body& body, Wmap const& wmap) const {
  if (!on_ground(body)) return;
  glm::vec3& p = body.position;
  int yb = floor_cell(p.y - body.size.y - 0.1f);
  // Each axis on its own: stepping along a wall's edge stays possible.
  if (collision(wmap, {floor_cell(p.x), yb, floor_cell(prev_pos.z)}) > Cell_collision::climb) p.x = prev_pos.x;
  if (collision(wmap, {floor_cell(prev_pos.x), yb, floor_cell(p.z)}) > Cell_collision::climb) p.z = prev_pos.z;
}

void Player_motion::update_jump(Body& body, Action_states a, Wmap const& wmap, glm::vec3 look) {
  int c = check_auto_climb(body, wmap, look);
  climb_counter = c != 0 ? std::min(climb_counter + c, climb_counter_cap) : 0;
  if (climb_counter >= auto_climb_threshold[static_cast<std::size_t>(mode)]) {
    body.velocity.y = jump_speed;
  } else if (on_ground(body)) {
    if (held(a, action_jump)) body.velocity.y = jump_speed;
  } else if (mode == Player::run && was_on_ground && body.velocity.y < 0.0f) {
    // A runner leaving an edge gets a small hop from the edge's height.
    body.velocity.y = run_hop_speed;
    body.position.y = prev_pos.y;
  }
}

int Player_motion::update_step(Body const& body) {
  bool ground = on_ground(body);
  bool liquid = body.has(Body::in_liquid);
  float const rest = was_in_liquid ? step_length : 1.0f;
  if (!ground && !liquid) {
    step_distance = rest;
    return 0;
  }
  int sounds = ground != was_on_ground || liquid != was_in_liquid ? 1 : 0;
  float d = glm::length(glm::vec2(body.velocity.x, body.velocity.z));
  if (d > 0.0f) {
    step_distance += d;
    if (step_distance > step_length) {
      ++sounds;
      step_distance -= step_length;
    }
  } else {
    step_distance = rest;
  }
  return sounds;
}

void Player_motion::remember(Body const& body) {
  was_on_ground = on_ground(body);
  was_in_liquid = body.has(Body::in_liquid);
  prev_pos = body.position;
}

void turn_body(Body& body, glm::ivec2 motion, glm::ivec2 window, bool released) {
  if (!released) {
    if (std::abs(motion.x) < window.x / 4) body.angles.y -= static_cast<float>(motion.x) * 0.0025f;
    if (std::abs(motion.y) < window.y / 4) body.angles.x -= static_cast<float>(motion.y) * 0.0025f;
  }
  body.angles.x = std::clamp(body.angles.x, -1.5707964f, 1.5707964f);
}

int cell_is_open(Wmap const& wmap, glm::ivec3 c) {
  if (blocks(wmap, c) || blocks(wmap, c + glm::ivec3(0, 1, 0))) return 0;
  Cell_id below = wmap.get_cell(c - glm::ivec3(0, 1, 0));
  if (below == 0) return 0;
  switch (cell_db()[below].collision) {
  case Cell_collision::solid: return 1;
  case Cell_collision::climb: return 100;
  default: return 0;
  }
}

namespace {

// Pushing along axis A (0 x, 2 z) in direction s while looking mostly that
// way: the open cells ahead, one or two across the body's width.
int climb_side(Body const& body, Wmap const& wmap, glm::vec3 look, int axis, int s) {
  int const other = 2 - axis;
  Body::Contact contact = axis == 0 ? (s > 0 ? Body::px : Body::nx) : (s > 0 ? Body::pz : Body::nz);
  if (!body.contacts[contact]) return 0;
  if (!(static_cast<float>(s) * look[axis] > 4.0f * std::abs(look[other]))) return 0;
  glm::ivec3 cell;
  cell[axis] = floor_cell(body.position[axis] + static_cast<float>(s));
  cell.y = floor_cell(body.position.y + 1.0f);
  int lo = floor_cell(body.position[other] - body.size.x);
  int hi = floor_cell(body.position[other] + body.size.x);
  cell[other] = lo;
  int r = cell_is_open(wmap, cell);
  if (hi != lo) {
    cell[other] = hi;
    r = std::max(r, cell_is_open(wmap, cell));
  }
  return r;
}

bool has_sign(float v, int s) { return s > 0 ? v > 0.0f : v < 0.0f; }

// Pushing into a corner of two walls while looking into it.
int climb_corner(Body const& body, Wmap const& wmap, glm::vec3 look, int sx, int sz) {
  if (!body.contacts[sx > 0 ? Body::px : Body::nx] || !body.contacts[sz > 0 ? Body::pz : Body::nz]) return 0;
  if (!has_sign(look.x, sx) || !has_sign(look.z, sz)) return 0;
  glm::ivec3 f = floor_cell(body.position);
  if (int r = cell_is_open(wmap, {f.x, f.y + 1, f.z + sz})) return r;
  return cell_is_open(wmap, {f.x + sx, f.y + 1, f.z});
}

} // namespace

int check_auto_climb(Body const& body, Wmap const& wmap, glm::vec3 look) {
  if (!on_ground(body) && !body.has(Body::in_liquid)) return 0;
  for (auto [axis, s] : {std::pair{0, 1}, {0, -1}, {2, 1}, {2, -1}})
    if (int r = climb_side(body, wmap, look, axis, s)) return r;
  for (auto [sx, sz] : {std::pair{1, 1}, {1, -1}, {-1, 1}, {-1, -1}})
    if (int r = climb_corner(body, wmap, look, sx, sz)) return r;
  return 0;
}

Audio_id step_sound(Wmap const& wmap, Body const& body, std::span<Cell_model const> models) {
  glm::vec3 const& p = body.position;
  int x0 = floor_cell(p.x - body.size.x), x1 = floor_cell(p.x + body.size.x);
  int z0 = floor_cell(p.z - body.size.x), z1 = floor_cell(p.z + body.size.x);
  int yb = floor_cell(p.y - body.size.y - 0.01f);
  for (int y : {yb + 1, yb})
    for (glm::ivec2 xz : {glm::ivec2(x0, z0), {x0, z1}, {x1, z0}, {x1, z1}}) {
      Cell_id id = wmap.get_cell({xz.x, y, xz.y});
      if (id == 0 || id >= models.size()) continue;
      if (Audio_id s = models[id].sounds[Cell_model::step]) return s;
    }
  return 0;
}

struct Player::Impl {
  Context* context;
  Player_motion motion;

  void update_rotation(Body& body);
};

Player::Player(Context& context) : impl_(std::make_unique<Impl>(Impl{&context, {}})) {
  // The eye is drawn from before the first update.
  if (Mob const* p = context.scene.player)
    impl_->motion.head_pos = p->body.position + glm::vec3(0.0f, impl_->motion.head_height, 0.0f);
}
Player::~Player() = default;

std::int32_t Player::mode() const { return impl_->motion.mode; }
glm::vec3 const& Player::head_pos() const { return impl_->motion.head_pos; }

void Player::update() {
  Context& c = *impl_->context;
  Mob* mob = c.scene.player;
  if (!mob) return;
  Body& body = mob->body;
  Player_motion& m = impl_->motion;
  Action_states const actions(c.input.states);
  m.update_mode(body, actions);
  impl_->update_rotation(body);
  m.update_movement(body, actions);
  m.update_vertical(body, actions, c.scene.wmap, c.camera.direction);
  for (int n = m.update_step(body); n > 0; --n)
    if (Audio_id s = step_sound(c.scene.wmap, body, model_db().cells)) c.audio.play(s);
  m.remember(body);
  c.audio.listener = body.position;
  c.audio.heading = {std::cos(body.angles.y), std::sin(body.angles.y)};
}

void Player::Impl::update_rotation(Body& body) {
  int w = 0, h = 0;
  if (SDL_Window* window = SDL_GL_GetCurrentWindow()) SDL_GetWindowSize(window, &w, &h);
  // The frame's motion events, not the position SDL keeps: the first look
  // after a window can come before relative mode is back on (the window
  // closed by a click, or that frame not drawn); its warp then moves the
  // real pointer, and relative mode under X11 drops the motion that tells
  // SDL, so the position would stay where the pointer was in the window.
  turn_body(body, context->input.motion, {w, h}, context->mouse_released);
  // Where the next window shows the pointer (relative mode off puts it back
  // at the position SDL keeps).
  SDL_WarpMouseInWindow(nullptr, w / 2, h / 2);
  context->mouse_released = false;
}
