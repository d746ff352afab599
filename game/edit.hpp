#pragma once
// The player's hand on the world, once per roaming frame: choosing the held
// hotbar slot, pointing the cursor at what the crosshair meets, and the
// paint (use the held item), erase and pick actions.
#include <memory>

struct Context;

class Edit {
public:
  explicit Edit(Context& context);
  ~Edit();
  Edit(Edit const&) = delete;
  Edit& operator=(Edit const&) = delete;

  void update();
  // The held slot of the player's inventory.
  int hand() const;

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};
