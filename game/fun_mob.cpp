#include "game/fun_mob.hpp"

#include "content/item_db.hpp"
#include "world/script_values.hpp"

using kestrine::Int;
using kestrine::Val;
using String = std::string;

namespace {

// A container cell's slots. A change to them must reach the page's file.
struct Container {
  Scene& scene;
  glm::ivec3 cell;
  Inventory* inventory;

  Container(Scene& s, glm::ivec3 const& p) : scene(s), cell(p) {
    Cell_data* data = s.wmap.get_data(p);
    inventory = data ? &data->inventory : nullptr;
  }
  void changed() const {
    if (Wmap_page* page = scene.wmap.find(page_of(cell))) page->set(Wmap_page::dirty);
  }
};

} // namespace

void fun_mob_wait_(Mob_ref const& m, Int n) { live_mob(m).wait = n; }

std::int16_t stack_count(Int n) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned long>(n) & 0xFFFFu));
}

bool fun_give_impl_(Inventory* target, String const& name, Int count) {
  check_type_name(name);
  std::int16_t const n = stack_count(count);
  if (!target || n <= 0) return false;
  return target->give(Item{item_db()[name].id, n});
}

Int fun_take_impl_(Inventory* target, String const& name, Int count) {
  check_type_name(name);
  std::int16_t const n = stack_count(count);
  if (!target || n <= 0) return 0;
  return target->take(Item{item_db()[name].id, n});
}

Int fun_has_impl_(Inventory const* target, String const& name) {
  check_type_name(name);
  if (!target) return 0;
  return target->count(item_db()[name].id);
}

Val fun_give_(Fun_env_ptr env) {
  auto in_cell = [env](glm::ivec3 const& p, String const& name, Int count) {
    Container c(env->scene, p);
    bool const given = fun_give_impl_(c.inventory, name, count);
    if (given) c.changed();
    return given;
  };
  return Val(kestrine::make_funs(
      [](Mob_ref const& m, String const& name) { return fun_give_impl_(&live_mob(m).inventory, name, 1); },
      [](Mob_ref const& m, String const& name, Int count) {
        return fun_give_impl_(&live_mob(m).inventory, name, count);
      },
      [in_cell](glm::ivec3 const& p, String const& name) { return in_cell(p, name, 1); },
      [in_cell](glm::ivec3 const& p, String const& name, Int count) { return in_cell(p, name, count); }));
}

Val fun_take_(Fun_env_ptr env) {
  auto in_cell = [env](glm::ivec3 const& p, String const& name, Int count) {
    Container c(env->scene, p);
    Int const taken = fun_take_impl_(c.inventory, name, count);
    if (taken != 0) c.changed();
    return taken;
  };
  return Val(kestrine::make_funs(
      [](Mob_ref const& m, String const& name) { return fun_take_impl_(&live_mob(m).inventory, name, 1); },
      [](Mob_ref const& m, String const& name, Int count) {
        return fun_take_impl_(&live_mob(m).inventory, name, count);
      },
      [in_cell](glm::ivec3 const& p, String const& name) { return in_cell(p, name, 1); },
      [in_cell](glm::ivec3 const& p, String const& name, Int count) { return in_cell(p, name, count); }));
}

Val fun_has_(Fun_env_ptr env) {
  return Val(kestrine::make_funs(
      [](Mob_ref const& m, String const& name) { return fun_has_impl_(&live_mob(m).inventory, name); },
      [env](glm::ivec3 const& p, String const& name) {
        return fun_has_impl_(Container(env->scene, p).inventory, name);
      }));
}

Val fun_play_(Fun_env_ptr env) {
  return Val(kestrine::make_funs(
      [env](String const& name, Mob_ref const& m) { env->effects->play(name, live_mob(m)); },
      [env](String const& name, glm::ivec3 const& p) { env->effects->play(name, p); },
      [env](String const& name) { env->effects->play(name); }));
}
