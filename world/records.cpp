#include "world/records.hpp"

#include "world/mob.hpp"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cmath>
#include <cstdint>

namespace {

// Find-or-add by name. A table with no id left gives record 0, which names
// only the empty string: the file then can't be read faithfully.
template <class Id, class Db> void scan_type(mpk::Scanner& s, Id& id, Db& db) {
  std::string name;
  mpk::scan_name(s, name);
  if (!s.ok()) return;
  auto& record = db[name];
  if (record.name != name) {
    s.error("too many types");
    return;
  }
  id = record.id;
}

// A float vector whose components must all be finite.
template <class V> struct Finite {
  V& v;
};

template <class V> void operator%(mpk::Scanner& s, Finite<V> const& f) {
  mpk::scan_arr(s, f.v);
  if (!s.ok()) return;
  for (int i = 0; i < f.v.length(); ++i)
    if (!std::isfinite(f.v[i])) {
      s.error("bad number");
      return;
    }
}

// A position, which must also lie where cell coordinates are defined: one
// further out could not be turned into a cell.
struct Position {
  glm::vec3& v;
};

void operator%(mpk::Scanner& s, Position const& p) {
  s % Finite<glm::vec3>{p.v};
  if (s.ok() && !in_cell_range(p.v)) s.error("position out of range");
}

} // namespace

namespace mpk {

void scan_name(Scanner& s, std::string& name) {
  std::int64_t n = scan_str_head(s);
  if (n < 0) return;
  if (static_cast<std::uint64_t>(n) > max_name_bytes) {
    s.error("name too long");
    return;
  }
  name.resize(static_cast<std::size_t>(n));
  s.read(name.data(), static_cast<long>(n));
}

void operator%(Emitter& e, Cell_name const& n) { emit_str(e, cell_db()[n.id].name); }
void operator%(Scanner& s, Cell_name const& n) { scan_type(s, n.id, cell_db()); }
void operator%(Emitter& e, Item_name const& n) { emit_str(e, item_db()[n.id].name); }
void operator%(Scanner& s, Item_name const& n) { scan_type(s, n.id, item_db()); }
void operator%(Emitter& e, Mob_name const& n) { emit_str(e, mob_db()[n.id].name); }
void operator%(Scanner& s, Mob_name const& n) { scan_type(s, n.id, mob_db()); }

void operator%(Emitter& e, Item const& item) {
  emit_arr_head(e, 2);
  emit_str(e, item_db()[item.id].name);
  emit_int(e, item.count);
}

void operator%(Scanner& s, Item& item) {
  Item_name name{item.id};
  pack_array(s, name, item.count);
}

void operator%(Emitter& e, Inventory const& inv) {
  emit_arr_head(e, inv.size());
  for (Item const& item : inv) {
    if (!e.ok()) return;
    e % item;
  }
}

void operator%(Scanner& s, Inventory& inv) {
  std::int64_t n = scan_arr_head(s);
  if (n < 0) return;
  if (static_cast<std::uint64_t>(n) > max_inventory_slots) {
    s.error("too many slots");
    return;
  }
  // Grows with the records actually read, not with the count the file claims.
  Short_vector<Item> slots;
  for (std::int64_t i = 0; i < n && s.ok(); ++i) {
    Item item;
    s % item;
    slots.push_back(item);
  }
  if (s.ok()) inv.slots = std::move(slots);
}

void operator%(Emitter& e, Mob const& mob) {
  Mob_id type = mob.type;
  Body const& b = mob.body;
  pack_array(e, Mob_name{type}, storable_position(b.position), b.velocity, b.angles, b.size, mob.inventory);
}

void operator%(Scanner& s, Mob& mob) {
  Body& b = mob.body;
  Mob_name type{mob.type};
  Position position{b.position};
  Finite<glm::vec3> velocity{b.velocity};
  Finite<glm::vec2> angles{b.angles}, size{b.size};
  pack_array(s, type, position, velocity, angles, size, mob.inventory);
  b.update_box();
}

} // namespace mpk
