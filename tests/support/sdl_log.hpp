#pragma once
// Captures SDL log messages for the life of the object.
#include <SDL.h>

#include <string>
#include <vector>

struct Sdl_log_capture {
  std::vector<std::string> lines;
  SDL_LogOutputFunction old_fn = nullptr;
  void* old_data = nullptr;

  Sdl_log_capture() {
    SDL_LogGetOutputFunction(&old_fn, &old_data);
    SDL_LogSetOutputFunction(
        [](void* self, int, SDL_LogPriority, char const* msg) {
          static_cast<Sdl_log_capture*>(self)->lines.emplace_back(msg);
        },
        this);
  }
  ~Sdl_log_capture() { SDL_LogSetOutputFunction(old_fn, old_data); }
  Sdl_log_capture(Sdl_log_capture const&) = delete;
  Sdl_log_capture& operator=(Sdl_log_capture const&) = delete;

  std::string joined() const {
    std::string s;
    for (auto const& l : lines) s += l + "\n";
    return s;
  }
};
