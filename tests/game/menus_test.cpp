// The main menu, the console window and the settings window, clicked and
// typed into through the GUI without a window.
#include "foundation/audio.hpp"
#include "foundation/str_db.hpp"
#include "game/config_menu.hpp"
#include "game/console_menu.hpp"
#include "game/main_menu.hpp"
#include "game/script.hpp"

#include "support/gui_player.hpp"
#include "support/sdl_log.hpp"
#include "support/world.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Each case starts from an empty string table: every label shows its key.
struct Menus : testing::Test {
  Menus() { str_db().strings.clear(); }
  ~Menus() override { str_db().strings.clear(); }
  static ImGuiID keyed(ImGuiWindow* w, std::string const& key) { return Gui_player::id_of(w, {("###" + key).c_str()}); }
};

} // namespace

TEST_F(Menus, MainMenuEntriesSetTheMode) {
  Headless_gui gui;
  Mode mode = mode_main_menu;
  Main_menu menu(mode);
  Gui_player player(gui, [&] { menu.update({1280, 720}); });
  player.frames(2);
  ImGuiWindow* w = Headless_gui::drawn("###ui.main");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(Gui_player::drawn_text(w), "ui.mainui.main.resumeui.main.configureui.main.exit");
  for (auto [key, to] : {std::pair{"ui.main.configure", mode_settings}, {"ui.main.exit", mode_quit},
                         {"ui.main.resume", mode_roaming}}) {
    mode = mode_main_menu;
    player.click(player.find(w, keyed(w, key)).value());
    EXPECT_EQ(mode, to) << key;
  }
}

namespace {

struct Console : Menus {
  Headless_gui gui{{1280, 720}, true}; // the game's font, as the window's layout must hold it
  Script script{[](Script&) {}};
  Console_menu console{script};
  bool shown = true;
  Gui_player player{gui, [this] {
                      if (shown) console.update({1280, 720});
                    }};

  Console() {
    // Keyboard navigation as the game has it: Enter is its input key too.
    ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
    ImGui::GetIO().KeyMap[ImGuiKey_Space] = ' ';
    player.frames(2); // the line takes the keys from the second frame
  }
  std::string field() const { return console.input.data(); }
  void enter(std::string_view line) {
    player.type(line);
    player.key(Gui_player::enter_key);
  }
};

} // namespace

TEST_F(Console, EnterHandsEveryLineOverEmptyOnesIncluded) {
  enter("x = 2");
  enter("if x == 2:");
  player.key(Gui_player::tab_key); // a tab indents
  enter("y = 7");
  EXPECT_EQ(script.pending, "if x == 2:\n\ty = 7\n");
  enter(""); // runs the block
  enter("y");
  EXPECT_EQ(script.transcript.text(), "> x = 2\n2\n> if x == 2:\n> \ty = 7\n> y\n7\n");
}

TEST_F(Console, TheLineHolds1023CharactersAndOutlivesTheWindow) {
  player.type(std::string(1030, 'a'));
  EXPECT_EQ(field(), std::string(1023, 'a'));
  player.key(Gui_player::enter_key);
  player.type("abc");
  shown = false;
  player.frames(3);
  shown = true;
  player.frames(2);
  player.type("d");
  EXPECT_EQ(field(), "abcd");
}

TEST_F(Console, TheTranscriptFollowsItsNewestLineUnlessScrolledUp) {
  ImGuiWindow* w = Headless_gui::drawn("###ui.console");
  ASSERT_NE(w, nullptr);
  ImGuiWindow* view = Gui_player::child(w, "##log");
  ASSERT_NE(view, nullptr);
  auto shown = [&] {
    player.frames(2); // new lines are measured in the frame after they come
    return Gui_player::drawn_text(view);
  };
  for (int i = 1000; i < 1060; ++i) enter(std::to_string(i));
  std::string text = shown();
  EXPECT_TRUE(text.ends_with(">10591059")) << "the newest result in view: " << text;
  EXPECT_EQ(text.find(">1000"), std::string::npos) << "the first lines scrolled away";
  EXPECT_TRUE(!w->ScrollbarY && w->ScrollMax.y == 0.0f) << "the window holds both fields without scrolling";

  player.wheel(Headless_gui::centre(view), 3.0f); // the player scrolls up to read
  enter("2000");
  text = shown();
  EXPECT_EQ(text.find("2000"), std::string::npos) << "the view stays where the player left it: " << text;
  player.wheel(Headless_gui::centre(view), -1000.0f); // and back down
  enter("3000");
  EXPECT_TRUE(shown().ends_with(">30003000"));
}

