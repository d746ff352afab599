#include "game/console_menu.hpp"

#include "game/menu_window.hpp"
#include "game/script.hpp"

#include <string_view>

void Console_menu::update() { update(gl_window_size()); }

void Console_menu::update(glm::ivec2 window) {
  centre_next_window(window, ImVec2(400, 400)); // plain pixels, not scaled
  if (ImGui::Begin(keyed_label("ui.console").c_str(), nullptr, menu_window_flags)) {
    // Read-only, but a text field, so the player can select and scroll the
    // transcript; the buffer size counts its terminating zero.
    std::string& log = script->transcript;
    ImGui::InputTextMultiline("##log", log.data(), log.size() + 1, ImVec2(ImGui::GetContentRegionAvail().x, 330),
                              ImGuiInputTextFlags_ReadOnly);
    // Typing goes to the input line, unless the player has clicked into
    // the transcript: taking the focus from there would drop their
    // selection. (Asked for every frame, the focus would arrive a frame
    // late and win over the click.)
    ImGui::SetNextItemWidth(-FLT_MIN);
    if (!ImGui::IsAnyItemActive()) ImGui::SetKeyboardFocusHere();
    if (ImGui::InputText("##input", input.data(), input.size(),
                         ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AllowTabInput)) {
      input.back() = '\0';
      script->input(std::string_view(input.data()));
      input[0] = '\0';
      ImGui::SetKeyboardFocusHere(-1); // Enter let go of the field: the next line goes there too
    }
  }
  ImGui::End();
}
