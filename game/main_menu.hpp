#pragma once
// The pause menu: resume, settings, exit.
#include "game/modes.hpp"

#include <glm/vec2.hpp>

struct Main_menu {
  Mode* mode;

  explicit Main_menu(Mode& mode_) : mode(&mode_) {}
  // One frame of the window, centred on the game window; its entries set
  // the mode (resume: roaming, settings, exit: quit).
  void update();
  void update(glm::ivec2 window);
};
