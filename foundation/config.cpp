#include "foundation/config.hpp"

#include "foundation/kv.hpp"
#include "foundation/paths.hpp"
#include "foundation/save.hpp"
#include "foundation/slurp.hpp"
#include "foundation/strings.hpp"

#include <SDL.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <typeinfo>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

// The settings file, relative to each configuration directory.
fs::path settings_name() { return basedir / "game.cfg"; }

std::unordered_map<std::string, int> const& key_table() {
  static std::unordered_map<std::string, int> const table{
      {"window width", 0},           {"window height", 1},
      {"window vsync", 2},           {"window fullscreen", 3},
      {"window ui_scale", 4},        {"audio music_volume", 10},
      {"audio sfx_volume", 11},      {"input left", 20},
      {"input right", 21},           {"input front", 22},
      {"input back", 23},            {"input run", 24},
      {"input crouch", 25},          {"input jump", 26},
      {"input interact", 27},        {"input inventory", 28},
      {"input erase", 29},           {"input paint", 30},
      {"input pick", 31},            {"server page_op_time", 40},
      {"server view_distance", 41},  {"server high_def_radius", 42},
      {"server multithreading", 43}, {"server planet_radius", 44},
      {"server field_of_view", 45},  {"server autosave_period", 46},
      {"language language", 50},
  };
  return table;
}

// Action of each input key, in the key table's order (20 to 31).
constexpr int input_action[] = {action_left,  action_right,     action_front,     action_back,
                                action_run,   action_crouch,    action_jump,      action_interact,
                                action_inventory, action_erase, action_paint,     action_pick};

// The longest leading integer; the field keeps its value when there is none
// or it doesn't fit.
void set_int(std::int32_t& field, std::string_view v) {
  std::int32_t n;
  auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec == std::errc()) field = n;
}

void set_float(float& field, std::string_view v) {
  float f;
  auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), f, std::chars_format::general);
  if (ec == std::errc()) field = f;
}

void set_bool(bool& field, std::string_view v) { field = !(v == "0" || v == "false"); }

void parse_entry(Config& c, std::string const& full_key, std::string_view value) {
  auto const& table = key_table();
  auto it = table.find(full_key);
  if (it == table.end()) {
    SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "unrecognized field: \"%s\"", full_key.c_str());
    return;
  }
  int field = it->second;
  switch (field) {
  case 0: set_int(c.width, value); break;
  case 1: set_int(c.height, value); break;
  case 2: set_int(c.vsync, value); break;
  case 3: set_bool(c.fullscreen, value); break;
  case 4: set_int(c.ui_scale, value); break;
  case 10: set_float(c.music_volume, value); break;
  case 11: set_float(c.sfx_volume, value); break;
  case 40: set_int(c.page_op_time, value); break;
  case 41: {
    std::istringstream in{std::string(value)};
    in >> c.view_distance;
    break;
  }
  case 42: set_int(c.high_def_radius, value); break;
  case 43: set_bool(c.multithreading, value); break;
  case 44: set_int(c.planet_radius, value); break;
  case 45: set_int(c.field_of_view, value); break;
  case 46: set_int(c.autosave_period, value); break;
  case 50:
    // The language names a file: refuse anything that would leave the
    // strings directory.
    if (value.find('/') != std::string_view::npos || value.starts_with('.')) {
      SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "unusable language: \"%.*s\"",
                  static_cast<int>(value.size()), value.data());
      break;
    }
    c.language = value;
    break;
  default: {
    std::istringstream in{std::string(value)};
    in >> c.bindings.at(static_cast<std::size_t>(input_action[field - 20]));
    break;
  }
  }
}

} // namespace

Config::Config() : Config(paths.config) {}

Config::Config(Dirs const& dirs) {
  fs::path const file = dirs.find(settings_name());
  if (file.empty()) {
    // Nothing saved yet is a first start, not a fault.
    SDL_Log("No %s yet: the default settings apply", settings_name().c_str());
    return;
  }
  try {
    load(file);
  } catch (std::exception const& e) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", e.what());
  }
}

Config::Config(Defaults) {}

void Config::load() { load(paths.config); }

void Config::load(Dirs const& dirs) {
  fs::path const file = dirs.find(settings_name());
  if (file.empty()) throw std::runtime_error("no " + settings_name().string() + " in the configuration directories");
  load(file);
}

void Config::load(fs::path const& file) {
  SDL_Log("Loading %s", file.c_str());
  std::string text;
  errno = 0;
  try {
    text = slurp(file);
  } catch (std::exception const&) {
    int const error = errno;
    throw std::runtime_error(file.string() + ": " + (error ? std::strerror(error) : "can't be read"));
  }
  load_text(std::move(text));
}

void Config::load_text(std::string text) {
  Kv_scan scan(std::move(text));
  std::string section, key;
  for (;;) {
    switch (scan()) {
    case Kv_scan::Section: section = scan.token; break;
    case Kv_scan::Key: key = scan.token; break;
    case Kv_scan::Value: parse_entry(*this, section + " " + key, scan.token); break;
    default: return; // end, or a syntax error the scanner has reported
    }
  }
}

std::string Config::text() const {
  std::ostringstream os;
  auto b = [](bool v) { return v ? "true" : "false"; };
  os << "[window]\n"
     << "width = " << width << "\n"
     << "height = " << height << "\n"
     << "fullscreen = " << b(fullscreen) << "\n"
     << "vsync = " << vsync << "\n"
     << "ui_scale = " << ui_scale << "\n\n";
  os << "[audio]\n"
     << "music_volume = " << music_volume << "\n"
     << "sfx_volume = " << sfx_volume << "\n\n";
  os << "[input]\n";
  static char const* const names[] = {"left", "right", "front",    "back",      "run",   "crouch",
                                      "jump", "interact", "inventory", "erase", "paint", "pick"};
  for (int i = 0; i < 12; ++i) {
    // A binding with no text form is left out rather than spoil the file.
    std::ostringstream value;
    bool ok;
    try {
      value << bindings.at(static_cast<std::size_t>(input_action[i]));
      ok = !value.fail();
    } catch (std::bad_cast const&) {
      ok = false;
    }
    if (ok) os << names[i] << " = " << value.str() << "\n";
    else SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "binding \"%s\" can't be written; left out", names[i]);
  }
  os << "\n";
  os << "[server]\n"
     << "page_op_time = " << page_op_time << "\n"
     << "view_distance = " << view_distance << "\n"
     << "high_def_radius = " << high_def_radius << "\n"
     << "multithreading = " << b(multithreading) << "\n"
     << "planet_radius = " << planet_radius << "\n"
     << "field_of_view = " << field_of_view << "\n"
     << "autosave_period = " << autosave_period << "\n\n";
  os << "[language]\n"
     << "language = " << language << "\n\n";
  return os.str();
}

bool Config::save() const {
  fs::path file;
  try {
    file = paths.config.w(settings_name());
  } catch (std::exception const& e) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", e.what());
    return false;
  }
  return save(file);
}

bool Config::save(fs::path const& file) const {
  SDL_Log("Saving %s\n", file.c_str());
  return save_text(file, text());
}
