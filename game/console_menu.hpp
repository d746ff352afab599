#pragma once
// The console window: the script transcript above a one-line input field
// whose completed lines go to the script console.
#include <glm/vec2.hpp>

#include <array>

class Script;

struct Console_menu {
  Script* script;
  std::array<char, 1024> input{}; // at most 1023 characters; kept between frames and openings

  explicit Console_menu(Script& script_) : script(&script_) {}
  // One frame of the window, centred on the game window. Enter hands the
  // line (an empty one too) to Script::input and empties the field.
  void update();
  void update(glm::ivec2 window);
};
