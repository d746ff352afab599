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

// The longest type name a file may hold.
inline constexpr std::size_t max_name_bytes = 256;
// The most slots an inventory record may list.
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
// trailing elements keep their values.
void operator%(Emitter& e, Mob const& mob);
void operator%(Scanner& s, Mob& mob);

} // namespace mpk
