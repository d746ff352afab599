#pragma once
// The GUI library without a window or renderer: frames are started and
// ended by hand, so window layout and clicks are testable headless.
#include <imgui.h>
#include <imgui_internal.h>

#include <filesystem>
#include <functional>

// The GUI font of the game: the one the build lays out, else the packaged
// file it links to.
inline std::filesystem::path game_font() {
  char const* const name = "DejaVuSans.ttf";
  std::filesystem::path const built = std::filesystem::path(TERRAFOLD_BINARY_DIR) / "share/terrafold/fonts" / name;
  return std::filesystem::exists(built) ? built : std::filesystem::path("/usr/share/fonts/truetype/dejavu") / name;
}

class Headless_gui {
public:
  // With the library's small built-in font, or the game's at its 20 px.
  explicit Headless_gui(ImVec2 display = {1280, 720}, bool with_game_font = false) {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = display;
    io.DeltaTime = 1.0f / 30.0f;
    if (with_game_font) io.Fonts->AddFontFromFileTTF(game_font().c_str(), 20.0f);
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
  }
  ~Headless_gui() { ImGui::DestroyContext(); }
  Headless_gui(Headless_gui const&) = delete;
  Headless_gui& operator=(Headless_gui const&) = delete;

  // One whole GUI frame around the drawing.
  void frame(std::function<void()> const& draw) {
    ImGui::NewFrame();
    draw();
    ImGui::Render();
  }

  // The window of that name if it was drawn in the last frame, else null.
  static ImGuiWindow* drawn(char const* name) {
    ImGuiWindow* w = ImGui::FindWindowByName(name);
    return w && w->LastFrameActive == ImGui::GetFrameCount() ? w : nullptr;
  }
  static ImVec2 centre(ImGuiWindow const* w) { return {w->Pos.x + w->Size.x * 0.5f, w->Pos.y + w->Size.y * 0.5f}; }
};
