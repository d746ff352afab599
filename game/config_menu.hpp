#pragma once
// The settings window: edits the live settings in place, rebinds actions,
// sets the volume and language, saves or reloads game.cfg.
#include <glm/vec2.hpp>

#include <functional>
#include <memory>
#include <string>

struct Config;
struct Context;
struct Input;
struct Mixer;

class Config_menu {
public:
  // What the window edits and where its buttons act. Empty functions do
  // what the game does: save and reload game.cfg, load the packs' strings.
  struct Target {
    Config& config;
    Input& input;  // its capture index rebinds
    Mixer& mixer;  // the volume sliders set its gain
    std::function<void()> save = {};
    std::function<void()> discard = {}; // throws when there is no file to read
    std::function<void(std::string const& language)> load_language = {};
  };

  // Over the game's settings, input and mixer.
  explicit Config_menu(Context& context);
  explicit Config_menu(Target target);
  ~Config_menu();
  Config_menu(Config_menu const&) = delete;
  Config_menu& operator=(Config_menu const&) = delete;

  // One frame of the window, centred on the game window. A frame that does
  // not follow the previous one starts a new visit, which clears both flags.
  void update();
  void update(glm::ivec2 window);
  // Whether the view distance or the high-detail radius changed during this
  // visit: the page pipeline then rebuilds.
  bool changed_page_conf() const;
  // Whether the interface scale changed during this visit.
  bool changed_window_conf() const;

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};
