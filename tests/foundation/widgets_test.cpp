#include "foundation/widgets.hpp"

#include "foundation/media.hpp"
#include "foundation/texture.hpp"

#include <gtest/gtest.h>
#include <imgui.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

void keep_gl_driver_loaded();
Window_config test_window(int w, int h);
std::vector<std::uint32_t> read_image(fs::path const& path, int& w, int& h);

namespace {

std::vector<std::string> logged;
void capture(void*, int, SDL_LogPriority, char const* message) { logged.emplace_back(message); }

// The font the build lays out, else the packaged file it links to.
fs::path gui_font() {
  fs::path built = fs::path(TERRAFOLD_BINARY_DIR) / "share/terrafold/fonts" / Widgets::font_name;
  return fs::exists(built) ? built : fs::path("/usr/share/fonts/truetype/dejavu") / Widgets::font_name;
}

class Widgets_test : public ::testing::Test {
protected:
  std::unique_ptr<Media> media;
  fs::path dir = fs::path(::testing::TempDir()) / ("terrafold_widgets_" + std::to_string(getpid()));

  void SetUp() override {
    media = std::make_unique<Media>(test_window(320, 240));
    keep_gl_driver_loaded();
    fs::create_directories(dir);
    logged.clear();
    SDL_LogSetOutputFunction(capture, nullptr);
  }
  void TearDown() override {
    SDL_LogSetOutputFunction(nullptr, nullptr);
    media.reset();
    fs::remove_all(dir);
  }
  // One frame with a 160x100 window in the top left corner over blue.
  void draw_frame(Widgets& w, char const* text) {
    media->begin();
    w.update();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(160, 100));
    ImGui::Begin("Hello");
    ImGui::Text("%s", text);
    ImGui::End();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    w.render();
  }
};

// Keeps the library from writing its settings into the working directory.
void no_ini() { ImGui::GetIO().IniFilename = nullptr; }

} // namespace

TEST_F(Widgets_test, AFrameWithAWindowIsDrawnSavedAndTornDown) {
  ASSERT_TRUE(fs::exists(gui_font())) << gui_font();
  {
    Widgets w(*media, gui_font());
    no_ini();
    ImGuiIO& io = ImGui::GetIO();
    EXPECT_EQ(io.ConfigFlags & 3, 3); // keyboard and gamepad navigation
    ImGui::GetStyle().Colors[ImGuiCol_PlotHistogram] = ImVec4(0, 1, 0, 1);
    draw_frame(w, "Ж λ é ł");
    ASSERT_TRUE(screenshot(dir / "frame.png"));
    media->end();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(logged.empty());
    EXPECT_EQ(io.DisplaySize.x, 320.0f);
    // Every frame paints histograms red again.
    ImVec4 c = ImGui::GetStyle().Colors[ImGuiCol_PlotHistogram];
    EXPECT_TRUE(c.x == 0.7f && c.y == 0.1f && c.z == 0.1f && c.w == 1.0f);
    // The font is the data directory's, at 20 px, with the menus' scripts.
    ASSERT_EQ(io.Fonts->Fonts.Size, 1);
    ImFont* font = io.Fonts->Fonts[0];
    EXPECT_EQ(font->FontSize, 20.0f);
    for (ImWchar ch : {ImWchar(u'é'), ImWchar(u'ł'), ImWchar(u'λ'), ImWchar(u'Ж'), ImWchar(u'ӯ')})
      EXPECT_TRUE(font->FindGlyphNoFallback(ch)) << ch;
    EXPECT_FALSE(font->FindGlyphNoFallback(ImWchar(0x4E00)));
  }
  EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);

  int width = 0, height = 0;
  auto px = read_image(dir / "frame.png", width, height);
  ASSERT_EQ(width * 1000 + height, 320240);
  auto at = [&](int x, int y) { return px[std::size_t(y * width + x)]; };
  // Title bar at the very top, the dark body below it, blue around.
  EXPECT_NE(at(80, 3), 0x0000ffffu);
  EXPECT_LT(at(80, 80) >> 8 & 0xff, 0x40u) << std::hex << at(80, 80);
  EXPECT_EQ(at(300, 3), 0x0000ffffu);
  EXPECT_EQ(at(80, 200), 0x0000ffffu);
}

TEST_F(Widgets_test, AMissingOrBrokenFontFallsBackToTheBuiltInOne) {
  std::ofstream(dir / "broken.ttf") << "not a font at all";
  for (fs::path font : {dir / "missing.ttf", dir / "broken.ttf", fs::path()}) {
    logged.clear();
    Widgets w(*media, font);
    no_ini();
    ASSERT_EQ(logged.size(), 1u) << font;
    EXPECT_NE(logged[0].find("can't load font"), std::string::npos);
    EXPECT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 1);
    draw_frame(w, "still drawn");
    media->end();
  }
}

TEST_F(Widgets_test, EventsReachTheGui) {
  Widgets w(*media, gui_font());
  no_ini();
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strcpy(e.text.text, "é");
  w.handle_event(e);
  ASSERT_EQ(ImGui::GetIO().InputQueueCharacters.Size, 1);
  EXPECT_EQ(ImGui::GetIO().InputQueueCharacters[0], ImWchar(0xE9));
}
