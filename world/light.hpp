#pragma once
// Sunlight and spotlight of pages: a start from the page and its flat page,
// then passes that let the neighbours' light in.
#include <glm/vec3.hpp>

struct Scene;
struct Wmap_page;

// Stage 1: the page's starting light; sets the stage (2, or 5 for a page of
// opaque cells) and the empty flag. A page whose flat page is not loaded is
// left untouched at stage 1 (logged once).
void initialize_light_page(Scene& scene, glm::ivec3 const& position, Wmap_page& page);
// Stages 2 to 4: one spreading pass; raises the stage by one.
void spread_light_page(Scene& scene, glm::ivec3 const& position, Wmap_page& page);
