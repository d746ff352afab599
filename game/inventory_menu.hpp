#pragma once
// The inventory screen (the player's slots beside a palette, a container or
// recipes) and the hotbar of the roaming frame.
#include <memory>

struct Context;

class Inventory_menu {
public:
  explicit Inventory_menu(Context& context);
  ~Inventory_menu();
  Inventory_menu(Inventory_menu const&) = delete;
  Inventory_menu& operator=(Inventory_menu const&) = delete;

  void update();
  // The player's slots with the selected one framed.
  void hotbar(int selected);

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};
