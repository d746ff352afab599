#include "game/inventory_menu.hpp"

struct Inventory_menu::Impl {
  Context& context;
};

Inventory_menu::Inventory_menu(Context& context) : impl_(std::make_unique<Impl>(Impl{context})) {}

Inventory_menu::~Inventory_menu() = default;

void Inventory_menu::update() {}

void Inventory_menu::hotbar(int) {}
