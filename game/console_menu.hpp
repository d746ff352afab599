#pragma once
// The console window: the script transcript above a one-line input field
// whose completed lines go to the script console.
#include <array>

class Script;

struct Console_menu {
  Script* script;
  std::array<char, 1024> input{}; // kept between frames and openings

  explicit Console_menu(Script& script_) : script(&script_) {}
  void update();
};
