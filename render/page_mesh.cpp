#include "render/page_mesh.hpp"

Cube_mesh_data generate_mesh(Wmap const& wmap, glm::ivec3 page, int quality) {
  return mesh_page(wmap, page, quality, *game_cell_models());
}

Cube_mesh_data mesh_page(Wmap const& wmap, glm::ivec3 page, int quality, Cell_models const& models) {
  return quality == 0 ? generate_mesh_high(wmap, page, models) : generate_mesh_low(wmap, page, models);
}
