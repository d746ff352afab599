#include "game/interact.hpp"

#include "world/scene.hpp"
#include "world/script_values.hpp"
#include "world/wmap.hpp"

using Kind = Raycast_result::Kind;

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
  auto const& script = cell_db()[wmap.get_cell(cell)].*which;
  if (!script) return std::nullopt;
  kestrine::Val args[2] = {kestrine::Val(cell), kestrine::Val(adjacent)};
  return static_cast<bool>((*script)(args, 2));
}

std::optional<bool> run_mob_script(Mob_script which, Mob& mob) {
  auto const& script = mob_db()[mob.type].*which;
  if (!script) return std::nullopt;
  kestrine::Val arg = mob_value(mob);
  return static_cast<bool>((*script)(&arg, 1));
}
