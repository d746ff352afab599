#pragma once
// Plays the headless GUI like a player: the pointer moves and clicks, keys
// and characters are typed; widgets are found by their identities (where
// the GUI reports them hovered) and drawn text is read back from the glyphs.
#include "support/gui.hpp"

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Gui_player {
public:
  static constexpr int enter_key = 13, tab_key = 9;

  Gui_player(Headless_gui& gui, std::function<void()> draw) : gui_(gui), draw_(std::move(draw)) {
    ImGui::GetIO().KeyMap[ImGuiKey_Enter] = enter_key;
    ImGui::GetIO().KeyMap[ImGuiKey_Tab] = tab_key;
  }

  void frames(int n = 1) {
    for (int i = 0; i < n; ++i) gui_.frame(draw_);
  }
  ImGuiID hovered_at(ImVec2 p) {
    ImGui::GetIO().MousePos = p;
    frames();
    return ImGui::GetCurrentContext()->HoveredId;
  }
  // Pointer there, the button down for a frame and up for a frame.
  void click(ImVec2 p, int button = 0) {
    hovered_at(p);
    for (bool down : {true, false}) {
      ImGui::GetIO().MouseDown[button] = down;
      frames();
    }
  }
  // The mouse wheel turned over p for a frame (up is positive).
  void wheel(ImVec2 p, float turns) {
    ImGui::GetIO().MousePos = p;
    ImGui::GetIO().MouseWheel = turns;
    frames();
  }
  void type(std::string_view text) {
    for (char c : text) ImGui::GetIO().AddInputCharacter(static_cast<unsigned char>(c));
    frames();
  }
  void key(int index) {
    for (bool down : {true, false}) {
      ImGui::GetIO().KeysDown[index] = down;
      frames();
    }
  }

  // The middle of the widget `id`, found down the window's left edge; with
  // `row` given, along the row of that one (a number field's step buttons).
  std::optional<ImVec2> find(ImGuiWindow* w, ImGuiID id, ImGuiID row = 0) {
    float const left = w->Pos.x + w->WindowPadding.x + 3.0f;
    auto y = span(row ? row : id, w->Pos.y, w->Pos.y + w->Size.y, [&](float v) { return ImVec2(left, v); });
    if (!y) return std::nullopt;
    if (!row) return ImVec2(left, *y);
    auto x = span(id, w->Pos.x, w->Pos.x + w->Size.x, [&](float v) { return ImVec2(v, *y); });
    return x ? std::optional<ImVec2>(ImVec2(*x, *y)) : std::nullopt;
  }

  // The identity of a widget labelled with the path's last part, inside the
  // scopes of the others.
  static ImGuiID id_of(ImGuiWindow const* w, std::initializer_list<char const*> path) {
    ImGuiID id = w->ID;
    for (char const* part : path) id = ImHashStr(part, 0, id);
    return id;
  }
  // The child window BeginChild(name) made, or a widget made with its own id.
  static ImGuiWindow* child(ImGuiWindow const* parent, char const* name) {
    char full[512];
    std::snprintf(full, sizeof full, "%s/%s_%08X", parent->Name, name, ImHashStr(name, 0, parent->ID));
    return ImGui::FindWindowByName(full);
  }
  static ImGuiWindow* child(ImGuiWindow const* parent, ImGuiID id) {
    char full[512];
    std::snprintf(full, sizeof full, "%s/%08X", parent->Name, id);
    return ImGui::FindWindowByName(full);
  }

  // The characters drawn into the window in the last frame, in order and
  // without blanks, each with the rectangle it covers: each glyph is a quad
  // carrying its corner of the atlas.
  struct Glyph {
    char c;
    ImRect at;
  };
  static std::vector<Glyph> drawn_glyphs(ImGuiWindow const* w) {
    std::vector<Glyph> out;
    ImVector<ImDrawVert> const& v = w->DrawList->VtxBuffer;
    for (int i = 0; i + 3 < v.Size; ++i)
      for (ImFontGlyph const& g : ImGui::GetIO().Fonts->Fonts[0]->Glyphs)
        if (g.Visible && g.Codepoint < 0x80 && v[i].uv.x == g.U0 && v[i].uv.y == g.V0 && v[i + 2].uv.x == g.U1 &&
            v[i + 2].uv.y == g.V1) {
          out.push_back({static_cast<char>(g.Codepoint), ImRect(v[i].pos, v[i + 2].pos)});
          i += 3;
          break;
        }
    return out;
  }
  static std::string drawn_text(ImGuiWindow const* w) {
    std::string out;
    for (Glyph const& g : drawn_glyphs(w)) out += g.c;
    return out;
  }

private:
  // The middle of the stretch of the line where `id` is hovered.
  template <class At>
  std::optional<float> span(ImGuiID id, float from, float to, At at) {
    std::optional<float> first, last;
    for (float v = from; v < to; v += 2.0f) {
      if (hovered_at(at(v)) == id) {
        if (!first) first = v;
        last = v;
      } else if (first) {
        break;
      }
    }
    if (!first) return std::nullopt;
    return (*first + *last) / 2.0f;
  }

  Headless_gui& gui_;
  std::function<void()> draw_;
};
