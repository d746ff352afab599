#pragma once
// The geometry of the three overlays drawn over the world: the outline box
// of the pointed cell, the grid on the player's page and the crosshair.
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <vector>

// The six faces of the cube [-1, 1]^3, four corners each, one line loop per face.
std::array<glm::vec3, 24> const& cursor_outline();

// 72 segments on the four vertical sides of the box [0, 16]^3, every two cells.
std::vector<glm::vec3> page_grid();

struct Cross_vertex {
  glm::vec2 position;
  glm::vec2 texture;
};
static_assert(sizeof(Cross_vertex) == 16);

// The [-1, 1] square as a triangle fan, image right side up.
std::array<Cross_vertex, 4> const& cross_square();

// The outline's matrix: the box grown by 0.001 cell so its lines stay just
// outside the cell's faces.
glm::mat4 cursor_matrix(glm::mat4 const& vp, glm::vec3 const& centre, glm::vec3 const& half);

// The grid's matrix for a page position.
glm::mat4 page_grid_matrix(glm::mat4 const& vp, glm::ivec3 const& page);

// A 16 x 16 pixel square in the middle of a window of that size, y down.
glm::mat4 cross_matrix(glm::ivec2 window);
