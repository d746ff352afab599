#pragma once
// The billboard cells of a page: one camera-facing quad instance per cell,
// from the pipeline to the billboard renderer.
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct Quad_center {
  std::uint8_t x, y, z;  // anchor inside the page, in 1/16 cell
  std::uint8_t light;
  std::int16_t layer;    // texture layer with its orientation bits
};
#pragma pack(pop)
static_assert(sizeof(Quad_center) == 6);
static_assert(offsetof(Quad_center, light) == 3);
static_assert(offsetof(Quad_center, layer) == 4);

struct Quad_page {
  glm::ivec3 page{0};
  std::vector<Quad_center> quads; // empty: the page's billboards go
};
