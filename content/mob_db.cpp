#include "content/mob_db.hpp"

#include "content/item_db.hpp"
#include "content/type_file.hpp"

#include <sstream>
#include <unordered_map>

namespace {

enum class Mob_key { size, drop, solid, persistent, items, interact, interact_fun, update, update_fun };

std::unordered_map<std::string_view, Mob_key> const& mob_keys() {
  static std::unordered_map<std::string_view, Mob_key> const keys{
      {"size", Mob_key::size},         {"drop", Mob_key::drop},
      {"solid", Mob_key::solid},       {"persistent", Mob_key::persistent},
      {"items", Mob_key::items},       {"interact", Mob_key::interact},
      {"interact.fun", Mob_key::interact_fun}, {"update", Mob_key::update},
      {"update.fun", Mob_key::update_fun},
  };
  return keys;
}

// Two numbers by formatted extraction: an unreadable one becomes 0, a
// missing second one keeps its value.
void parse_size(std::string_view value, glm::vec2& size) {
  std::istringstream in{std::string(value)};
  in >> size.x >> size.y;
}

void parse_mob_entry(Mob_type& mob, kestrine::Scope& scope, Pack_file& file, std::string_view key) {
  std::string_view const value = file.scan.token;
  auto it = mob_keys().find(key);
  if (it == mob_keys().end()) {
    file.scan.error(value, "unrecognized key");
    return;
  }
  switch (it->second) {
  case Mob_key::size: parse_size(value, mob.size); break;
  case Mob_key::drop: mob.drop = item_db()[value].id; break;
  case Mob_key::solid: mob.solid = parse_flag(value); break;
  case Mob_key::persistent: mob.persistent = parse_flag(value); break;
  case Mob_key::items: parse_byte(value, mob.items); break;
  case Mob_key::interact: load_script(mob.interact, scope, file, value, false); break;
  case Mob_key::interact_fun: load_script(mob.interact, scope, file, value, true); break;
  case Mob_key::update: load_script(mob.update, scope, file, value, false); break;
  case Mob_key::update_fun: load_script(mob.update, scope, file, value, true); break;
  }
}

} // namespace

void Mob_database::load(kestrine::Scope& scope) { load(scope, packs_dir()); }

void Mob_database::load(kestrine::Scope& scope, fs::path const& packs) {
  load_type_file(*this, packs, "mob_types.cfg", [&](Mob_type& mob, Pack_file& file, std::string_view key) {
    parse_mob_entry(mob, scope, file, key);
  });
}

Mob_database& mob_db() {
  static Mob_database db;
  return db;
}
