#pragma once
// Crafting recipes per crafting cell type, read from every pack's recipes.cfg.
#include "content/cell_db.hpp"
#include "world/item.hpp"

#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <vector>

struct Recipe {
  Item result;    // empty (id 0, count 0) until a "result" line
  Inventory from; // the inputs in file order; one kind may repeat
};

struct Recipe_database {
  std::unordered_map<Cell_id, std::vector<Recipe>> recipes; // cell types without recipes have no entry

  Recipe_database();
  explicit Recipe_database(std::filesystem::path const& packs);

  // The recipes of a crafting cell type in reading order; null when it has none.
  std::vector<Recipe> const* find(Cell_id cell) const;

  // Reads one pack's recipes.cfg; false when absent or cut by a syntax error.
  bool load_file(std::filesystem::path const& pack);
};

// "name [count]": the item type found or added by its full name, as written;
// the count is 1 when missing and 0 when it can't be read, clamped to 16 bits.
Item to_item(std::string_view text);

Recipe_database& recipe_db();
