// The main menu, the console window and the settings window, clicked and
// typed into through the GUI without a window.
#include "foundation/audio.hpp"
#include "foundation/config.hpp"
#include "foundation/event.hpp"
#include "foundation/str_db.hpp"
#include "game/config_menu.hpp"
#include "game/console_menu.hpp"
#include "game/main_menu.hpp"
#include "game/script.hpp"

#include "support/gui_player.hpp"
#include "support/sdl_log.hpp"
#include "support/world.hpp"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::filesystem::path const packs = std::filesystem::path(TERRAFOLD_SOURCE_DIR) / "data" / "packs";

// Each case starts from an empty string table: every label shows its key.
struct Menus : testing::Test {
  void SetUp() override { str_db().strings.clear(); }
  void TearDown() override { str_db().strings.clear(); }
};

} // namespace

TEST_F(Menus, MainMenuEntriesSetTheMode) {
  Headless_gui gui({1280, 720});
  Mode mode = mode_main_menu;
  Main_menu menu(mode);
  Gui_player player(gui, [&] { menu.update({1280, 720}); });
  player.frames(2);
  ImGuiWindow* w = Headless_gui::drawn("###ui.main");
  ASSERT_NE(w, nullptr);
  EXPECT_NEAR(Headless_gui::centre(w).x, 640, 0.5f);
  EXPECT_NEAR(Headless_gui::centre(w).y, 360, 0.5f);
  EXPECT_EQ(w->Size.x, 200);
  EXPECT_STREQ(w->Name, "ui.main###ui.main") << "an untranslated title shows its key";

  struct Case {
    char const* key;
    Mode mode;
  } const cases[] = {{"ui.main.configure", mode_settings}, {"ui.main.exit", mode_quit}, {"ui.main.resume", mode_roaming}};
  for (auto c : cases) {
    mode = mode_main_menu;
    auto at = player.find(w, Gui_player::id_of(w, {(std::string("###") + c.key).c_str()}));
    ASSERT_TRUE(at) << c.key;
    EXPECT_EQ(mode, mode_main_menu) << "hovering changes nothing";
    player.click(*at);
    EXPECT_EQ(mode, c.mode) << c.key;
    EXPECT_STREQ(str_db().get(c.key), c.key);
  }
}

namespace {

struct Console : Menus {
  Headless_gui gui{{1280, 720}};
  Script script{[](Script&) {}};
  Console_menu console{script};
  bool shown = true;
  Gui_player player{gui, [this] {
                      if (shown) console.update({1280, 720});
                    }};

  std::string field() const { return console.input.data(); }
  void enter(std::string_view line) {
    player.type(line);
    player.key(Gui_player::enter_key);
  }
};

} // namespace

TEST_F(Console, EnterHandsEveryLineOverAndEmptiesTheField) {
  player.frames(2);
  enter("x = 2");
  EXPECT_EQ(script.transcript, "> x = 2\n2\n");
  EXPECT_EQ(field(), "");
  // A block opens, collects, and runs at the empty line.
  enter("if x == 2:");
  player.key(Gui_player::tab_key); // the Tab key indents
  enter("y = 7");
  EXPECT_EQ(script.pending, "if x == 2:\n\ty = 7\n");
  enter("");
  EXPECT_EQ(script.pending, "") << "the empty line reached the console";
  enter("y");
  EXPECT_EQ(script.transcript, "> x = 2\n2\n> if x == 2:\n> \ty = 7\n> y\n7\n");
}

TEST_F(Console, TheFieldHoldsAtMost1023CharactersAndKeepsThemWhileClosed) {
  player.frames(2);
  player.type(std::string(1030, 'a'));
  EXPECT_EQ(field(), std::string(1023, 'a'));
  player.key(Gui_player::enter_key);
  EXPECT_EQ(script.transcript.substr(0, 1027), "> " + std::string(1023, 'a') + "\n");

  player.type("abc");
  shown = false;
  player.frames(3);
  shown = true;
  player.frames(2);
  player.type("d");
  EXPECT_EQ(field(), "abcd");
}

TEST_F(Console, TheTranscriptCanBeClickedIntoAndTypingReturnsToTheLine) {
  player.frames(2);
  enter("1 + 2");
  ImGuiWindow* w = Headless_gui::drawn("###ui.console");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Size.x, 400);
  ImGuiID const log = Gui_player::id_of(w, {"##log"});
  auto at = player.find(w, log);
  ASSERT_TRUE(at);
  player.click(*at);
  player.frames(2);
  EXPECT_EQ(ImGui::GetActiveID(), log) << "the transcript keeps the focus it was given";
  auto line = player.find(w, Gui_player::id_of(w, {"##input"}));
  ASSERT_TRUE(line);
  player.click(*line);
  enter("4");
  EXPECT_EQ(script.transcript, "> 1 + 2\n3\n> 4\n4\n");
}

