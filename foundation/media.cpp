#include "foundation/media.hpp"

#include <epoxy/gl.h>
#include <glm/common.hpp>
#include <glm/vector_relational.hpp>

#include <stdexcept>

namespace {

// Leaves SDL as it was found and reports what failed.
[[noreturn]] void fail(SDL_GLContext context) {
  std::runtime_error error(SDL_GetError());
  if (context) SDL_GL_DeleteContext(context);
  SDL_Quit();
  throw error;
}

} // namespace

glm::ivec2 window_size(Window_config const& config, glm::ivec2 display) {
  glm::ivec2 wanted{config.width, config.height};
  glm::ivec2 size = glm::mix(wanted, display, glm::lessThan(wanted, glm::ivec2(0)));
  if (glm::any(glm::greaterThan(size, display))) {
    glm::ivec2 limited = glm::min(size, display);
    SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "window size %dx%d is larger than the display (%dx%d): using %dx%d",
                size.x, size.y, display.x, display.y, limited.x, limited.y);
    size = limited;
  }
  return size;
}

int apply_swap_interval(int vsync, int (*set)(int)) {
  if (set(vsync) == 0) return vsync;
  // Every driver with swap control takes 0 and 1, so a refusal of either
  // means there is none (a virtual display, say): the pacer keeps the frame
  // rate and there is nothing to warn of. Only adaptive swapping is an
  // extra that may be missing where plain swapping works.
  if (vsync == -1) {
    SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "%s", SDL_GetError());
    if (set(1) == 0) return 1;
  }
  SDL_Log("Swap interval left to the driver: %s", SDL_GetError());
  return vsync;
}

Media::Media(Window_config const& config) : pacer(config.fps) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) fail(nullptr);
  SDL_DisplayMode desktop{};
  if (SDL_GetNumVideoDisplays() < 1 || SDL_GetDesktopDisplayMode(0, &desktop) != 0) fail(nullptr);
  glm::ivec2 size = window_size(config, {desktop.w, desktop.h});
  Uint32 flags = SDL_WINDOW_OPENGL | (config.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  window = SDL_CreateWindow("terrafold", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, size.x, size.y, flags);
  if (!window) fail(nullptr);
  SDL_SetWindowResizable(window, SDL_TRUE);
  context = SDL_GL_CreateContext(window);
  if (!context) fail(nullptr);
  if (SDL_GL_MakeCurrent(window, context) != 0) fail(context);
  apply_swap_interval(config.vsync, SDL_GL_SetSwapInterval);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

Media::~Media() {
  if (context) SDL_GL_DeleteContext(context);
  SDL_Quit(); // also closes the window
}

void Media::begin() { SDL_GL_MakeCurrent(window, context); }

void Media::end() {
  SDL_GL_SwapWindow(window);
  pacer.sync();
}

void Media::skip() { pacer.sync(); }
