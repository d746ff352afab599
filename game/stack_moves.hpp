#pragma once
// How the inventory screen moves stacks between the held item (the one at
// the pointer) and a slot, and takes items from the palette. A stack never
// goes past 32767: what does not fit stays held.
#include "world/item.hpp"

// One click on a slot.
// whole (left button): a slot of the held kind (both empty included) takes
// the whole held stack; any other slot swaps with it.
// one (right button): an empty hand takes half of the slot, rounded down;
// a held stack puts one item into an empty slot or a slot of its kind, and
// swaps with a slot of another kind.
void drop(Item& held, Item& slot, bool whole);

// One click on the palette's item of kind `id`: an empty hand or a stack of
// that kind gains n; a stack of another kind is dropped.
void take_from_palette(Item& held, Item_id id, short n);