TEST(Settings_bounds, KeepFieldsInTheirRanges) {
  using namespace settings_bounds;
  struct Side {
    int before, typed, kept;
  } const sides[] = {{800, 801, 801}, {1, 0, -1}, {-1, 0, 1}, {-1, -2, -1}, {5, -40, -1}, {-1, 1920, 1920}};
  for (auto c : sides) EXPECT_EQ(window_side(c.before, c.typed), c.kept) << c.before << " " << c.typed;
  struct Vsync {
    int value, name;
  } const vsyncs[] = {{-1, 0}, {0, 1}, {1, 2}, {-9, 0}, {7, 2}};
  for (auto c : vsyncs) EXPECT_EQ(vsync_name(c.value), c.name) << c.value;
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
                    [](std::string const& language) { str_db().load(language, packs); }}};
  bool shown = true;
  Gui_player player{gui, [this] {
                      if (shown) menu.update(display);
                    }};

  Settings() { config.ui_scale = 4; } // tall enough that nothing scrolls

  ImGuiWindow* window() { return Headless_gui::drawn("###ui.conf"); }
  ImGuiID id(std::string const& key) { return Gui_player::id_of(window(), {("###" + key).c_str()}); }
  // A new visit to the window.
  void reopen() {
    shown = false;
    player.frame();
    shown = true;
    player.frames(2);
  }
  // Clicks the widget, or a step button ("+", "-") of a number field.
  void click(std::string const& key, char const* step = nullptr, float right = 0.0f) {
    ImGuiID const row = id(key);
    auto at = step ? player.find(window(), ImHashStr(step, 0, row), row) : player.find(window(), row);
    if (!at && key == "ui.conf.discard") at = player.find(window(), row, id("ui.conf.save")); // beside "save"
    ASSERT_TRUE(at) << key << " " << (step ? step : "");
    player.click(ImVec2(at->x + right, at->y));
  }
  void click_binding(int action) {
    std::string label = std::string(input.capture == action ? str_db().get("ui.conf.input.press_any_key")
                                                            : to_string(config.bindings[action])) +
                        "##" + std::to_string(action);
    auto at = player.find(window(), Gui_player::id_of(window(), {label.c_str()}));
    ASSERT_TRUE(at) << label;
    player.click(*at);
  }
};

} // namespace

TEST_F(Settings, NumberFieldsStepWithinTheirBoundsAndFlagPageChanges) {
  struct Case {
    char const* key;
    char const* step;
    std::function<void(Config&)> before;
    std::function<void(Config const&)> after;
    bool page_changed;
  } const cases[] = {
      {"ui.conf.server.view_distance_h", "+", [](Config& c) { c.view_distance = {48, 8, 48}; },
       [](Config const& c) { EXPECT_EQ(c.view_distance, glm::ivec3(49, 8, 49)); }, true},
      {"ui.conf.server.view_distance_h", "-", [](Config& c) { c.view_distance = {1, 8, 5}; },
       [](Config const& c) { EXPECT_EQ(c.view_distance, glm::ivec3(1, 8, 1)); }, true},
      {"ui.conf.server.view_distance_v", "+", [](Config& c) { c.view_distance = {48, 8, 40}; },
       [](Config const& c) { EXPECT_EQ(c.view_distance, glm::ivec3(48, 9, 40)); }, true},
      {"ui.conf.server.hd_radius", "-", [](Config& c) { c.high_def_radius = 0; },
       [](Config const& c) { EXPECT_EQ(c.high_def_radius, 0); }, true},
      {"ui.conf.server.planet_radius", "-", [](Config& c) { c.planet_radius = 1; },
       [](Config const& c) { EXPECT_EQ(c.planet_radius, 1); }, false},
      {"ui.conf.window.width", "-", [](Config& c) { c.width = 1; }, [](Config const& c) { EXPECT_EQ(c.width, -1); },
       false},
      {"ui.conf.window.height", "+", [](Config& c) { c.height = -1; },
       [](Config const& c) { EXPECT_EQ(c.height, 1); }, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + c.step);
    c.before(config);
    reopen();
    EXPECT_FALSE(menu.changed_page_conf()) << "a new visit starts unchanged";
    click(c.key, c.step);
    c.after(config);
    EXPECT_EQ(menu.changed_page_conf(), c.page_changed);
    player.frames(20);
    EXPECT_EQ(menu.changed_page_conf(), c.page_changed) << "kept until the window closes";
  }
  EXPECT_FALSE(menu.changed_window_conf());
  click("ui.conf.window.ui_scale", "+");
  EXPECT_EQ(config.ui_scale, 5);
  EXPECT_TRUE(menu.changed_window_conf());
}

