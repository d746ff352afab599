#pragma once
// The player controller: once per roaming frame, the movement actions and
// the mouse become the player mob's look angles and wanted motion (walking,
// running, crouching, jumping, climbing, swimming and flying); it also keeps
// the eye height, plays step sounds and places the sound listener.
#include "content/audio_db.hpp"
#include "content/model.hpp"
#include "world/body.hpp"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <span>

struct Context;
struct Wmap;

class Player {
public:
  enum Mode : std::int32_t { walk, run, crouch };

  explicit Player(Context& context);
  ~Player();
  Player(Player const&) = delete;
  Player& operator=(Player const&) = delete;

  void update();
  std::int32_t mode() const;
  // The eye: the body's position raised by the current head height.
  glm::vec3 const& head_pos() const;

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};

// Action states by action number, as Input holds them.
using Action_states = std::span<std::uint32_t const>;

// By mode: walk, run, crouch.
inline constexpr std::array<float, 3> head_heights{0.7f, 0.7f, 0.3f};
// Cells per update, on land and when the player was in liquid.
inline constexpr std::array<std::array<float, 3>, 2> top_speed{{{0.15f, 0.2f, 0.1f}, {0.075f, 0.1f, 0.05f}}};
// Updates of pushing against a step before the body hops up it.
inline constexpr std::array<std::int32_t, 3> auto_climb_threshold{4, 1, 8};

inline constexpr float jump_speed = 0.35f;
inline constexpr float run_hop_speed = 0.15f;
inline constexpr float flight_speed = 0.35f;
inline constexpr float step_length = 2.0f; // cells walked per step sound

// What the controller remembers from one update to the next, and the rules
// that turn the actions into the body's motion. Nothing here touches the
// window or the sound, so it runs over any small world.
struct Player_motion {
  bool was_on_ground = false;
  bool was_in_liquid = false;
  float step_distance = 0.0f;
  std::int32_t climb_counter = 0;
  std::int32_t mode = Player::walk;
  float head_height = 0.7f;
  glm::vec3 head_pos{0.0f};
  glm::vec3 prev_pos{0.0f};

  // Mode, flight switch and eye height.
  void update_mode(Body& body, Action_states actions);
  // Wanted horizontal velocity and acceleration limit along the body's yaw.
  void update_movement(Body& body, Action_states actions) const;
  // Flying, else the crouch edge guard, else jumping and climbing toward
  // where `look` points.
  void update_vertical(Body& body, Action_states actions, Wmap const& wmap, glm::vec3 look);
  static void update_flight(Body& body, Action_states actions);
  void update_crouch(Body& body, Wmap const& wmap) const;
  void update_jump(Body& body, Action_states actions, Wmap const& wmap, glm::vec3 look);
  // How many step sounds this update makes: one on landing or on entering
  // or leaving liquid, one per two cells walked.
  int update_step(Body const& body);
  // The contacts, the liquid flag and the position, for the next update.
  void remember(Body const& body);
};

// The mouse look for one frame's pointer `motion` in a window of `window`
// pixels: the motion turns the body, except on an axis where it jumped a
// quarter of the window or more. With `released` (a menu just had the
// pointer) nothing turns. Pitch stays within straight up and down.
void turn_body(Body& body, glm::ivec2 motion, glm::ivec2 window, bool released);

// 0, or 1 for a free two-cell space over a solid cell, 100 over a climbable
// one.
int cell_is_open(Wmap const& wmap, glm::ivec3 cell);
// 0, 1 or 100: the first side, then corner, that the body pushes against
// while looking that way and that has an open cell to step into.
int check_auto_climb(Body const& body, Wmap const& wmap, glm::vec3 look);

// The step sound of the first cell around the body (those it stands in
// before those under its feet) whose model has one; 0 when none does.
Audio_id step_sound(Wmap const& wmap, Body const& body, std::span<Cell_model const> models);
