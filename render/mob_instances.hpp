#pragma once
// Every visible mob as one sprite instance, rebuilt each drawn frame: the
// layer of its current animation frame, front or back by where it faces,
// mirrored when it faces the screen's left, lit by the cell it stands in.
#include "content/model.hpp"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct Mob;
class Mobs;
struct Scene;
struct Wmap;

#pragma pack(push, 1)
struct Mob_center {
  glm::vec3 position;   // body centre, world cells
  std::int16_t layer;   // sprite layer; its bitwise NOT when mirrored
  std::uint8_t light;   // of the mob's cell; 15 when its page is not loaded
  std::uint8_t padding; // not read
};
#pragma pack(pop)
static_assert(sizeof(Mob_center) == 16);
static_assert(offsetof(Mob_center, layer) == 12);
static_assert(offsetof(Mob_center, light) == 14);

// The layer drawn for a sprite layer value no texture array can hold (the
// untextured 65535 among them): one past any array, so the shaders fall back
// to the last layer, mirrored or not.
inline constexpr std::uint16_t missing_sprite = 0x1FFF;

// The scene's mobs with the game's models; never the player.
std::vector<Mob_center> make_mesh_for_all_mobs(Scene const& scene, glm::mat4 const& vp);

// The same over any mob list and models. A mob whose state, frame or frame
// number lies outside its model's tables is left out.
std::vector<Mob_center> make_mesh_for_mobs(Mobs const& mobs, Mob const* player, Wmap const& wmap,
                                           glm::mat4 const& vp, std::span<Mob_model const> models);
