#pragma once
// The one-line message near the bottom of the screen: what a script says,
// the item just taken into the hand, a saved screenshot. Each message shows
// for five seconds and replaces the one before.
#include "foundation/config.hpp"

#include <glm/vec2.hpp>

#include <chrono>
#include <string>

struct Action_bar {
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration shown_for = std::chrono::seconds(5);

  Config const& config; // for ui_scale
  std::string message;
  Clock::time_point expiry{}; // the clock's epoch: nothing shows before the first message

  explicit Action_bar(Config const& config_) : config(config_) {}

  void say(std::string text) { say(std::move(text), Clock::now()); }
  void say(std::string text, Clock::time_point now);

  // Draws the message while it lasts; inside a GUI frame.
  void update();
  // The same for a window of the given size at the given time.
  void update(Clock::time_point now, glm::ivec2 window);

  bool showing(Clock::time_point now) const { return !(expiry < now); }
  // Where the message is centred in a window of that size.
  glm::vec2 anchor(glm::ivec2 window) const;
};
