#pragma once
// The program's one window with its OpenGL context, and the frame pacer.
#include "foundation/config.hpp"
#include "foundation/fps.hpp"

#include <SDL.h>

#include <glm/vec2.hpp>

struct Media {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  Fps_manager pacer;

  // Opens the window and a current context with blending on. Throws
  // std::runtime_error with SDL's text when there is no window or context,
  // and the pacer's error for a frame-rate target outside 1..200.
  explicit Media(Window_config const& config);
  ~Media();
  Media(Media const&) = delete;
  Media& operator=(Media const&) = delete;

  void begin();
  void end();  // swap, then pace
  void skip(); // pace only, for a frame that is not drawn
};

// The window's size from the settings on a display of the given size: a
// negative width or height takes the display's, and one larger than the
// display is limited to it with a warning (no window could be made).
glm::ivec2 window_size(Window_config const& config, glm::ivec2 display);

// Asks for the swap interval through `set` (SDL_GL_SetSwapInterval in the
// game); a refusal only warns (a refused 0 only says so), and a refused
// adaptive interval falls back to 1. Returns the interval in effect, or
// `vsync` when even that was refused.
int apply_swap_interval(int vsync, int (*set)(int));
