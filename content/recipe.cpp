#include "content/recipe.hpp"

#include "content/item_db.hpp"
#include "content/pack.hpp"

#include <sstream>
#include <stdexcept>
#include <string>

Item to_item(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::string name;
  short count = 1;
  in >> name >> count;
  return Item{item_db()[name].id, count};
}

Recipe_database::Recipe_database() : Recipe_database(packs_dir()) {}

Recipe_database::Recipe_database(fs::path const& packs) {
  for_each_pack(packs, [this](fs::path const& dir) { load_file(dir); });
}

std::vector<Recipe> const* Recipe_database::find(Cell_id cell) const {
  auto it = recipes.find(cell);
  return it == recipes.end() ? nullptr : &it->second;
}

bool Recipe_database::load_file(fs::path const& pack) {
  std::vector<Recipe>* list = nullptr; // the current recipe is this list's last
  std::string key;
  return read_pack_file(pack, "recipes.cfg", [&](Pack_file& file, int kind) {
    std::string_view const token = file.scan.token;
    switch (kind) {
    case Kv_scan::Section: {
      Cell_id const cell = cell_db()[section_name(file)].id;
      list = cell ? &recipes[cell] : nullptr; // record 0: the name was refused
      if (list) list->emplace_back();
      break;
    }
    case Kv_scan::Key:
      if (!list) file.scan.error(token, "expected section");
      key = token;
      break;
    case Kv_scan::Value:
      if (!list) break;
      if (key == "result") {
        list->back().result = to_item(token);
      } else if (key == "from") {
        if (!list->back().from.slots.push_back(to_item(token))) file.scan.error(token, "too many inputs");
      } else {
        file.scan.error(token, "unrecognized key");
        throw std::out_of_range("unordered_map::at");
      }
      break;
    }
  });
}

Recipe_database& recipe_db() {
  static Recipe_database db;
  return db;
}
