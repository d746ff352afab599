#include "foundation/config.hpp"
#include "foundation/paths.hpp"

#include "support/sdl_log.hpp"
#include "util.hpp"

namespace {

std::string const default_text =
    "[window]\nwidth = -1\nheight = -1\nfullscreen = true\nvsync = 1\nui_scale = 3\n\n"
    "[audio]\nmusic_volume = 1\nsfx_volume = 1\n\n"
    "[input]\nleft = key(A)\nright = key(D)\nfront = key(W)\nback = key(S)\nrun = key(Left Shift)\n"
    "crouch = key(Left Ctrl)\njump = key(Space)\ninteract = key(E)\ninventory = key(Tab)\n"
    "erase = mbutton(1)\npaint = mbutton(3)\npick = mbutton(2)\n\n"
    "[server]\npage_op_time = 20\nview_distance = 48 8 48\nhigh_def_radius = 8\nmultithreading = false\n"
    "planet_radius = 200000\nfield_of_view = 62\nautosave_period = 6\n\n"
    "[language]\nlanguage = en_us\n\n";

Config loaded(std::string const& text) {
  Config c{Config::Defaults{}};
  c.load_text(text);
  return c;
}

} // namespace

TEST(Config, DefaultsAndAnEmptyFileWriteTheDocumentedTextQuietly) {
  Sdl_log_capture log;
  Config c{Config::Defaults{}};
  EXPECT_EQ(c.text(), default_text);
  EXPECT_EQ(c.fps, 30);
  EXPECT_EQ(c.bindings, default_bindings());
  EXPECT_EQ(loaded("\n  \n").text(), default_text);
  EXPECT_TRUE(log.lines.empty());
}

TEST(Config, ValuesTakeTheirLeadingNumberAndBadOnesKeepTheOldValue) {
  // An earlier line sets 640, so a refused value shows as 640.
  std::pair<char const*, int> widths[] = {{"1280px", 1280}, {"-5", -5}, {"+1280", 640}, {"", 640},
                                          {"99999999999", 640}, {"px", 640}, {"-", 640}};
  for (auto [v, want] : widths) EXPECT_EQ(loaded(std::string("[window]\nwidth = 640\nwidth = ") + v).width, want) << v;
  Config c = loaded("[server]\npage_op_time = 7\nhigh_def_radius=3\nplanet_radius = -1\n"
                    "field_of_view = 90\nautosave_period = 0\n[window]\nvsync = -1\nui_scale = 2\nheight=720");
  EXPECT_EQ(std::tuple(c.page_op_time, c.high_def_radius, c.planet_radius, c.field_of_view), std::tuple(7, 3, -1, 90));
  EXPECT_EQ(std::tuple(c.autosave_period, c.vsync, c.ui_scale, c.height), std::tuple(0, -1, 2, 720));

  // Booleans are false only for "false" and 0.
  for (auto [v, want] : {std::pair("false", false), {"0", false}, {"no", true}, {"off", true}, {"1", true},
                         {"False", true}, {"", true}}) {
    EXPECT_EQ(loaded(std::string("[window]\nfullscreen = 0\nfullscreen = ") + v).fullscreen, want) << v;
    EXPECT_EQ(loaded(std::string("[server]\nmultithreading = ") + v).multithreading, want) << v;
  }
  std::pair<char const*, glm::ivec3> vectors[] = {
      {"10 4 10", {10, 4, 10}}, {"10 x 10", {10, 0, 48}}, {"10 4", {10, 4, 48}}, {"1 2 3 4", {1, 2, 3}}};
  for (auto [v, want] : vectors)
    EXPECT_EQ(loaded(std::string("[server]\nview_distance = ") + v).view_distance, want) << v;
  std::pair<char const*, float> volumes[] = {{"0.25", 0.25f}, {"2", 2}, {"1e-2x", 0.01f}, {"loud", 1}, {"1e999", 1}};
  for (auto [v, want] : volumes)
    EXPECT_EQ(loaded(std::string("[audio]\nmusic_volume = ") + v).music_volume, want) << v;
  EXPECT_NE(loaded("[audio]\nmusic_volume = 0.25\nsfx_volume = 2").text().find("music_volume = 0.25\nsfx_volume = 2\n"),
            std::string::npos);
  // The language is pasted into a path: nothing that leaves the strings directory.
  for (auto [v, want] : {std::pair("de_de", "de_de"), {"../../etc/passwd", "en_us"}, {"a/b", "en_us"},
                         {".hidden", "en_us"}, {"..", "en_us"}})
    EXPECT_EQ(loaded(std::string("[language]\nlanguage = ") + v).language, want) << v;
}

TEST(Config, UnknownKeysWarnAndASyntaxErrorKeepsWhatCameBefore) {
  Sdl_log_capture log;
  Config c = loaded("width = 800\n[Window]\nwidth = 800\n[window]\nwidht = 1\n[input]\njump = key(NoSuchKey)");
  EXPECT_EQ(c.text(), default_text);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"unrecognized field: \" width\"",
                                                 "unrecognized field: \"Window width\"",
                                                 "unrecognized field: \"window widht\""}));
  testing::internal::CaptureStderr();
  c = loaded("[window]\nwidth = 100\nbroken line\nheight = 200\n");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("syntax error"), std::string::npos);
  EXPECT_EQ(std::pair(c.width, c.height), std::pair(100, -1));
}

