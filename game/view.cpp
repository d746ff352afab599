#include "game/view.hpp"

#include "content/cell_db.hpp"
#include "world/body.hpp"
#include "world/scene.hpp"

bool inside_opaque_cell(Scene const& scene, glm::vec3 const& point) {
  Cell_id id = scene.wmap.get_cell(floor_cell(point));
  return id != 0 && cell_db()[id].opacity == Cell_opacity::opaque;
}

bool eye_buried(Scene const& scene, glm::vec3 const& eye) {
  constexpr float r = 0.1f;
  for (float x : {-r, r})
    for (float y : {-r, r})
      for (float z : {-r, r})
        if (inside_opaque_cell(scene, eye + glm::vec3(x, y, z))) return true;
  return false;
}
