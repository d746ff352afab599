#include "content/cell_db.hpp"

#include "content/item_db.hpp"
#include "content/pack.hpp"
#include "content/type_file.hpp"

#include <unordered_map>

namespace {

enum class Cell_key { drop, collision, opacity, interact, interact_fun, callback, callback_fun, capacity, light,
                      offset, radius };

std::unordered_map<std::string_view, Cell_key> const& cell_keys() {
  static std::unordered_map<std::string_view, Cell_key> const keys{
      {"drop", Cell_key::drop},
      {"collision", Cell_key::collision},
      {"opacity", Cell_key::opacity},
      {"interact", Cell_key::interact},
      {"interact.fun", Cell_key::interact_fun},
      {"callback", Cell_key::callback},
      {"callback.fun", Cell_key::callback_fun},
      {"capacity", Cell_key::capacity},
      {"light", Cell_key::light},
      {"offset", Cell_key::offset},
      {"radius", Cell_key::radius},
  };
  return keys;
}

// Keywords are matched exactly; anything else is value 0.
template <class E>
E keyword(std::unordered_map<std::string_view, E> const& words, std::string_view value) {
  auto it = words.find(value);
  return it == words.end() ? E(0) : it->second;
}

std::unordered_map<std::string_view, Cell_collision> const collisions{
    {"solid", Cell_collision::solid}, {"climb", Cell_collision::climb},     {"slow", Cell_collision::slow},
    {"buoy", Cell_collision::buoy},   {"raycast", Cell_collision::raycast}, {"empty", Cell_collision::empty},
};

std::unordered_map<std::string_view, Cell_opacity> const opacities{
    {"opaque", Cell_opacity::opaque},       {"semiopaque", Cell_opacity::semiopaque},
    {"semiclear", Cell_opacity::semiclear}, {"billboard", Cell_opacity::billboard},
    {"clear", Cell_opacity::clear},
};

void parse_cell_entry(Cell_type& cell, kestrine::Scope& scope, Pack_file& file, std::string_view key) {
  std::string_view const value = file.scan.token;
  auto it = cell_keys().find(key);
  if (it == cell_keys().end()) {
    file.scan.error(value, "unrecognized key");
    return;
  }
  switch (it->second) {
  case Cell_key::drop: cell.drop = item_db()[value].id; break;
  case Cell_key::collision: cell.collision = keyword(collisions, value); break;
  case Cell_key::opacity: cell.opacity = keyword(opacities, value); break;
  case Cell_key::interact: load_script(cell.interact, scope, file, value, false); break;
  case Cell_key::interact_fun: load_script(cell.interact, scope, file, value, true); break;
  case Cell_key::callback: load_script(cell.callback, scope, file, value, false); break;
  case Cell_key::callback_fun: load_script(cell.callback, scope, file, value, true); break;
  case Cell_key::capacity: parse_byte(value, cell.capacity); break;
  case Cell_key::light: parse_byte(value, cell.light); break;
  case Cell_key::offset: cell.offset = parse_sixteenths(value); break;
  case Cell_key::radius: cell.radius = parse_sixteenths(value); break;
  }
}

} // namespace

void Cell_database::load(kestrine::Scope& scope) {
  load(scope, packs_dir());
  // Registered here, on the main thread, so the world's workers only read.
  for (char const* name :
       {"basic.none", "basic.stone", "basic.dirt", "basic.grass", "basic.sand", "basic.leaves", "basic.water"})
    (*this)[name];
}

void Cell_database::load(kestrine::Scope& scope, fs::path const& packs) {
  load_type_file(*this, packs, "cell_types.cfg", [&](Cell_type& cell, Pack_file& file, std::string_view key) {
    parse_cell_entry(cell, scope, file, key);
  });
}

Cell_database& cell_db() {
  static Cell_database db;
  return db;
}