TEST_F(Settings, VolumeSlidersEachSetTheOneGain) {
  player.frames(2);
  click("ui.conf.audio.music_volume");
  EXPECT_LT(config.music_volume, 0.1f);
  EXPECT_EQ(mixer.gain, config.music_volume);
  click("ui.conf.audio.sfx_volume", nullptr, 200.0f);
  EXPECT_GT(config.sfx_volume, 0.2f);
  EXPECT_EQ(mixer.gain, config.sfx_volume) << "the later slider wins";
  EXPECT_LT(config.music_volume, 0.1f);
}

TEST_F(Settings, BindingRowsCaptureTheNextInput) {
  player.frames(2);
  click_binding(2);
  EXPECT_EQ(input.capture, 2);
  click_binding(5);
  EXPECT_EQ(input.capture, 5) << "another row moves the capture";
  click_binding(2); // its own name again: only the capturing row says "press any key"
  click_binding(5);

  SDL_Event e{};
  e.type = SDL_KEYUP;
  e.key.keysym.scancode = SDL_SCANCODE_ESCAPE; // goes to the capture, not to the menu action
  input.handle_event(e);
  EXPECT_EQ(input.capture, -1);
  EXPECT_EQ(config.bindings[action_run], Event_catcher(Catch_key{SDL_SCANCODE_ESCAPE}));
  player.frame();
  click_binding(5); // shows the new binding's name

  click("ui.conf.save");
  Config saved{Config::Defaults{}};
  saved.load(file);
  EXPECT_EQ(saved.bindings[action_run], Event_catcher(Catch_key{SDL_SCANCODE_ESCAPE}))
      << "saving writes rebindings too";
}

TEST_F(Settings, DiscardBringsBackTheFileOrKeepsTheValuesWithoutOne) {
  config.view_distance = {30, 6, 30};
  player.frames(2);
  click("ui.conf.save");
  config.view_distance = {10, 6, 10};
  config.fullscreen = !config.fullscreen;
  click("ui.conf.discard");
  EXPECT_EQ(config.view_distance, glm::ivec3(30, 6, 30));
  EXPECT_EQ(config.fullscreen, Config(Config::Defaults{}).fullscreen);
  EXPECT_TRUE(menu.changed_page_conf()) << "reloaded page settings move pages too";

  std::filesystem::remove(file);
  config.view_distance = {12, 6, 12};
  reopen();
  Sdl_log_capture log;
  click("ui.conf.discard");
  EXPECT_EQ(config.view_distance, glm::ivec3(12, 6, 12));
  EXPECT_FALSE(menu.changed_page_conf());
  ASSERT_FALSE(log.lines.empty());
  EXPECT_NE(log.lines.back().find("Settings not reloaded"), std::string::npos) << log.joined();
}

TEST_F(Settings, ChoosingALanguageRelabelsTheWindow) {
  config.vsync = 7; // from a hand-edited file: its slider still has a name
  player.frames(2);
  EXPECT_NE(Gui_player::drawn_text(window()).find("ui.conf.save"), std::string::npos);
  ImGuiWindow* list = Gui_player::child(window(), id("ui.conf.lang.language"));
  ASSERT_NE(list, nullptr);
  int const row = 3; // list rows are numbered scopes
  auto at = player.find(list, ImHashStr("pl_pl", 0, ImHashData(&row, sizeof row, list->ID)));
  ASSERT_TRUE(at);
  player.click(*at);
  EXPECT_EQ(config.language, "pl_pl");
  EXPECT_EQ(str_db().language, "pl_pl");
  std::size_t const translated = str_db().strings.size();
  player.frame();
  EXPECT_EQ(str_db().strings.size(), translated) << "every label has its Polish text";
  std::string const text = Gui_player::drawn_text(window());
  for (char const* key : {"ui.conf", "ui.conf.save", "ui.conf.input.jump"}) {
    std::string const label = str_db().get(key);
    EXPECT_NE(label, key);
    EXPECT_NE(text.find(label), std::string::npos) << label << " in\n" << text;
  }
  EXPECT_EQ(text.find("ui.conf"), std::string::npos) << text;
}
