#include "foundation/config.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

char const* const default_text = R"([window]
width = -1
height = -1
fullscreen = true
vsync = 1
ui_scale = 3

[audio]
music_volume = 1
sfx_volume = 1

[input]
left = key(A)
right = key(D)
front = key(W)
back = key(S)
run = key(Left Shift)
crouch = key(Left Ctrl)
jump = key(Space)
interact = key(E)
inventory = key(Tab)
erase = mbutton(1)
paint = mbutton(3)
pick = mbutton(2)

[server]
page_op_time = 20
view_distance = 48 8 48
high_def_radius = 8
multithreading = false
planet_radius = 200000
field_of_view = 62
autosave_period = 6

[language]
language = en_us

)";

// Collects SDL's log lines while alive.
struct Log_capture {
  static inline std::vector<std::string> lines;
  SDL_LogOutputFunction old_fn{};
  void* old_data{};
  Log_capture() {
    lines.clear();
    SDL_LogGetOutputFunction(&old_fn, &old_data);
    SDL_LogSetOutputFunction([](void*, int, SDL_LogPriority, char const* m) { lines.emplace_back(m); }, nullptr);
  }
  ~Log_capture() { SDL_LogSetOutputFunction(old_fn, old_data); }
};

Config loaded(std::string const& text) {
  Config c{Config::Defaults{}};
  c.load_text(text);
  return c;
}

struct ConfigFile : ::testing::Test {
  fs::path dir = fs::temp_directory_path() / ("terrafold_cfg_" + std::to_string(getpid()));
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
  static std::string raw(fs::path const& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

} // namespace

TEST(Config, DefaultsWriteTheDocumentedFile) {
  Config c{Config::Defaults{}};
  EXPECT_EQ(c.text(), default_text);
  EXPECT_EQ(c.fps, 30);
  EXPECT_EQ(c.bindings, default_bindings());
}

TEST(Config, EmptyFileKeepsEveryDefaultQuietly) {
  Log_capture log;
  EXPECT_EQ(loaded("").text(), default_text);
  EXPECT_EQ(loaded("\n  \n").text(), default_text);
  EXPECT_TRUE(log.lines.empty());
}

TEST(Config, IntegersTakeTheLeadingNumberOrNothing) {
  EXPECT_EQ(loaded("[window]\nwidth = 1280px").width, 1280);
  EXPECT_EQ(loaded("[window]\nwidth = -5").width, -5);
  for (char const* bad : {"+1280", "", "99999999999", "px", "-"})
    EXPECT_EQ(loaded(std::string("[window]\nwidth = 640\nwidth = ") + bad).width, 640) << bad;
  Config c = loaded("[server]\npage_op_time = 7\nhigh_def_radius=3\nplanet_radius = -1\n"
                    "field_of_view = 90\nautosave_period = 0\n[window]\nvsync = -1\nui_scale = 2\nheight=720");
  EXPECT_EQ(c.page_op_time, 7);
  EXPECT_EQ(c.high_def_radius, 3);
  EXPECT_EQ(c.planet_radius, -1);
  EXPECT_EQ(c.field_of_view, 90);
  EXPECT_EQ(c.autosave_period, 0);
  EXPECT_EQ(c.vsync, -1);
  EXPECT_EQ(c.ui_scale, 2);
  EXPECT_EQ(c.height, 720);
}

TEST(Config, BooleansAreFalseOnlyForZeroAndFalse) {
  EXPECT_FALSE(loaded("[window]\nfullscreen = false").fullscreen);
  EXPECT_FALSE(loaded("[window]\nfullscreen = 0").fullscreen);
  for (char const* v : {"no", "off", "1", "False", ""}) {
    EXPECT_TRUE(loaded(std::string("[window]\nfullscreen = 0\nfullscreen = ") + v).fullscreen) << v;
    EXPECT_TRUE(loaded(std::string("[server]\nmultithreading = ") + v).multithreading) << v;
  }
}

TEST(Config, VectorsAndFloats) {
  EXPECT_EQ(loaded("[server]\nview_distance = 10 4 10").view_distance, glm::ivec3(10, 4, 10));
  EXPECT_EQ(loaded("[server]\nview_distance = 10 x 10").view_distance, glm::ivec3(10, 0, 48));
  EXPECT_EQ(loaded("[server]\nview_distance = 10 4").view_distance, glm::ivec3(10, 4, 48));
  EXPECT_EQ(loaded("[server]\nview_distance = 1 2 3 4").view_distance, glm::ivec3(1, 2, 3));

  Config c = loaded("[audio]\nmusic_volume = 0.25\nsfx_volume = 2");
  EXPECT_EQ(c.music_volume, 0.25f);
  EXPECT_EQ(c.sfx_volume, 2.0f);
  EXPECT_NE(c.text().find("music_volume = 0.25\nsfx_volume = 2\n"), std::string::npos);
  EXPECT_EQ(loaded("[audio]\nmusic_volume = 1e-2x").music_volume, 0.01f);
  EXPECT_EQ(loaded("[audio]\nmusic_volume = loud").music_volume, 1.0f);
  EXPECT_EQ(loaded("[audio]\nmusic_volume = 1e999").music_volume, 1.0f);
}

TEST(Config, UnknownKeysWarnAndChangeNothing) {
  Log_capture log;
  Config c = loaded("width = 800\n[Window]\nwidth = 800\n[window]\nwidht = 1\n[input]\njump = key(NoSuchKey)");
  EXPECT_EQ(c.text(), default_text);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"unrecognized field: \" width\"",
                                                 "unrecognized field: \"Window width\"",
                                                 "unrecognized field: \"window widht\""}));
}

