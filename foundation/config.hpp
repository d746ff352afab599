#pragma once
// Every setting of the program, read from and written to game.cfg.
#include "foundation/event.hpp"

#include <glm/vec3.hpp>

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

struct Dirs;

struct Window_config {
  std::int32_t width = -1;  // negative: the desktop's width
  std::int32_t height = -1; // negative: the desktop's height
  bool fullscreen = true;
  std::int32_t vsync = 1; // swap interval: 1 on, 0 off, -1 adaptive
  std::int32_t fps = 30;  // frame-rate target; not in the file
  std::int32_t ui_scale = 3;
};

struct Audio_config {
  float music_volume = 1.0f;
  float sfx_volume = 1.0f;
};

struct Config : Window_config, Audio_config {
  std::vector<Event_catcher> bindings = default_bindings(); // by action number
  std::int32_t page_op_time = 20;           // ms of page work per frame
  glm::ivec3 view_distance{48, 8, 48};      // pages per axis
  std::int32_t high_def_radius = 8;         // pages
  bool multithreading = false;
  std::int32_t planet_radius = 200000;
  std::int32_t autosave_period = 6;         // minutes
  std::int32_t field_of_view = 62;          // degrees
  std::string language = "en_us";

  struct Defaults {};

  // Defaults, then game.cfg from the configuration directories. No file yet
  // (a first start) is said in one line; an unreadable one is logged as an
  // error. Either way the defaults stay.
  Config();
  explicit Config(Dirs const& dirs);
  // Defaults only.
  explicit Config(Defaults);

  // Applies game.cfg over the current values; throws, saying why, when there
  // is no file or it can't be read.
  void load();
  void load(Dirs const& dirs);
  void load(std::filesystem::path const& file);
  // Applies the text of a settings file over the current values.
  void load_text(std::string text);

  // Writes game.cfg to the user's configuration directory, whole or not at
  // all; false (and logged) on failure.
  bool save() const;
  bool save(std::filesystem::path const& file) const;
  // The text save writes.
  std::string text() const;
};
