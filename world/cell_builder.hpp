#pragma once
// The terrain fill: a page's cells from the levels of its flat page.
#include <glm/vec3.hpp>

struct Scene;
struct Wmap_page;

// Fills the page at p and sets its stage (and, for a whole-page fill, its
// empty flag).
void build_cell_page(Scene& scene, glm::ivec3 p, Wmap_page& page);