TEST(Config, EverySettingRoundTripsThroughTheFile) {
  Temp_dir tmp;
  Config c{Config::Defaults{}};
  static_cast<Window_config&>(c) = {1920, 1080, false, 0, 30, 1};
  static_cast<Audio_config&>(c) = {0.333333f, 0.0f};
  c.page_op_time = 5, c.view_distance = {12, -3, 7}, c.high_def_radius = 2, c.multithreading = true;
  c.planet_radius = 12345, c.field_of_view = 75, c.autosave_period = 1, c.language = "fr_fr";
  // Every kind of binding's text round-trips on its own; here: one of each device.
  std::vector<Event_catcher> alts = {Catch_key{SDL_SCANCODE_RETURN}, Catch_mwheel{true},
                                     Catch_gaxis<-1>{SDL_CONTROLLER_AXIS_LEFTY}, Catch_jhat<8>{2}};
  std::copy(alts.begin(), alts.end(), c.bindings.begin());
  c.bindings[action_menu] = Catch_key{SDL_SCANCODE_F1}; // no key in the file: not saved

  ASSERT_TRUE(c.save(tmp / "game.cfg"));
  EXPECT_EQ(Temp_dir::read(tmp / "game.cfg"), c.text());
  Config back{Config::Defaults{}};
  back.load(tmp / "game.cfg");
  EXPECT_EQ(back.text(), c.text());
  EXPECT_EQ(std::pair(back.music_volume, back.view_distance), std::pair(0.333333f, c.view_distance));
  EXPECT_TRUE(std::equal(alts.begin(), alts.end(), back.bindings.begin()));
  EXPECT_EQ(back.bindings[action_menu], Event_catcher(Catch_key{SDL_SCANCODE_ESCAPE}));
}

TEST(Config, SavingDropsUnknownKeysAndUnwritableBindings) {
  Temp_dir tmp;
  Config c{Config::Defaults{}};
  c.load(tmp.write("game.cfg", "[window]\nwidth = 800\nmystery = 1\n[extra]\nthing = 2\n"));
  c.bindings[action_jump] = Catch_key{SDL_SCANCODE_UNKNOWN};
  Sdl_log_capture log;
  ASSERT_TRUE(c.save(tmp / "game.cfg"));
  std::string text = Temp_dir::read(tmp / "game.cfg");
  for (char const* gone : {"mystery", "[extra]", "jump ="}) EXPECT_EQ(text.find(gone), std::string::npos) << gone;
  for (char const* kept : {"width = 800\n", "interact = key(E)\n", "[language]\nlanguage = en_us\n\n"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  EXPECT_NE(log.joined().find("jump"), std::string::npos) << log.joined();
}

TEST(Config, AFailedSaveKeepsTheOldFileAndAMissingOneThrowsItsPath) {
  Temp_dir tmp;
  fs::path file = tmp.write("game.cfg", "[window]\nwidth = 800\n");
  Config c{Config::Defaults{}};
  Sdl_log_capture log;
  // The temporary file can't be made: a directory stands in its place.
  fs::create_directories(tmp / "game.cfg.tmp" / "x");
  EXPECT_FALSE(c.save(file));
  EXPECT_EQ(Temp_dir::read(file), "[window]\nwidth = 800\n");
  ASSERT_FALSE(log.lines.empty());
  EXPECT_EQ(log.lines.back().rfind(file.string() + ": ", 0), 0u);
  EXPECT_FALSE(c.save(file / "game.cfg")); // a directory that is a regular file

  EXPECT_EQ(error_of([&] { c.load(tmp / "nothing.cfg"); }), (tmp / "nothing.cfg").string() + ": No such file or directory");
  EXPECT_EQ(c.text(), default_text);
}

TEST(Config, AFirstStartIsOneInfoLineAndAnUnreadableFileAnErrorWithItsReason) {
  Temp_dir home, sys;
  Dirs const dirs(home.dir, sys.dir.string());
  {
    Sdl_log_capture log;
    Config fresh(dirs);
    EXPECT_EQ(fresh.text(), default_text);
    EXPECT_EQ(log.lines, std::vector<std::string>{"No terrafold/game.cfg yet: the default settings apply"});
    EXPECT_EQ(log.from(SDL_LOG_PRIORITY_WARN), 0u);
    EXPECT_EQ(error_of([&] { fresh.load(dirs); }), "no terrafold/game.cfg in the configuration directories");
  }
  sys.write("terrafold/game.cfg", "[window]\nwidth = 640\n");
  EXPECT_EQ(Config(dirs).width, 640) << "found along the list";
  fs::create_directories(home / "terrafold/game.cfg"); // the first copy, and not a file
  Sdl_log_capture log;
  EXPECT_EQ(Config(dirs).width, -1);
  ASSERT_EQ(log.from(SDL_LOG_PRIORITY_ERROR), 1u) << log.joined();
  EXPECT_EQ(log.lines.back(), (home / "terrafold/game.cfg").string() + ": Is a directory");
}
