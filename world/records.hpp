#pragma once
// The records every world file shares: type ids written as their full names,
// item stacks, inventories and mobs. Readers take nothing on trust: names and
// slot counts are bounded before anything is allocated, floats must be
// finite, and an unknown name becomes a new default type (find-or-add).
#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "mpk/mpk.hpp"
#include "world/item.hpp"

#include <cstddef>
#include <string>

struct Mob;

// Type names are capped at max_name_bytes, which the tables also refuse to
// hold, so every name written is one a reader takes.
// The most slots an inventory record may list: as many as an inventory holds.
inline constexpr std::size_t max_inventory_slots = Short_vector<Item>::max_elements;

// Type ids are plain integers of the same width, so an id that is to be
// written as its type's name is wrapped in the name form of its table.
struct Cell_name {
  Cell_id& id;
};
struct Item_name {
  Item_id& id;
};
struct Mob_name {
  Mob_id& id;
};

namespace mpk {

// A string of at most max_name_bytes; longer ones are refused unread.
void scan_name(Scanner& s, std::string& name);

void operator%(Emitter& e, Cell_name const& n);
void operator%(Scanner& s, Cell_name const& n);
void operator%(Emitter& e, Item_name const& n);
void operator%(Scanner& s, Item_name const& n);
void operator%(Emitter& e, Mob_name const& n);
void operator%(Scanner& s, Mob_name const& n);

// [item name, count]; the empty item is ["", 0]. Counts are kept as read.
void operator%(Emitter& e, Item const& item);
void operator%(Scanner& s, Item& item);

// One item record per slot, empty slots included; reading gives the
// inventory exactly as many slots as the record lists.
void operator%(Emitter& e, Inventory const& inv);
void operator%(Scanner& s, Inventory& inv);

// [type name, position, velocity, look angles, size, inventory]. Reading
// replaces those fields and sets the box from position and size; missing
// trailing elements keep their values. Every float must be finite and the
// position inside the cell range ("position out of range"); the writer holds
// the position inside it.
void operator%(Emitter& e, Mob const& mob);
void operator%(Scanner& s, Mob& mob);

} // namespace mpk
