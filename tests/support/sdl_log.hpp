#pragma once
// Captures SDL log messages for the life of the object.
#include <SDL.h>

#include <string>
#include <vector>

struct Sdl_log_capture {
  std::vector<std::string> lines;
  std::vector<SDL_LogPriority> priorities; // one per line
  SDL_LogOutputFunction old_fn = nullptr;
  void* old_data = nullptr;

  Sdl_log_capture() {
    SDL_LogGetOutputFunction(&old_fn, &old_data);
    SDL_LogSetOutputFunction(
        [](void* self, int, SDL_LogPriority priority, char const* msg) {
          static_cast<Sdl_log_capture*>(self)->lines.emplace_back(msg);
          static_cast<Sdl_log_capture*>(self)->priorities.push_back(priority);
        },
        this);
  }
  ~Sdl_log_capture() { SDL_LogSetOutputFunction(old_fn, old_data); }
  Sdl_log_capture(Sdl_log_capture const&) = delete;
  Sdl_log_capture& operator=(Sdl_log_capture const&) = delete;

  // The lines logged at that priority or above (warnings and errors...).
  std::size_t from(SDL_LogPriority priority) const {
    std::size_t n = 0;
    for (SDL_LogPriority p : priorities) n += p >= priority;
    return n;
  }

  std::string joined() const {
    std::string s;
    for (auto const& l : lines) s += l + "\n";
    return s;
  }
};
