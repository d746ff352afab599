#include "game/console_menu.hpp"

#include "game/menu_window.hpp"
#include "game/script.hpp"

#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

// The window a multi-line text field of the current window scrolls in.
ImGuiWindow* field_view(char const* label) {
  ImGuiWindow* parent = ImGui::GetCurrentWindow();
  char name[512];
  ImFormatString(name, sizeof name, "%s/%s_%08X", parent->Name, label, parent->GetID(label));
  return ImGui::FindWindowByName(name);
}

} // namespace

void Console_menu::update() { update(gl_window_size()); }

void Console_menu::carry(ImGuiIO& io) {
  carried.insert(carried.end(), io.InputQueueCharacters.begin(), io.InputQueueCharacters.end());
  io.InputQueueCharacters.resize(0);
}

void Console_menu::update(glm::ivec2 window) {
  centre_next_window(window, ImVec2(400, 400)); // plain pixels, not scaled
  // The transcript takes what the input line leaves, so the window itself
  // never scrolls.
  ImGuiWindowFlags const flags = menu_window_flags | ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse;
  if (ImGui::Begin(keyed_label("ui.console").c_str(), nullptr, flags)) {
    // The player may click into the transcript to select; what they type
    // then is meant for the input line, not the read-only transcript.
    ImGuiIO& io = ImGui::GetIO();
    if (ImGui::GetActiveID() == ImGui::GetID("##log")) carry(io);
    // Read-only, but a text field, so the player can select and scroll the
    // transcript; the buffer size counts its terminating zero.
    std::string& log = script->transcript;
    ImVec2 const room = ImGui::GetContentRegionAvail();
    float const height = std::max(std::floor(room.y - ImGui::GetFrameHeightWithSpacing()), ImGui::GetFrameHeight());
    ImGui::InputTextMultiline("##log", log.data(), log.size() + 1, ImVec2(room.x, height),
                              ImGuiInputTextFlags_ReadOnly);
    if (ImGuiWindow* view = field_view("##log")) {
      // New lines are measured by the next frame: the scroll to the end
      // lands then, and the view is at its end once more.
      if (log.size() != shown) {
        if (follow) ImGui::SetScrollY(view, 1e9f); // past any end, yet a whole number of pixels
        shown = log.size();
      } else {
        follow = view->Scroll.y >= view->ScrollMax.y;
      }
    }
    // Typing goes to the input line, unless the player has clicked into
    // the transcript: taking the focus from there would drop their
    // selection. (Asked for every frame, the focus would arrive a frame
    // late and win over the click.)
    ImGui::SetNextItemWidth(-FLT_MIN);
    if (!carried.empty() || !ImGui::IsAnyItemActive()) ImGui::SetKeyboardFocusHere();
    // A field takes characters from the frame after it became active: until
    // then they wait.
    if (ImGui::GetActiveID() == ImGui::GetID("##input")) {
      for (auto c = carried.rbegin(); c != carried.rend(); ++c) io.InputQueueCharacters.push_front(*c);
      carried.clear();
    } else if (!carried.empty()) {
      carry(io);
    }
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
