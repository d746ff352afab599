#include "game/teleport.hpp"

#include "world/body.hpp"
#include "world/scene.hpp"

std::optional<glm::vec3> teleport_target(Scene const& scene, Raycast_result const& hit, float half_height) {
  glm::ivec3 cell;
  if (hit.kind == Raycast_result::Kind::cell)
    cell = hit.adjacent;
  else if (Mob const* mob = hit.kind == Raycast_result::Kind::mob ? hit.mob.get() : nullptr)
    cell = floor_cell(mob->body.position);
  else
    return std::nullopt;
  Fmap_cell const* column = scene.fmap.column(cell.x, cell.z);
  if (!column) return std::nullopt;
  return glm::vec3(static_cast<float>(cell.x) + 0.5f, static_cast<float>(column->l4) + half_height,
                   static_cast<float>(cell.z) + 0.5f);
}