TEST_F(Console, TypingAfterAClickIntoTheTranscriptReachesTheLine) {
  enter("7");
  ImGuiWindow* view = Gui_player::child(Headless_gui::drawn("###ui.console"), "##log");
  ASSERT_NE(view, nullptr);
  player.click(Headless_gui::centre(view));
  EXPECT_EQ(ImGui::GetActiveID(), Gui_player::id_of(Headless_gui::drawn("###ui.console"), {"##log"}))
      << "the transcript holds the keyboard for selecting";
  player.type("ab");
  player.type("c");
  player.frames();
  EXPECT_EQ(field(), "abc");
  player.key(Gui_player::enter_key);
  EXPECT_EQ(script.transcript.text(), "> 7\n7\n> abc\n");
}

TEST_F(Console, TheLineKeepsTheKeyboardThroughEnter) {
  // Each line typed in the frame Enter is let go, right after its press:
  // the line must hold the keyboard then, or the frame's characters go.
  std::string expect;
  ImGuiIO& io = ImGui::GetIO();
  for (int i = 0; i < 30; ++i) {
    std::string const line = std::to_string(5000 + i);
    for (char c : line) io.AddInputCharacter(static_cast<unsigned char>(c));
    io.KeysDown[Gui_player::enter_key] = false;
    player.frames();
    io.KeysDown[Gui_player::enter_key] = true;
    player.frames();
    expect += "> " + line + "\n" + line + "\n";
  }
  io.KeysDown[Gui_player::enter_key] = false;
  player.type("x");
  EXPECT_EQ(script.transcript.text(), expect);
  EXPECT_EQ(field(), "x");
}

TEST_F(Console, EscapeLeavesTheLineAsTyped) {
  // Escape closes the console as the game's menu key; the field, which
  // would go back to what it held when it took the keyboard, ignores it.
  ImGui::GetIO().KeyMap[ImGuiKey_Escape] = 27;
  player.type("abc");
  shown = false; // the field takes the keyboard again holding "abc"
  player.frames(2);
  shown = true;
  player.frames(2);
  enter("d");
  player.type("xy");
  player.key(27);
  player.frames(2);
  EXPECT_EQ(script.transcript.text(), "> abcd\n");
  EXPECT_EQ(field(), "xy");
  // Escape held over frames, then typing and Enter: the line kept the keyboard.
  ImGui::GetIO().KeysDown[27] = true;
  player.frames(3);
  player.type("z");
  ImGui::GetIO().KeysDown[27] = false;
  player.key(Gui_player::enter_key);
  EXPECT_EQ(script.transcript.text(), "> abcd\n> xyz\n");
}

namespace {

// The transcript's characters as drawn (blanks left out), and the middle
// of the n-th of them.
struct Drawn {
  std::vector<Gui_player::Glyph> glyphs;
  explicit Drawn(ImGuiWindow* view) : glyphs(Gui_player::drawn_glyphs(view)) {}
  ImVec2 at(std::size_t n, float x_share = 0.5f) const {
    ImRect const r = glyphs.at(n).at;
    return {r.Min.x + (r.Max.x - r.Min.x) * x_share, (r.Min.y + r.Max.y) * 0.5f};
  }
};

void press_with_ctrl(Gui_player& player, ImGuiKey key, int index) {
  ImGuiIO& io = ImGui::GetIO();
  io.KeyMap[key] = index;
  io.KeyCtrl = true;
  player.key(index);
  io.KeyCtrl = false;
}

} // namespace

