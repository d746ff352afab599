#pragma once
// The physical body of a mob: where it is, how it moves and what it touched.
// Velocities are in cells per frame; physics has no time step.
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

struct Body {
  enum Flag : std::uint32_t { solid = 1, in_liquid = 2, no_gravity = 4, erased = 0x10000 };
  enum Contact { px, py, pz, nx, ny, nz }; // touching in +x, +y, +z, -x, -y (standing), -z

  glm::vec3 position{0.0f}; // centre, in cells
  glm::vec3 velocity{0.0f};
  glm::vec2 angles{0.0f};   // pitch, yaw (radians)
  glm::vec2 size{0.0f};     // horizontal half-width, vertical half-height
  glm::vec3 box_min{0.0f};
  glm::vec3 box_max{0.0f};
  std::array<bool, 6> contacts{};
  glm::vec2 wanted{0.0f};   // wanted horizontal velocity (x, z)
  float accel = 0.0f;       // largest change of horizontal velocity per frame
  std::uint32_t flags = 0;

  bool has(Flag f) const { return (flags & f) != 0; }
  // The box from position and size.
  void update_box() {
    glm::vec3 h(size.x, size.y, size.x);
    box_min = position - h;
    box_max = position + h;
  }
};

// Coordinates to cells: every conversion of a position to a cell goes
// through these. Far-off values are held at +-2^30 and NaN gives 0, so no
// conversion overflows and no loop over cells runs away.
inline constexpr float cell_limit = 1073741824.0f;

inline float held_in_cells(float v) {
  if (!(v > -cell_limit)) return v != v ? 0.0f : -cell_limit;
  return v < cell_limit ? v : cell_limit;
}
inline int floor_cell(float v) { return static_cast<int>(std::floor(held_in_cells(v))); }
inline int ceil_cell(float v) { return static_cast<int>(std::ceil(held_in_cells(v))); }
// Toward zero, for the script's own positions.
inline int trunc_cell(float v) { return static_cast<int>(held_in_cells(v)); }
inline glm::ivec3 floor_cell(glm::vec3 v) { return {floor_cell(v.x), floor_cell(v.y), floor_cell(v.z)}; }

// The range a position may take in a file: strictly within +-cell_limit
// (so also finite). Readers refuse others; writers store positions held
// inside it, so that every file written reads back.
inline bool in_cell_range(glm::vec3 v) {
  return std::abs(v.x) < cell_limit && std::abs(v.y) < cell_limit && std::abs(v.z) < cell_limit;
}
inline constexpr float max_position = cell_limit - 64.0f; // the float just below cell_limit
inline glm::vec3 storable_position(glm::vec3 v) {
  auto hold = [](float c) { return c != c ? 0.0f : std::clamp(c, -max_position, max_position); };
  return {hold(v.x), hold(v.y), hold(v.z)};
}

inline bool finite(glm::vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
