#include "world/light.hpp"

#include "world/light_calculator.hpp"
#include "world/light_page_initializer.hpp"
#include "world/scene.hpp"

void initialize_light_page(Scene& scene, glm::ivec3 const& position, Wmap_page& page) {
  Light_page_initializer{scene, position, page}();
}

void spread_light_page(Scene& scene, glm::ivec3 const& position, Wmap_page& page) {
  Profiler::Guard timing(scene.light_spread);
  // The shell is closed after the border seeds are taken, so light never
  // leaves the page here: a neighbour takes ours in its own pass.
  Opaque_mask const walls = opaque_cells(page);
  Spread_sunlight sun(scene, position, page);
  sun.build_buffer(walls);
  sun.generate_border_seeds();
  sun.close_shell();
  sun.fill();

  Spread_spotlight spot(scene, position, page);
  spot.build_buffer(walls);
  spot.generate_border_seeds();
  spot.close_shell();
  spot.fill();

  copy_buffer(page, sun, spot);
  page.stage.fetch_add(1);
}