TEST_F(Console, TheTranscriptSelectsAndCopies) {
  for (char const* l : {"111", "222", "333"}) enter(l);
  ImGuiWindow* view = Gui_player::child(Headless_gui::drawn("###ui.console"), "##log");
  ASSERT_NE(view, nullptr);
  Drawn const d(view);
  ASSERT_EQ(Gui_player::drawn_text(view), ">111111>222222>333333");
  ImGuiIO& io = ImGui::GetIO();
  auto drag = [&](ImVec2 from, ImVec2 to) {
    player.hovered_at(from);
    io.MouseDown[0] = true;
    player.frames();
    io.MousePos = to;
    player.frames();
    io.MouseDown[0] = false;
    player.frames();
  };
  auto copied = [&] {
    ImGui::SetClipboardText("");
    press_with_ctrl(player, ImGuiKey_C, 'C');
    return std::string(ImGui::GetClipboardText());
  };
  struct Case { std::size_t from; float from_x; std::size_t to; float to_x; char const* text; } const cases[] = {
      {1, 0.2f, 7, 0.8f, "111\n111\n>"}, // from before a glyph's middle to past one's
      {9, 0.8f, 4, 0.4f, "111\n> 22"},   // backwards
      {5, 0.2f, 5, 0.3f, ""},               // a click selects nothing
  };
  for (auto const& c : cases) {
    drag(d.at(c.from, c.from_x), d.at(c.to, c.to_x));
    EXPECT_EQ(copied(), c.text) << c.text;
  }
  // Shift extends, a double click takes a word, Ctrl+A takes it all.
  drag(d.at(1, 0.2f), d.at(1, 0.2f));
  io.KeyShift = true;
  player.click(d.at(2, 0.9f));
  io.KeyShift = false;
  EXPECT_EQ(copied(), "11");
  player.click(d.at(8, 0.5f));
  player.click(d.at(8, 0.5f));
  EXPECT_EQ(copied(), "222");
  press_with_ctrl(player, ImGuiKey_A, 'A');
  EXPECT_EQ(copied(), "> 111\n111\n> 222\n222\n> 333\n333");
  // Typing goes to the line.
  player.type("7");
  player.frames(2);
  EXPECT_EQ(field(), "7");
}

TEST_F(Console, AViewScrolledUpKeepsItsLinesWhileOlderOnesGo) {
  script.transcript = Transcript(600);
  ImGuiWindow* view = Gui_player::child(Headless_gui::drawn("###ui.console"), "##log");
  ASSERT_NE(view, nullptr);
  for (int i = 1000; i < 1060; ++i) enter(std::to_string(i));
  ASSERT_GT(script.transcript.first(), 0u) << "older lines went";
  player.frames(2);
  player.wheel(Headless_gui::centre(view), 2.0f);
  player.frames(2);
  std::string const before = Gui_player::drawn_text(view);
  for (int i = 2000; i < 2004; ++i) enter(std::to_string(i));
  player.frames(2);
  EXPECT_EQ(Gui_player::drawn_text(view), before);
  player.wheel(Headless_gui::centre(view), -1000.0f);
  enter("3000");
  player.frames(2);
  EXPECT_TRUE(Gui_player::drawn_text(view).ends_with(">30003000"));
}

namespace {

struct Settings : Menus {
  static constexpr glm::ivec2 display{1280, 1200};
  Headless_gui gui{{display.x, display.y}};
  world_test::Temp_world dir;
  std::filesystem::path file = dir.dir / "game.cfg";
  Config config{Config::Defaults{}};
  Input input{config.bindings};
  Mixer mixer;
  Config_menu menu{{config, input, mixer, [this] { config.save(file); }, [this] { config.load(file); },
                    [](std::string const& language) {
                      str_db().load(language, std::filesystem::path(TERRAFOLD_SOURCE_DIR) / "data/packs");
                    }}};
  bool shown = true;
  Gui_player player{gui, [this] {
                      if (shown) menu.update(display);
                    }};

  Settings() { config.ui_scale = 4; } // tall enough that nothing scrolls
  ImGuiWindow* window() { return Headless_gui::drawn("###ui.conf"); }
  void reopen() {
    shown = false;
    player.frames();
    shown = true;
    player.frames(2);
  }
  // Clicks a widget or a number field's step button ("+", "-").
  void click(std::string const& key, char const* step = nullptr) {
    ImGuiID const id = keyed(window(), key);
    auto at = step ? player.find(window(), ImHashStr(step, 0, id), id) : player.find(window(), id);
    if (!at) at = player.find(window(), id, keyed(window(), "ui.conf.save")); // "discard" sits beside "save"
    ASSERT_TRUE(at) << key;
    player.click(*at);
  }
  void click_binding(int i) {
    std::string text = input.capture == i ? "ui.conf.input.press_any_key" : to_string(config.bindings[i]);
    auto at = player.find(window(), Gui_player::id_of(window(), {(text + "##" + std::to_string(i)).c_str()}));
    ASSERT_TRUE(at) << text;
    player.click(*at);
  }
};

} // namespace

