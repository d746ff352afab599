#include "game/stack_moves.hpp"

#include <utility>

void drop(Item& held, Item& slot, bool whole) {
  if (whole) {
    if (slot.id == held.id)
      held.add(static_cast<short>(-slot.add(held.count)));
    else
      std::swap(held, slot);
    return;
  }
  if (held.id == 0) {
    short const half = static_cast<short>(slot.count / 2);
    if (slot.id == 0 || half <= 0) return;
    held = Item{slot.id, half};
    slot.add(static_cast<short>(-half));
  } else if (slot.id == 0) {
    slot = Item{held.id, 1};
    held.add(-1);
  } else if (slot.id == held.id) {
    if (slot.add(1) == 1) held.add(-1);
  } else {
    std::swap(held, slot);
  }
}

void take_from_palette(Item& held, Item_id id, short n) {
  if (held.id == 0)
    held = Item{id, n};
  else if (held.id == id)
    held.add(n);
  else
    held = Item{};
}
