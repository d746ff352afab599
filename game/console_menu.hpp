#pragma once
// The console window: the script transcript above a one-line input field
// whose completed lines go to the script console.
#include "game/transcript.hpp"

#include <glm/vec2.hpp>
#include <imgui.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Script;

struct Console_menu {
  Script* script;
  std::array<char, 1024> input{}; // at most 1023 characters; kept between frames and openings
  // The transcript view stays at its end while `follow` holds: it does
  // until the player scrolls up, and again once they scroll back down.
  bool follow = true;
  std::uint64_t shown = 0;       // the transcript's version when last drawn
  std::uint64_t shown_first = 0; // and its first line then
  // The player's selection in the transcript, from where the press was to
  // where the pointer is (equal: none); kept while the transcript holds
  // the keyboard.
  Transcript::Place anchor, caret;
  bool dragging = false;
  // Characters typed while the transcript held the keyboard, on their way
  // to the input line.
  std::vector<ImWchar> carried;

  explicit Console_menu(Script& script_) : script(&script_) {}
  // One frame of the window, centred on the game window. Enter hands the
  // line (an empty one too) to Script::input and empties the field, which
  // keeps the keyboard for the next line.
  void update();
  void update(glm::ivec2 window);
  // After a frame: the input line asked for the keyboard and doesn't hold
  // it yet, so what is typed now would not reach it.
  bool waits_for_keyboard() const { return waits_; }

private:
  // Keeps the characters typed this frame for the input line.
  void carry(ImGuiIO& io);
  // The transcript, read-only: only its visible lines are laid out, and
  // the player may scroll it, select with the pointer (a double click
  // takes a word, shift extends) and copy with Ctrl+C (Ctrl+A takes all).
  void log(ImGuiID id, ImVec2 size);
  void input_line(ImGuiID id);
  static int on_line(ImGuiInputTextCallbackData* data);

  bool waits_ = false;
  bool entering_ = false; // Enter came this frame: the line is taken
  bool taken_ = false;
  std::string entered_;
};
