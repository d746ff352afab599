#include "render/mob_instances.hpp"

#include "content/model_db.hpp"
#include "render/frustum.hpp"
#include "world/body.hpp"
#include "world/mob.hpp"
#include "world/scene.hpp"
#include "world/wmap.hpp"

#include <glm/geometric.hpp>

#include <cmath>
#include <optional>

namespace {

Mob_model const& default_model() {
  static Mob_model const model{{Tex_range::none}, {Tex_range::none}, {}, {}, {}};
  return model;
}

// The frame number the mob's state and frame select; none outside the tables.
std::optional<std::size_t> frame_number(Mob const& mob, Mob_model const& model) {
  if (model.frames.empty()) return 0;
  if (mob.state < 0 || std::uint64_t(mob.state) >= model.states.size() || mob.frame < 0) return std::nullopt;
  std::uint64_t const start = model.states[std::size_t(mob.state)];
  if (start >= model.frames.size() || std::uint64_t(mob.frame) >= model.frames.size() - start) return std::nullopt;
  return model.frames[std::size_t(start + std::uint64_t(mob.frame))];
}

std::uint8_t light_at(Wmap const& wmap, glm::vec3 const& p) {
  if (!in_cell_range(p)) return 15;
  glm::ivec3 const cell = floor_cell(p);
  Wmap_page const* page = wmap.find(cell >> 4);
  return page ? page->light[cell_index(cell.x, cell.y, cell.z)] : 15;
}

} // namespace

std::vector<Mob_center> make_mesh_for_all_mobs(Scene const& scene, glm::mat4 const& vp) {
  return make_mesh_for_mobs(scene.mobs, scene.player, scene.wmap, vp, model_db().mobs);
}

std::vector<Mob_center> make_mesh_for_mobs(Mobs const& mobs, Mob const* player, Wmap const& wmap,
                                           glm::mat4 const& vp, std::span<Mob_model const> models) {
  Fustrum_check const planes(vp);
  std::vector<Mob_center> out;
  for (auto const& owned : mobs) {
    Mob const& mob = *owned;
    glm::vec3 const p = mob.body.position;
    if (!planes.box_visible(p - 0.5f, p + 0.5f)) continue;
    if (&mob == player) continue;

    float const yaw = mob.body.angles.y;
    glm::vec4 const forward(-std::sin(yaw), 0.0f, -std::cos(yaw), 0.0f);
    float const s = glm::dot(glm::vec4(vp[0][0], vp[1][0], vp[2][0], vp[3][0]), forward);
    float const t = glm::dot(glm::vec4(vp[0][2], vp[1][2], vp[2][2], vp[3][2]), forward);

    Mob_model const& model = mob.type < models.size() ? models[mob.type] : default_model();
    std::optional<std::size_t> const n = frame_number(mob, model);
    std::vector<Tex_id> const& list = t > 0.0f ? model.back : model.front;
    if (!n || *n >= list.size()) continue;

    std::uint16_t const layer = list[*n] > Tex_range::layer_mask ? missing_sprite : list[*n];
    std::uint16_t const value = s < 0.0f ? std::uint16_t(~layer) : layer;
    out.push_back({p, static_cast<std::int16_t>(value), light_at(wmap, p), 0});
  }
  return out;
}
