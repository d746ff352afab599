#pragma once
// Where the teleport key takes the player: onto the column of what the view
// ray met, its feet at the column's sunlight level.
#include "world/raycast.hpp"

#include <glm/vec3.hpp>

#include <optional>

struct Scene;

// The body centre for a body of that half-height, or nothing when the ray met
// nothing or the column's flat page is not loaded.
std::optional<glm::vec3> teleport_target(Scene const& scene, Raycast_result const& hit, float half_height);
