#pragma once
// The settings window: edits the live settings in place, rebinds actions,
// sets the volume and language, saves or reloads game.cfg.
#include <memory>

struct Context;

class Config_menu {
public:
  explicit Config_menu(Context& context);
  ~Config_menu();
  Config_menu(Config_menu const&) = delete;
  Config_menu& operator=(Config_menu const&) = delete;

  void update();
  // Whether the view distance or the high-detail radius changed during this
  // visit: the page pipeline then rebuilds.
  bool changed_page_conf() const;
  bool changed_window_conf() const;

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};
