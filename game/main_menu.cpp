#include "game/main_menu.hpp"

#include "foundation/str_db.hpp"
#include "game/menu_window.hpp"

void Main_menu::update() { update(gl_window_size()); }

void Main_menu::update(glm::ivec2 window) {
  struct Entry {
    char const* key;
    Mode to;
  };
  static constexpr Entry entries[] = {
      {"ui.main.resume", mode_roaming}, {"ui.main.configure", mode_settings}, {"ui.main.exit", mode_quit}};

  centre_next_window(window, ImVec2(200, 200)); // plain pixels, not scaled
  if (ImGui::Begin(keyed_label("ui.main").c_str(), nullptr, menu_window_flags)) {
    for (Entry const& e : entries)
      if (ImGui::Selectable(keyed_label(e.key).c_str(), false)) *mode = e.to;
  }
  ImGui::End();
}
