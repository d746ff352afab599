#include "foundation/widgets.hpp"

#include "foundation/gui_settings.hpp"
#include "foundation/media.hpp"
#include "foundation/paths.hpp"

#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

// The library bakes only the ranges it is given: Latin-1, Latin Extended-A,
// Greek and Cyrillic cover the menus' languages.
ImWchar const glyph_ranges[] = {0x0020, 0x00FF, 0x0100, 0x017F, 0x0370, 0x03FF, 0x0400, 0x052F, 0};

// The library aborts on a font file it cannot open or parse, so look first:
// the file must start like a TrueType or OpenType font.
bool looks_like_font(std::filesystem::path const& path) {
  if (path.empty()) return false;
  std::ifstream in(path, std::ios::binary);
  char tag[4] = {};
  if (!in.read(tag, 4)) return false;
  return std::memcmp(tag, "\0\1\0\0", 4) == 0 || std::memcmp(tag, "true", 4) == 0 ||
         std::memcmp(tag, "OTTO", 4) == 0 || std::memcmp(tag, "ttcf", 4) == 0;
}

// The library reads an empty settings file (one a full disk left behind)
// past its end, and trusts what it reads. Read here, the text ends in a zero
// it can't overrun, and holds only entries it can take safely; a file that
// can't be read counts as none.
void read_gui_settings(char const* file) {
  std::string text;
  if (file) {
    Gui_settings_file read = read_gui_settings_file(file);
    if (!read.writable) ImGui::GetIO().IniFilename = nullptr;
    text = safe_gui_settings(read.text);
  }
  ImGui::LoadIniSettingsFromMemory(text.c_str(), text.size());
}

} // namespace

Widgets::Widgets(Media& media_) : Widgets(media_, paths.data.r(basedir / "fonts" / font_name)) {}

Widgets::Widgets(Media& media_, std::filesystem::path const& font) : media(media_) {
  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
  io.Fonts->Clear();
  if (looks_like_font(font)) {
    io.Fonts->AddFontFromFileTTF(font.c_str(), 20.0f, nullptr, glyph_ranges);
  } else {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "can't load font '%s', using the built-in one", font.c_str());
    io.Fonts->AddFontDefault();
  }
  ImGui_ImplSDL2_InitForOpenGL(media.window, media.context);
  ImGui_ImplOpenGL3_Init(nullptr);
}

Widgets::~Widgets() {
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext();
}

void Widgets::handle_event(SDL_Event& event) { feed.push(event); }

void Widgets::update() {
  ImGuiIO& io = ImGui::GetIO();
  if (!settings_read && io.IniFilename) read_gui_settings(io.IniFilename);
  settings_read = true;
  for (SDL_Event& e : feed.next_frame()) {
    ImGui_ImplSDL2_ProcessEvent(&e);
    if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) {
      // The back end reads the modifiers as they are now; a key that waited
      // goes with those of its own time.
      Uint16 const mod = e.key.keysym.mod;
      io.KeyShift = (mod & KMOD_SHIFT) != 0;
      io.KeyCtrl = (mod & KMOD_CTRL) != 0;
      io.KeyAlt = (mod & KMOD_ALT) != 0;
      io.KeySuper = (mod & KMOD_GUI) != 0;
    }
  }
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGui::GetStyle().Colors[ImGuiCol_PlotHistogram] = ImVec4(0.7f, 0.1f, 0.1f, 1.0f);
  ImGui::NewFrame();
}

void Widgets::render() {
  ImGui::Render();
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}
