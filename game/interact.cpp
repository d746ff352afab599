#include "game/interact.hpp"

#include "content/model_db.hpp"
#include "game/context.hpp"
#include "world/scene.hpp"
#include "world/script_values.hpp"
#include "world/wmap.hpp"

#include <string>

using Kind = Raycast_result::Kind;

namespace {

char const* hook_name(Cell_script which) { return which == &Cell_type::interact ? "interact" : "callback"; }
char const* hook_name(Mob_script which) { return which == &Mob_type::interact ? "interact" : "callback"; }

} // namespace

bool is_interactive(Wmap const& wmap, Raycast_result const& r) {
  switch (r.kind) {
  case Kind::cell: {
    Cell_id id = wmap.get_cell(r.cell);
    return id != 0 && cell_db()[id].interact != nullptr;
  }
  case Kind::mob: {
    Mob const* m = r.mob.get();
    return m && mob_db()[m->type].interact != nullptr;
  }
  default: return false;
  }
}

bool is_interactive(Scene const& scene, Raycast_result const& r) { return is_interactive(scene.wmap, r); }

std::optional<bool> run_cell_script(Cell_script which, Wmap const& wmap, glm::ivec3 cell, glm::ivec3 adjacent) {
  Cell_type const& type = cell_db()[wmap.get_cell(cell)];
  auto const& script = type.*which;
  if (!script) return std::nullopt;
  kestrine::Val args[2] = {kestrine::Val(cell), kestrine::Val(adjacent)};
  try {
    return static_cast<bool>((*script)(args, 2));
  } catch (...) {
    kestrine::rethrow_naming("cell " + type.name + " at [" + std::to_string(cell.x) + "," + std::to_string(cell.y) +
                             "," + std::to_string(cell.z) + "], " + hook_name(which) + " script");
  }
}

std::optional<bool> run_mob_script(Mob_script which, Mob& mob) {
  Mob_type const& type = mob_db()[mob.type];
  auto const& script = type.*which;
  if (!script) return std::nullopt;
  kestrine::Val arg = mob_value(mob);
  try {
    return static_cast<bool>((*script)(&arg, 1));
  } catch (...) {
    kestrine::rethrow_naming("mob " + type.name + ", " + hook_name(which) + " script");
  }
}

void Interact::operator()() const {
  if (result.kind == Kind::cell)
    cell_();
  else if (result.kind == Kind::mob)
    mob_();
}

void Interact::cell_() const {
  Wmap& wmap = context.scene.wmap;
  glm::ivec3 const cell = result.cell;
  Cell_id const id = wmap.get_cell(cell);
  std::optional<bool> ok = run_cell_script(&Cell_type::interact, wmap, cell, result.adjacent);
  if (!ok) return;
  context.audio.play(model_db().cell(id).sounds[*ok ? Cell_model::use : Cell_model::fail], cell);
}

void Interact::mob_() const {
  Mob_ref const ref = result.mob;
  Mob* m = ref.get();
  if (!m) return;
  Mob_id const type = m->type;
  std::optional<bool> ok = run_mob_script(&Mob_type::interact, *m);
  if (!ok) return;
  Audio_id sound = model_db().mob(type).sounds[*ok ? Mob_model::use : Mob_model::fail];
  if (Mob const* still = ref.get()) context.audio.play(sound, still);
}

void interact(Context& context, Raycast_result const& result) { Interact{context, result}(); }

void Callback::operator()() const {
  if (result.kind == Kind::cell)
    cell_();
  else if (result.kind == Kind::mob)
    mob_();
}

void Callback::cell_() const {
  run_cell_script(&Cell_type::callback, context.scene.wmap, result.cell, result.adjacent);
}

void Callback::mob_() const {
  if (Mob* m = result.mob.get()) run_mob_script(&Mob_type::callback, *m);
}

void callback(Context& context, Raycast_result const& result) { Callback{context, result}(); }
