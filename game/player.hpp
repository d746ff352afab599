#pragma once
// The player controller: once per roaming frame, the movement actions and
// the mouse become the player mob's look angles and wanted motion (walking,
// running, crouching, jumping, climbing, swimming and flying); it also keeps
// the eye height, plays step sounds and places the sound listener.
#include <glm/vec3.hpp>

#include <cstdint>
#include <memory>

struct Context;

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
