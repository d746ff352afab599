#include "game/config_menu.hpp"

struct Config_menu::Impl {
  Context& context;
  bool changed_window = false;
  bool changed_page = false;
};

Config_menu::Config_menu(Context& context) : impl_(std::make_unique<Impl>(Impl{context})) {}

Config_menu::~Config_menu() = default;

void Config_menu::update() {}

bool Config_menu::changed_page_conf() const { return impl_->changed_page; }

bool Config_menu::changed_window_conf() const { return impl_->changed_window; }
