#include "foundation/widgets.hpp"

#include "foundation/texture.hpp"
#include "support/gl.hpp"
#include "support/gui.hpp"
#include "support/image.hpp"
#include "support/key_events.hpp"
#include "support/sdl_log.hpp"
#include "util.hpp"

#include <imgui.h>

#include <fstream>
#include <string>

namespace {

struct Widgets_test : ::testing::Test {
  Media media{test_window(320, 240)};
  Temp_dir tmp;
  Sdl_log_capture log;

  Widgets_test() { keep_gl_driver_loaded(); }
  // One frame with a 160x100 window in the top left corner over blue.
  void draw_frame(Widgets& w) {
    ImGui::GetIO().IniFilename = nullptr; // no settings file in the working directory
    w.update();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(160, 100));
    ImGui::Begin("Hello");
    ImGui::Text("Ж λ é ł");
    ImGui::End();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    w.render();
  }
};

} // namespace

TEST_F(Widgets_test, SettingsFilesEmptyOrNotAreReadWithoutRunningPastTheirEnd) {
  // An empty file is what a full disk leaves; the library itself would read
  // past its end.
  for (std::string text : {"", "[Window][Hello]\nPos=30,40\nSize=160,100\n"}) {
    std::string const file = (tmp / "imgui.ini").string();
    { std::ofstream(file, std::ios::binary) << text; }
    {
      Widgets w(media, game_font());
      ImGui::GetIO().IniFilename = file.c_str();
      w.update();
      ImGui::Begin("Hello");
      ImVec2 const pos = ImGui::GetWindowPos();
      ImGui::End();
      w.render();
      EXPECT_EQ(pos.x, text.empty() ? 60.0f : 30.0f) << text; // the library's default place, or the saved one
      ImGui::GetIO().IniFilename = nullptr;
    }
  }
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(Widgets_test, AFrameWithAWindowIsDrawnWithTheMenusFontAndTornDown) {
  ASSERT_TRUE(fs::exists(game_font())) << game_font();
  {
    Widgets w(media, game_font());
    draw_frame(w);
    ASSERT_TRUE(screenshot(tmp / "frame.png"));
    media.end();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(log.lines.empty());
    ImGuiIO& io = ImGui::GetIO();
    EXPECT_EQ(io.ConfigFlags & 3, 3); // keyboard and gamepad navigation
    // The data directory's font at 20 px, with the scripts the menus use.
    ASSERT_EQ(io.Fonts->Fonts.Size, 1);
    EXPECT_EQ(io.Fonts->Fonts[0]->FontSize, 20.0f);
    for (ImWchar ch : {ImWchar(u'é'), ImWchar(u'ł'), ImWchar(u'λ'), ImWchar(u'Ж'), ImWchar(u'ӯ')})
      EXPECT_TRUE(io.Fonts->Fonts[0]->FindGlyphNoFallback(ch)) << ch;
    EXPECT_FALSE(io.Fonts->Fonts[0]->FindGlyphNoFallback(ImWchar(0x4E00)));
  }
  EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);

  int width = 0, height = 0;
  auto px = read_image(tmp / "frame.png", width, height);
  ASSERT_EQ(std::pair(width, height), std::pair(320, 240));
  auto at = [&](int x, int y) { return px[std::size_t(y * width + x)]; };
  // Title bar at the very top, the dark body below it, blue around.
  EXPECT_NE(at(80, 3), 0x0000ffffu);
  EXPECT_LT(at(80, 80) >> 8 & 0xff, 0x40u) << std::hex << at(80, 80);
  EXPECT_EQ(std::pair(at(300, 3), at(80, 200)), std::pair(0x0000ffffu, 0x0000ffffu));
}

TEST_F(Widgets_test, AMissingOrBrokenFontFallsBackToTheBuiltInOne) {
  for (fs::path font : {tmp / "missing.ttf", tmp.write("broken.ttf", "not a font at all"), fs::path()}) {
    log.lines.clear();
    Widgets w(media, font);
    ASSERT_EQ(log.lines.size(), 1u) << font;
    EXPECT_NE(log.lines[0].find("can't load font"), std::string::npos);
    EXPECT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 1);
    draw_frame(w);
    media.end();
  }
}

TEST_F(Widgets_test, KeysShorterThanAFrameReachTheGuiInTheOrderTyped) {
  Widgets w(media, game_font());
  ImGui::GetIO().IniFilename = nullptr;
  char line[64] = "";
  std::string seen;
  auto frame = [&] {
    w.update();
    ImGui::Begin("Typing");
    if (!ImGui::IsAnyItemActive()) ImGui::SetKeyboardFocusHere();
    ImGui::InputText("##line", line, sizeof line);
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false)) seen += std::string(line) + "<enter>";
    ImGui::End();
    w.render();
  };
  for (int i = 0; i < 2; ++i) frame(); // the field holds the keyboard
  // All of it polled before one frame, as a slow frame finds it.
  // Taken in one frame, the text would go in before the keys act, and
  // Enter would be down and up again unseen.
  std::string const keys = typing("ab") + " +Left -Left +Backspace -Backspace " + typing("c") + " +Return -Return";
  for (SDL_Event e : key_events(keys)) w.handle_event(e);
  for (int i = 0; i < 8; ++i) frame();
  EXPECT_EQ(w.feed.waiting(), 0u);
  EXPECT_EQ(seen, "cb<enter>");
}
