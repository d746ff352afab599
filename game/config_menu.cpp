#include "game/config_menu.hpp"

#include "foundation/audio.hpp"
#include "foundation/config.hpp"
#include "foundation/event.hpp"
#include "foundation/str_db.hpp"
#include "game/menu_window.hpp"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <typeinfo>

namespace {

// A window side is the desktop's (-1) or at least 1; stepping across 0 moves
// to the other kind.
int window_side(int before, int typed) {
  if (typed >= 1) return typed;
  if (typed == 0) return before < 0 ? 1 : -1;
  return -1;
}
int at_least(int typed, int low) { return typed < low ? low : typed; }
// The index of a swap interval's name; values from a hand-edited file too.
int vsync_name(int vsync) { return vsync < -1 ? 0 : vsync > 1 ? 2 : vsync + 1; }

constexpr std::array<char const*, 3> vsync_names = {"adaptive", "off", "on"};
constexpr std::array<char const*, 4> languages = {"en_us", "es_es", "fr_fr", "pl_pl"};
constexpr std::array<char const*, 12> action_keys = {
    "ui.conf.input.left",     "ui.conf.input.right",     "ui.conf.input.front", "ui.conf.input.back",
    "ui.conf.input.crouch",   "ui.conf.input.run",       "ui.conf.input.jump",  "ui.conf.input.interact",
    "ui.conf.input.inventory", "ui.conf.input.paint",    "ui.conf.input.erase", "ui.conf.input.pick"};

void section(char const* key) {
  ImGui::Separator();
  ImGui::TextUnformatted(str_db().get(key));
}

// An integer field with steps; true when the player changed it.
bool integer(char const* key, std::int32_t& value, int fast_step) {
  return ImGui::InputInt(keyed_label(key).c_str(), &value, 1, fast_step);
}

// A binding's name for its button; a binding without one shows nothing.
char const* binding_name(Event_catcher const& c) {
  try {
    return to_string(c);
  } catch (std::bad_cast const&) {
    return "";
  }
}

} // namespace

struct Config_menu::Impl {
  Target target;
  bool changed_window = false;
  bool changed_page = false;
  int last_frame = -2; // the GUI frame of the last update

  explicit Impl(Target t) : target(std::move(t)) {}

  void update(glm::ivec2 window);
  void window_section();
  void audio_section();
  void input_section();
  void server_section();
  void language_section();
  void save();
  void discard();
};

void Config_menu::Impl::update(glm::ivec2 window) {
  int const frame = ImGui::GetFrameCount();
  if (frame != last_frame + 1) changed_window = changed_page = false;
  last_frame = frame;

  std::int64_t const side = 267 * static_cast<std::int64_t>(gui_scale(target.config.ui_scale));
  centre_next_window(window, ImVec2(static_cast<float>(std::min<std::int64_t>(side, window.x)),
                                    static_cast<float>(std::min<std::int64_t>(side, window.y))));
  if (ImGui::Begin(keyed_label("ui.conf").c_str(), nullptr, menu_window_flags)) {
    window_section();
    audio_section();
    input_section();
    server_section();
    language_section();
    if (ImGui::Button(keyed_label("ui.conf.save").c_str())) save();
    ImGui::SameLine();
    if (ImGui::Button(keyed_label("ui.conf.discard").c_str())) discard();
  }
  ImGui::End();
}

void Config_menu::Impl::window_section() {
  Config& c = target.config;
  section("ui.conf.window");
  std::int32_t v = c.width;
  if (integer("ui.conf.window.width", v, 100)) c.width = window_side(c.width, v);
  v = c.height;
  if (integer("ui.conf.window.height", v, 100)) c.height = window_side(c.height, v);
  ImGui::Checkbox(keyed_label("ui.conf.window.fullscreen").c_str(), &c.fullscreen);
  ImGui::SliderInt(keyed_label("ui.conf.window.vsync").c_str(), &c.vsync, -1, 1, vsync_names[vsync_name(c.vsync)]);
  if (integer("ui.conf.window.ui_scale", c.ui_scale, 8)) {
    c.ui_scale = at_least(c.ui_scale, 1);
    changed_window = true;
  }
}

