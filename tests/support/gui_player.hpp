#pragma once
// Plays the headless GUI like a player: the pointer moves and clicks, keys
// and characters are typed, and widgets are found by their identities
// (scanning for the spot where the GUI reports them hovered).
#include "support/gui.hpp"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <initializer_list>

class Gui_player {
public:
  static constexpr int enter_key = 13, tab_key = 9, backspace_key = 8;

  Gui_player(Headless_gui& gui, std::function<void()> draw) : gui_(gui), draw_(std::move(draw)) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeyMap[ImGuiKey_Enter] = enter_key;
    io.KeyMap[ImGuiKey_Tab] = tab_key;
    io.KeyMap[ImGuiKey_Backspace] = backspace_key;
  }

  void frame() { gui_.frame(draw_); }
  void frames(int n) {
    for (int i = 0; i < n; ++i) frame();
  }
  // The pointer there for one frame.
  void move(ImVec2 p) {
    ImGui::GetIO().MousePos = p;
    frame();
  }
  // Pointer there, button down for a frame, up for a frame.
  void click(ImVec2 p, int button = 0) {
    move(p);
    ImGui::GetIO().MouseDown[button] = true;
    frame();
    ImGui::GetIO().MouseDown[button] = false;
    frame();
  }
  void type(std::string_view text) {
    for (char c : text) ImGui::GetIO().AddInputCharacter(static_cast<unsigned char>(c));
    frame();
  }
  void key(int index) {
    ImGui::GetIO().KeysDown[index] = true;
    frame();
    ImGui::GetIO().KeysDown[index] = false;
    frame();
  }

  // What the GUI reports hovered with the pointer there.
  ImGuiID hovered_at(ImVec2 p) {
    move(p);
    return ImGui::GetCurrentContext()->HoveredId;
  }

  // The middle of the widget with that identity inside the window, found
  // down its left edge; with `row` given, the widget is looked for along
  // the row of that one (the step buttons of a number field, say).
  std::optional<ImVec2> find(ImGuiWindow* window, ImGuiID id, ImGuiID row = 0) {
    if (!window) return std::nullopt;
    float const left = window->Pos.x + window->WindowPadding.x + 3.0f;
    auto y = span(row ? row : id, window->Pos.y, window->Pos.y + window->Size.y,
                  [&](float v) { return ImVec2(left, v); });
    if (!y || !row) return y ? std::optional<ImVec2>(ImVec2(left, *y)) : std::nullopt;
    auto x = span(id, window->Pos.x, window->Pos.x + window->Size.x, [&](float v) { return ImVec2(v, *y); });
    return x ? std::optional<ImVec2>(ImVec2(*x, *y)) : std::nullopt;
  }

  // A window's identity path: the id of a widget labelled `label` directly
  // in the window, or inside the given ID scopes.
  static ImGuiID id_of(ImGuiWindow* window, std::initializer_list<char const*> path) {
    ImGuiID id = window->ID;
    for (char const* part : path) id = ImHashStr(part, 0, id);
    return id;
  }

  // The child window that `BeginChild(name)` made inside the parent.
  static ImGuiWindow* child(ImGuiWindow const* parent, char const* name) {
    if (!parent) return nullptr;
    ImGuiID const id = ImHashStr(name, 0, parent->ID);
    char full[512];
    std::snprintf(full, sizeof full, "%s/%s_%08X", parent->Name, name, id);
    return ImGui::FindWindowByName(full);
  }
  // The one a widget made with its own id (a list box's frame).
  static ImGuiWindow* child(ImGuiWindow const* parent, ImGuiID id) {
    if (!parent) return nullptr;
    char full[512];
    std::snprintf(full, sizeof full, "%s/%08X", parent->Name, id);
    return ImGui::FindWindowByName(full);
  }

  // The characters drawn into the window in the last frame, in drawing
  // order, without blanks: each glyph is a quad carrying its own corner of
  // the font atlas.
  static std::string drawn_text(ImGuiWindow const* window) {
    ImFont const* font = ImGui::GetIO().Fonts->Fonts[0];
    std::string out;
    ImDrawList const* list = window->DrawList;
    for (int i = 0; i + 3 < list->VtxBuffer.Size; ++i) {
      ImDrawVert const* v = &list->VtxBuffer[i];
      for (ImFontGlyph const& g : font->Glyphs) {
        if (!g.Visible || v[0].uv.x != g.U0 || v[0].uv.y != g.V0 || v[2].uv.x != g.U1 || v[2].uv.y != g.V1) continue;
        unsigned const c = g.Codepoint;
        if (c < 0x80) {
          out += static_cast<char>(c);
        } else {
          out += static_cast<char>(0xC0 | (c >> 6));
          out += static_cast<char>(0x80 | (c & 0x3F));
        }
        i += 3;
        break;
      }
    }
    return out;
  }

private:
  // The middle of the stretch along one line where `id` is hovered.
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
