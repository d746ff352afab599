#include "game/menu_window.hpp"

#include "foundation/str_db.hpp"

#include <SDL.h>

glm::ivec2 gl_window_size() {
  glm::ivec2 size{0, 0};
  if (SDL_Window* w = SDL_GL_GetCurrentWindow()) SDL_GetWindowSize(w, &size.x, &size.y);
  return size;
}

int gui_scale(int ui_scale) { return ui_scale < 1 ? 1 : ui_scale; }

void centre_next_window(glm::ivec2 window, ImVec2 size) {
  ImGui::SetNextWindowPos(ImVec2(static_cast<float>(window.x / 2), static_cast<float>(window.y / 2)), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(size, ImGuiCond_Always);
}

std::string keyed_label(char const* key) { return std::string(str_db().get(key)) + "###" + key; }
