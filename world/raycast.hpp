#pragma once
// Picking along a ray: the first mob whose box or cell whose hit box the ray
// enters, marched in steps of 1/16 cell (mobs before cells at each step).
// Between two points of the march the cells are walked exactly, so a hit
// names the face the ray crossed and, in front of it, the cell it came from.
#include "world/face.hpp"
#include "world/mob.hpp"

#include <glm/vec3.hpp>

#include <cstdint>
#include <vector>

struct Scene;

struct Raycast_result {
  enum class Kind : int { nothing = 0, cell = 1, mob = 2 };

  Kind kind = Kind::nothing;
  glm::ivec3 cell{0};     // the cell hit
  glm::ivec3 adjacent{0}; // the cell in front of the face hit
  Face face = Face::l;
  Mob_ref mob;            // the mob hit; empty once it is gone
};

struct Raycast {
  // Longer rays (and non-finite ones) find nothing: the march and the mob
  // query grow with the length.
  static constexpr float max_length = 1024.0f;

  Scene& scene;
  glm::vec3 origin;
  glm::vec3 vector; // its length is the reach
  float length = 0.0f;
  std::vector<Mob*> mobs;
  glm::vec3 point{0.0f};
  std::int32_t steps = 0;
  glm::vec3 step{0.0f};
  glm::ivec3 cell{0}; // the cell of the current point

  Raycast(Scene& scene, glm::vec3 const& origin, glm::vec3 const& vector);

  Raycast_result raycast();
  // The mobs listed in the pages around a sphere, page by page.
  std::vector<Mob*> query_mobs(glm::vec3 centre, float radius);
  // At the current point; kind nothing when nothing is there.
  Raycast_result check_mobs();
  // The cells from the previous point to the current one, in the order the
  // ray enters them.
  Raycast_result check_cells();

private:
  glm::vec3 previous_{0.0f}; // the point before the current one

  // Drops the candidates that no point of the march can reach.
  void keep_mobs_near_the_march();
  // Entering cell c through `face` at `local` (relative to c), or, with no
  // face, moving inside c from `local` to the current point.
  Raycast_result check_cell(glm::ivec3 c, int face, glm::vec3 local);
};

Raycast_result raycast(Scene& scene, glm::vec3 const& origin, glm::vec3 const& vector);

// The face of the box beyond which the point lies (0..5 in face order,
// x before y before z), or -1 inside or on the box.
int get_face(glm::vec3 const& point, glm::vec3 const& min, glm::vec3 const& max);
