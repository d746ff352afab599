#pragma once
// The pause menu: resume, settings, exit.
#include "game/modes.hpp"

struct Main_menu {
  Mode* mode;

  explicit Main_menu(Mode& mode_) : mode(&mode_) {}
  // One frame of the window; its entries set the mode.
  void update();
};
