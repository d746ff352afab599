#include "game/crafting.hpp"

#include <algorithm>
#include <utility>
#include <vector>

bool affords(Inventory const& inventory, Recipe const& recipe) {
  std::vector<std::pair<Item_id, int>> needed;
  for (Item const& in : recipe.from) {
    auto at = std::find_if(needed.begin(), needed.end(), [&](auto const& n) { return n.first == in.id; });
    if (at == needed.end())
      needed.emplace_back(in.id, in.count);
    else
      at->second += in.count;
  }
  return std::all_of(needed.begin(), needed.end(),
                     [&](auto const& n) { return n.second <= inventory.count(n.first); });
}

bool craft(Inventory& inventory, Recipe const& recipe) {
  if (!affords(inventory, recipe)) return false;
  Inventory after = inventory;
  after.take(recipe.from);
  if (!after.give(recipe.result)) return false;
  inventory = std::move(after);
  return true;
}
