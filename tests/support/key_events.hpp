#pragma once
// Window events written the short way: "+A" key A down, "-A" up, "*A" an
// auto-repeat of A, "'a" the text "a", "click" the left mouse button down.
// Key names are SDL's, '_' for a blank ("+Left_Shift"). Written back the same
// way, so a test compares event runs as text.
#include <SDL.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

inline std::vector<SDL_Event> key_events(std::string_view text) {
  std::vector<SDL_Event> out;
  std::istringstream in{std::string(text)};
  for (std::string word; in >> word;) {
    SDL_Event e{};
    if (word == "click") {
      e.type = SDL_MOUSEBUTTONDOWN;
      e.button.button = SDL_BUTTON_LEFT;
    } else if (word[0] == '\'') {
      e.type = SDL_TEXTINPUT;
      word.copy(e.text.text, sizeof e.text.text - 1, 1);
    } else {
      std::string name = word.substr(1);
      for (char& c : name)
        if (c == '_') c = ' ';
      e.type = word[0] == '-' ? SDL_KEYUP : SDL_KEYDOWN;
      e.key.repeat = word[0] == '*';
      e.key.keysym.scancode = SDL_GetScancodeFromName(name.c_str());
    }
    out.push_back(e);
  }
  return out;
}

inline std::string key_text(SDL_Event const& e) {
  if (e.type == SDL_MOUSEBUTTONDOWN) return "click";
  if (e.type == SDL_TEXTINPUT) return std::string("'") + e.text.text;
  if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) return "?";
  std::string name = SDL_GetScancodeName(e.key.keysym.scancode);
  for (char& c : name)
    if (c == ' ') c = '_';
  return (e.type == SDL_KEYUP ? "-" : e.key.repeat ? "*" : "+") + name;
}

inline std::string key_text(std::vector<SDL_Event> const& events) {
  std::string out;
  for (SDL_Event const& e : events) {
    if (!out.empty()) out += ' ';
    out += key_text(e);
  }
  return out;
}

// The typing of lowercase letters, digits and blanks, each key down, its
// text, and up.
inline std::string typing(std::string_view chars) {
  std::string out;
  for (char c : chars) {
    std::string key = c == ' ' ? "Space" : std::string(1, static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
    out += (out.empty() ? "+" : " +") + key + " '" + c + " -" + key;
  }
  return out;
}
