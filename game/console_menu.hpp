#pragma once
// The console window: the script transcript above a one-line input field
// whose completed lines go to the script console.
#include <glm/vec2.hpp>
#include <imgui.h>

#include <array>
#include <cstddef>
#include <vector>

class Script;

struct Console_menu {
  Script* script;
  std::array<char, 1024> input{}; // at most 1023 characters; kept between frames and openings
  // The transcript view stays at its end while `follow` holds: it does
  // until the player scrolls up, and again once they scroll back down.
  bool follow = true;
  std::size_t shown = 0; // the transcript's length when last drawn
  // Characters typed while the transcript held the keyboard, on their way
  // to the input line.
  std::vector<ImWchar> carried;

  explicit Console_menu(Script& script_) : script(&script_) {}
  // One frame of the window, centred on the game window. Enter hands the
  // line (an empty one too) to Script::input and empties the field.
  void update();
  void update(glm::ivec2 window);

private:
  // Keeps the characters typed this frame for the input line.
  void carry(ImGuiIO& io);
};
