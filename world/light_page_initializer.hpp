#pragma once
// A page's starting light from the page itself and its flat page: all lit
// for a page of air above every column's sunlight level, all dark for a page
// of opaque cells, otherwise both kinds computed and propagated in the page.
#include <glm/vec3.hpp>

struct Scene;
struct Wmap_page;
struct Fmap_page;

struct Light_page_initializer {
  Scene& scene;
  glm::ivec3 position; // page coordinates
  Wmap_page& page;

  // Chooses and runs one outcome. A page whose flat page is not loaded is
  // left as it is (it waits at this stage).
  void operator()();

  // Every column's sunlight level lies below the page's lowest layer.
  bool page_is_empty(Fmap_page const& flat) const;
  // Every cell is opaque.
  bool page_is_full() const;
  // Every cell is air.
  bool page_is_air() const;

  void only_light();
  void only_dark();
  void mixed(Fmap_page const& flat);
};
