#include "game/player.hpp"

#include "game/context.hpp"

struct Player::Impl {
  Context* context;
  bool was_on_ground = false;
  bool was_in_liquid = false;
  float step_distance = 0.0f;
  std::int32_t climb_counter = 0;
  std::int32_t mode = walk;
  float head_height = 0.7f;
  glm::vec3 head_position{0.0f};
  glm::vec3 previous_position{0.0f};
};

Player::Player(Context& context) : impl_(std::make_unique<Impl>()) {
  impl_->context = &context;
  if (Mob* p = context.scene.player) impl_->head_position = p->body.position + glm::vec3(0, impl_->head_height, 0);
}

Player::~Player() = default;

void Player::update() {
  if (Mob* p = impl_->context->scene.player) impl_->head_position = p->body.position + glm::vec3(0, impl_->head_height, 0);
}

std::int32_t Player::mode() const { return impl_->mode; }

glm::vec3 const& Player::head_pos() const { return impl_->head_position; }
