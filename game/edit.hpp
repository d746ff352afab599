#pragma once
// The player's hand on the world, once per roaming frame: choosing the held
// hotbar slot, pointing the cursor at what the crosshair meets, and the
// paint (use the held item), erase and pick actions.
#include "game/player.hpp"
#include "world/item.hpp"
#include "world/raycast.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>

struct Context;
struct Mob;
struct Wmap;

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

// How far the cursor reaches, in cells.
inline constexpr float edit_reach = 10.0f;
// Frames in which a placement blocked by the player is retried.
inline constexpr std::int32_t paint_retry_frames = 10;

// The held slot, chosen with the wheel and the number keys 1 to 4: one press
// picks slots 0 to 3, a second press soon after picks among 4 to 15 (key n
// then key m: 4n + m - 1). Never past the inventory's last slot.
struct Hand_choice {
  static constexpr std::int32_t second_press_frames = 8;

  std::int32_t slot = 0;
  std::int32_t window = 0; // frames left for a second press; 0 when closed

  // One frame with an inventory of `slots` slots; without slots there is no
  // hand and nothing happens. True when the held slot changed.
  bool update(Action_states actions, std::size_t slots);
};

// Takes an item into the hand: onto the first stack of it, else one of it
// into the empty held slot or the first empty slot, else one of it replacing
// the held stack. False (nothing happened) for item 0 or no slots.
bool shift_or_replace_hand(Inventory& inventory, std::int32_t& hand, Item_id item);

// Pushes the player out of the cell being filled: up when building under its
// feet, else away from the hit face. A push starts the retry delay; nothing
// while it runs.
void jump_to_empty_space(Body& body, Raycast_result const& cursor, std::int32_t& delay);

// Uses the held item on the pointed cell through the item's use script (hit
// cell, cell in front, face); true when the script says it placed something.
// A mob in the way blocks it, and the player standing there is pushed aside.
// An error that the script raises leaves with the item named before it.
bool paint(Wmap const& wmap, Mob* player, Raycast_result const& cursor, Item_id held, std::int32_t& delay);

// What an erase takes away: a painted face before its cell.
enum class Erase_target { nothing, face, cell, mob };
Erase_target erase_target(Wmap const& wmap, Raycast_result const& cursor);

// The drop item of the pointed cell or mob; 0 for nothing.
Item_id pick_item(Wmap const& wmap, Raycast_result const& cursor);