void Config_menu::Impl::audio_section() {
  Config& c = target.config;
  section("ui.conf.audio");
  // Both set the one master gain of the mixer.
  if (ImGui::SliderFloat(keyed_label("ui.conf.audio.music_volume").c_str(), &c.music_volume, 0.0f, 1.0f, "%.3f"))
    target.mixer.set_gain(c.music_volume);
  if (ImGui::SliderFloat(keyed_label("ui.conf.audio.sfx_volume").c_str(), &c.sfx_volume, 0.0f, 1.0f, "%.3f"))
    target.mixer.set_gain(c.sfx_volume);
}

void Config_menu::Impl::input_section() {
  section("ui.conf.input");
  Input& input = target.input;
  float const width = 0.65f * ImGui::GetWindowWidth();
  for (int i = 0; i < static_cast<int>(action_keys.size()); ++i) {
    if (static_cast<std::size_t>(i) >= input.bindings.size()) break;
    char const* text = input.capture == i ? str_db().get("ui.conf.input.press_any_key")
                                          : binding_name(input.bindings[static_cast<std::size_t>(i)]);
    char label[256];
    std::snprintf(label, sizeof label, "%s##%d", text, i);
    if (ImGui::Button(label, ImVec2(width, 0))) input.capture = i; // Input binds the next suitable event
    ImGui::SameLine();
    ImGui::TextUnformatted(str_db().get(action_keys[static_cast<std::size_t>(i)]));
  }
}

void Config_menu::Impl::server_section() {
  Config& c = target.config;
  section("ui.conf.server");
  if (integer("ui.conf.server.view_distance_h", c.view_distance.x, 100)) {
    c.view_distance.x = at_least(c.view_distance.x, 1);
    c.view_distance.z = c.view_distance.x;
    changed_page = true;
  }
  if (integer("ui.conf.server.view_distance_v", c.view_distance.y, 100)) {
    c.view_distance.y = at_least(c.view_distance.y, 1);
    changed_page = true;
  }
  if (integer("ui.conf.server.hd_radius", c.high_def_radius, 100)) {
    c.high_def_radius = at_least(c.high_def_radius, 0);
    changed_page = true;
  }
  if (integer("ui.conf.server.planet_radius", c.planet_radius, 100)) c.planet_radius = at_least(c.planet_radius, 1);
  ImGui::SliderInt(keyed_label("ui.conf.server.field_of_view").c_str(), &c.field_of_view, 1, 180, "%d");
  ImGui::Checkbox(keyed_label("ui.conf.server.multithreading").c_str(), &c.multithreading);
  ImGui::SliderInt(keyed_label("ui.conf.server.page_op_time").c_str(), &c.page_op_time, 10, 30, "%d ms");
  ImGui::SliderInt(keyed_label("ui.conf.server.autosave_period").c_str(), &c.autosave_period, 1, 10, "%d min");
}

void Config_menu::Impl::language_section() {
  Config& c = target.config;
  section("ui.conf.lang");
  auto const at = std::find(languages.begin(), languages.end(), c.language);
  int chosen = at == languages.end() ? -1 : static_cast<int>(at - languages.begin());
  if (ImGui::ListBox(keyed_label("ui.conf.lang.language").c_str(), &chosen, languages.data(),
                     static_cast<int>(languages.size()), 4) &&
      chosen >= 0) {
    c.language = languages[static_cast<std::size_t>(chosen)];
    if (target.load_language)
      target.load_language(c.language);
    else
      str_db().load(c.language);
  }
}

void Config_menu::Impl::save() {
  if (target.save)
    target.save();
  else
    target.config.save(); // failures are logged there
}

void Config_menu::Impl::discard() {
  Config& c = target.config;
  auto const view = c.view_distance;
  auto const radius = c.high_def_radius;
  try {
    if (target.discard)
      target.discard();
    else
      c.load();
  } catch (std::exception const& e) {
    // Nothing saved yet: the settings stay as they are.
    SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "Settings not reloaded: %s", e.what());
    return;
  }
  // Reloaded page settings move pages like edited ones.
  if (c.view_distance != view || c.high_def_radius != radius) changed_page = true;
}

Config_menu::Config_menu(Target target) : impl_(std::make_unique<Impl>(std::move(target))) {}

Config_menu::~Config_menu() = default;

void Config_menu::update() { impl_->update(gl_window_size()); }

void Config_menu::update(glm::ivec2 window) { impl_->update(window); }

bool Config_menu::changed_page_conf() const { return impl_->changed_page; }

bool Config_menu::changed_window_conf() const { return impl_->changed_window; }
