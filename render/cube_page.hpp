#pragma once
// A page mesh from the meshers to the page renderer: the 10-byte vertex the
// cube shaders read, the vertex list with the ends of its six side runs, and
// the page position it belongs to. Plain data: the world queues these without
// knowing how they are drawn.
#include <glm/vec3.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct Cube_vertex {
  std::uint8_t x, y, z;    // corner in cells from the page origin, 0..16
  std::uint8_t light;      // sunlight low nibble, spotlight high nibble
  std::uint8_t occlusion;  // closed neighbours around the face, one bit each
  std::uint8_t effects;    // of the cell model texturing the face
  std::uint8_t u, v;       // texture corner; repeats once per cell
  std::uint16_t layer;     // texture-array layer, orientation in bits 13-15

  bool operator==(Cube_vertex const&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(Cube_vertex) == 10);
static_assert(offsetof(Cube_vertex, x) == 0 && offsetof(Cube_vertex, y) == 1 && offsetof(Cube_vertex, z) == 2);
static_assert(offsetof(Cube_vertex, light) == 3);
static_assert(offsetof(Cube_vertex, occlusion) == 4);
static_assert(offsetof(Cube_vertex, effects) == 5);
static_assert(offsetof(Cube_vertex, u) == 6 && offsetof(Cube_vertex, v) == 7);
static_assert(offsetof(Cube_vertex, layer) == 8);

struct Cube_mesh_data {
  std::vector<Cube_vertex> vertices;
  // One past the last vertex of each side, in face order l, r, d, u, f, b.
  std::array<std::uint64_t, 6> ends{};
};

struct Cube_page : Cube_mesh_data {
  glm::ivec3 page{0};

  Cube_page() = default;
  Cube_page(glm::ivec3 p, Cube_mesh_data&& d) : Cube_mesh_data(std::move(d)), page(p) {}
};