TEST(Config, ASyntaxErrorKeepsWhatCameBefore) {
  testing::internal::CaptureStderr();
  Config c = loaded("[window]\nwidth = 100\nbroken line\nheight = 200\n");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(c.width, 100);
  EXPECT_EQ(c.height, -1);
  EXPECT_NE(err.find("syntax error"), std::string::npos);
}

TEST(Config, LanguagesThatLeaveTheStringsDirectoryAreRefused) {
  EXPECT_EQ(loaded("[language]\nlanguage = de_de").language, "de_de");
  for (char const* bad : {"../../etc/passwd", "a/b", ".hidden", ".."})
    EXPECT_EQ(loaded(std::string("[language]\nlanguage = ") + bad).language, "en_us") << bad;
}

TEST_F(ConfigFile, EverySettingRoundTrips) {
  Config c{Config::Defaults{}};
  c.width = 1920;
  c.height = 1080;
  c.fullscreen = false;
  c.vsync = 0;
  c.ui_scale = 1;
  c.music_volume = 0.333333f;
  c.sfx_volume = 0.0f;
  c.page_op_time = 5;
  c.view_distance = {12, -3, 7};
  c.high_def_radius = 2;
  c.multithreading = true;
  c.planet_radius = 12345;
  c.field_of_view = 75;
  c.autosave_period = 1;
  c.language = "fr_fr";
  std::vector<Event_catcher> alts = {
      Catch_key{SDL_SCANCODE_RETURN}, Catch_mbutton{4}, Catch_mwheel{true},
      Catch_gbutton{SDL_CONTROLLER_BUTTON_START}, Catch_gaxis<1>{SDL_CONTROLLER_AXIS_LEFTX},
      Catch_gaxis<-1>{SDL_CONTROLLER_AXIS_LEFTY}, Catch_jbutton{3}, Catch_jaxis<1>{1},
      Catch_jaxis<-1>{2}, Catch_jhat<1>{0}, Catch_jhat<4>{1}, Catch_jhat<8>{2}};
  for (int i = 0; i < 12; ++i) c.bindings[static_cast<std::size_t>(i)] = alts[static_cast<std::size_t>(i)];
  c.bindings[action_menu] = Catch_key{SDL_SCANCODE_F1}; // no key in the file: not saved

  fs::path file = dir / "game.cfg";
  ASSERT_TRUE(c.save(file));
  EXPECT_EQ(raw(file), c.text());
  Config back{Config::Defaults{}};
  back.load(file);
  EXPECT_EQ(back.text(), c.text());
  EXPECT_EQ(back.music_volume, 0.333333f);
  EXPECT_EQ(back.view_distance, c.view_distance);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(back.bindings[static_cast<std::size_t>(i)], alts[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(back.bindings[action_menu], Event_catcher(Catch_key{SDL_SCANCODE_ESCAPE}));
}

TEST_F(ConfigFile, SavingDropsUnknownKeysAndUnwritableBindings) {
  fs::path file = dir / "game.cfg";
  std::ofstream(file) << "[window]\nwidth = 800\nmystery = 1\n[extra]\nthing = 2\n";
  Config c{Config::Defaults{}};
  c.load(file);
  c.bindings[action_jump] = Catch_key{SDL_SCANCODE_UNKNOWN};
  Log_capture log;
  ASSERT_TRUE(c.save(file));
  std::string text = raw(file);
  EXPECT_EQ(text.find("mystery"), std::string::npos);
  EXPECT_EQ(text.find("[extra]"), std::string::npos);
  EXPECT_EQ(text.find("jump ="), std::string::npos);
  EXPECT_NE(text.find("width = 800\n"), std::string::npos);
  EXPECT_NE(text.find("interact = key(E)\n"), std::string::npos);
  EXPECT_NE(text.find("[language]\nlanguage = en_us\n\n"), std::string::npos);
  bool warned = false;
  for (auto const& l : log.lines) warned |= l.find("jump") != std::string::npos;
  EXPECT_TRUE(warned);
}

TEST_F(ConfigFile, AFailedSaveKeepsTheOldFileAndSaysSo) {
  fs::path file = dir / "game.cfg";
  std::ofstream(file) << "[window]\nwidth = 800\n";
  Config c{Config::Defaults{}};
  Log_capture log;
  // The temporary file can't be made: a directory stands in its place.
  fs::create_directory(dir / "game.cfg.tmp");
  fs::create_directory(dir / "game.cfg.tmp" / "x");
  EXPECT_FALSE(c.save(file));
  EXPECT_EQ(raw(file), "[window]\nwidth = 800\n");
  ASSERT_FALSE(log.lines.empty());
  EXPECT_EQ(log.lines.back().rfind(file.string() + ": ", 0), 0u);
  // A directory that is a regular file.
  EXPECT_FALSE(c.save(file / "game.cfg"));
}

TEST_F(ConfigFile, AMissingFileThrowsItsPath) {
  Config c{Config::Defaults{}};
  try {
    c.load(dir / "nothing.cfg");
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_EQ(e.what(), (dir / "nothing.cfg").string());
  }
  EXPECT_EQ(c.text(), default_text);
}