TEST_F(Settings, NumberFieldsStepWithinTheirBoundsAndFlagPageChanges) {
  struct Case { char const *key, *step; std::function<void(Config&)> before;
    std::function<bool(Config const&)> after; bool page; } const cases[] = {
      {"ui.conf.server.view_distance_h", "+", [](Config& c) { c.view_distance = {48, 8, 40}; },
       [](Config const& c) { return c.view_distance == glm::ivec3(49, 8, 49); }, true},
      {"ui.conf.server.view_distance_h", "-", [](Config& c) { c.view_distance = {1, 8, 5}; },
       [](Config const& c) { return c.view_distance == glm::ivec3(1, 8, 1); }, true},
      {"ui.conf.server.hd_radius", "-", [](Config& c) { c.high_def_radius = 0; },
       [](Config const& c) { return c.high_def_radius == 0; }, true},
      {"ui.conf.window.width", "-", [](Config& c) { c.width = 1; }, [](Config const& c) { return c.width == -1; },
       false},
  };
  for (auto const& c : cases) {
    c.before(config);
    reopen();
    EXPECT_FALSE(menu.changed_page_conf()) << "a new visit starts unchanged";
    click(c.key, c.step);
    EXPECT_TRUE(c.after(config)) << c.key << c.step;
    player.frames(20);
    EXPECT_EQ(menu.changed_page_conf(), c.page) << c.key << " until the window closes";
  }
  EXPECT_FALSE(menu.changed_window_conf());
  click("ui.conf.window.ui_scale", "+");
  EXPECT_TRUE(menu.changed_window_conf());
}

TEST_F(Settings, BindingsCaptureTheNextInput) {
  player.frames(2);
  click_binding(2);
  click_binding(5); // moves the capture; row 2 shows its binding again
  click_binding(2);
  click_binding(5);
  SDL_Event e{};
  e.type = SDL_KEYUP;
  e.key.keysym.scancode = SDL_SCANCODE_ESCAPE; // bound, not taken as the menu key
  input.handle_event(e);
  player.frames();
  click_binding(5); // named after its new binding
  click("ui.conf.save");
  Config saved{Config::Defaults{}};
  saved.load(file);
  EXPECT_EQ(saved.bindings[action_run], Event_catcher(Catch_key{SDL_SCANCODE_ESCAPE}));
}

TEST_F(Settings, DiscardBringsBackTheFileOrWithoutOneKeepsTheValues) {
  config.view_distance = {30, 6, 30};
  player.frames(2);
  click("ui.conf.save");
  config.view_distance = {10, 6, 10};
  click("ui.conf.discard");
  EXPECT_EQ(config.view_distance.x, 30);
  EXPECT_TRUE(menu.changed_page_conf()) << "reloaded page settings move pages too";

  std::filesystem::remove(file);
  config.view_distance = {12, 6, 12};
  Sdl_log_capture log;
  click("ui.conf.discard");
  EXPECT_EQ(config.view_distance.x, 12);
  EXPECT_NE(log.joined().find("Settings not reloaded: " + file.string() + ": No such file or directory"),
            std::string::npos) << log.joined();
}

TEST_F(Settings, ChoosingALanguageRelabelsTheWindow) {
  config.vsync = 7; // hand-edited: its slider still has a name
  player.frames(2);
  ImGuiWindow* list = Gui_player::child(window(), keyed(window(), "ui.conf.lang.language"));
  int const row = 3; // rows are numbered scopes
  player.click(*player.find(list, ImHashStr("pl_pl", 0, ImHashData(&row, sizeof row, list->ID))));
  EXPECT_EQ(config.language, "pl_pl");
  player.frames();
  std::string const text = Gui_player::drawn_text(window());
  EXPECT_NE(text.find(str_db().get("ui.conf.input.jump")), std::string::npos) << text;
  EXPECT_EQ(text.find("ui.conf"), std::string::npos) << "no raw key shown: " << text;
}
