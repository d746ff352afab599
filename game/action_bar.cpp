#include "game/action_bar.hpp"

#include "foundation/str_db.hpp"

#include <SDL.h>
#include <imgui.h>

void Action_bar::say(std::string text, Clock::time_point now) {
  message = std::move(text);
  expiry = now + shown_for;
}

glm::vec2 Action_bar::anchor(glm::ivec2 window) const {
  return {static_cast<float>(window.x / 2), static_cast<float>(window.y - 30 * config.ui_scale)};
}

void Action_bar::update() {
  glm::ivec2 size{0, 0};
  if (SDL_Window* w = SDL_GL_GetCurrentWindow()) SDL_GetWindowSize(w, &size.x, &size.y);
  update(Clock::now(), size);
}

void Action_bar::update(Clock::time_point now, glm::ivec2 window) {
  if (!showing(now)) return;
  glm::vec2 at = anchor(window);
  ImGui::SetNextWindowPos(ImVec2(at.x, at.y), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(0, 0), ImGuiCond_Always);
  ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar |
                           ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoBackground |
                           ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNavInputs |
                           ImGuiWindowFlags_NoNavFocus;
  if (ImGui::Begin("ui.action"_tr, nullptr, flags)) ImGui::Text("%s", message.c_str());
  ImGui::End();
}
