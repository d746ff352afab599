#pragma once
// The six faces of a cell, in the order every face table of the game uses.
#include <glm/vec3.hpp>

#include <cstdint>

enum class Face : std::int8_t { l, r, d, u, f, b };

// The outward normal of a face: l -x, r +x, d -y, u +y, f -z, b +z.
constexpr glm::ivec3 face_normal(Face face) {
  switch (face) {
  case Face::l: return {-1, 0, 0};
  case Face::r: return {1, 0, 0};
  case Face::d: return {0, -1, 0};
  case Face::u: return {0, 1, 0};
  case Face::f: return {0, 0, -1};
  case Face::b: return {0, 0, 1};
  }
  return {0, 0, 0};
}
