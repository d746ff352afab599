#pragma once
// The eye of each drawn frame: the field of view that widens while running
// and eases toward its target, and whether the eye is buried in a cell.
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

struct Scene;

inline constexpr float radians_per_degree = 0.017453292f;

// The field of view wanted this frame, in degrees: the configured one,
// widened by half of itself per unit of the runner's wanted horizontal speed.
inline float target_fov(int field_of_view, bool running, glm::vec2 wanted) {
  float f = static_cast<float>(field_of_view);
  return running ? f + f * 0.5f * glm::length(wanted) : f;
}
// The next field of view in radians: half of the way from the previous one
// to the target.
inline float eased_fov(float previous, float target_degrees) {
  return 0.5f * previous + 0.5f * target_degrees * radians_per_degree;
}

// Whether the point lies in a loaded cell of an opaque type (id 0 never is).
bool inside_opaque_cell(Scene const& scene, glm::vec3 const& point);
// Whether any corner of the small box around the eye is inside an opaque
// cell: the frame is then black.
bool eye_buried(Scene const& scene, glm::vec3 const& eye);
