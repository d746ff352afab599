#pragma once
// Window events written the short way: "+A" key A down, "-A" up, "*A" an
// auto-repeat of A, "'a" the text "a" ("'" alone a blank), "click" the left
// mouse button down. Key names are SDL's, '_' for a blank ("+Left_Shift").
// Key events carry the modifiers held, as SDL's do (a modifier's own press
// includes it). Written back the same way, so a test compares event runs as
// text.
#include <SDL.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

inline Uint16 modifier_bit(SDL_Scancode key) {
  switch (key) {
  case SDL_SCANCODE_LCTRL: return KMOD_LCTRL;
  case SDL_SCANCODE_RCTRL: return KMOD_RCTRL;
  case SDL_SCANCODE_LSHIFT: return KMOD_LSHIFT;
  case SDL_SCANCODE_RSHIFT: return KMOD_RSHIFT;
  case SDL_SCANCODE_LALT: return KMOD_LALT;
  case SDL_SCANCODE_RALT: return KMOD_RALT;
  case SDL_SCANCODE_LGUI: return KMOD_LGUI;
  case SDL_SCANCODE_RGUI: return KMOD_RGUI;
  default: return 0;
  }
}

inline std::vector<SDL_Event> key_events(std::string_view text) {
  std::vector<SDL_Event> out;
  Uint16 mod = 0;
  std::istringstream in{std::string(text)};
  for (std::string word; in >> word;) {
    SDL_Event e{};
    if (word == "click") {
      e.type = SDL_MOUSEBUTTONDOWN;
      e.button.button = SDL_BUTTON_LEFT;
    } else if (word[0] == '\'') {
      e.type = SDL_TEXTINPUT;
      if (word.size() == 1) word += ' ';
      word.copy(e.text.text, sizeof e.text.text - 1, 1);
    } else {
      std::string name = word.substr(1);
      for (char& c : name)
        if (c == '_') c = ' ';
      e.type = word[0] == '-' ? SDL_KEYUP : SDL_KEYDOWN;
      e.key.repeat = word[0] == '*';
      e.key.keysym.scancode = SDL_GetScancodeFromName(name.c_str());
      if (!e.key.repeat) {
        Uint16 const bit = modifier_bit(e.key.keysym.scancode);
        mod = static_cast<Uint16>(e.type == SDL_KEYDOWN ? mod | bit : mod & ~bit);
      }
      e.key.keysym.mod = mod;
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

// The typing of characters on a US keyboard: each key down, its text, and
// up; Shift held around the shifted ones ("A", "(").
inline std::string typing(std::string_view chars) {
  static constexpr std::string_view plain = "`1234567890-=[]\\;',./", shifted = "~!@#$%^&*()_+{}|:\"<>?";
  std::string out;
  for (char c : chars) {
    bool shift = c >= 'A' && c <= 'Z';
    char k = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (auto i = shifted.find(c); i != std::string_view::npos) shift = true, k = plain[i];
    std::string const key = c == ' ' ? "Space" : std::string(1, k);
    if (!out.empty()) out += ' ';
    if (shift) out += "+Left_Shift ";
    out += '+';
    out += key;
    out += " '";
    out += c;
    out += " -";
    out += key;
    if (shift) out += " -Left_Shift";
  }
  return out;
}
