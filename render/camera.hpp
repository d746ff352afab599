#pragma once
// The eye the world is drawn through: the frame renderer writes position,
// look angles, far plane and field of view, `update` derives the matrices and
// the forward direction that every renderer, movement and editing read.
#include "world/face.hpp"

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

struct Camera {
  static constexpr float near = 0.1f;

  glm::vec3 position{0.0f}; // eye, in cells
  float pitch = 0.0f;       // about x; positive looks up
  float yaw = 0.0f;         // about y; 0 looks toward -z, positive turns toward -x
  float far = 0.0f;         // in cells
  float fov = 0.0f;         // vertical, radians
  glm::mat4 projection{0.0f};
  glm::mat4 view{0.0f};
  glm::vec3 direction{0.0f}; // unit forward

  // Everything zero; the pointer goes to the middle of the focused window.
  Camera();

  // Matrices and direction for the current GL window's size.
  void update();
  // The same for a window of that size (no window needed). A size without
  // area, or inputs without a finite perspective, keep the last projection.
  void update(glm::ivec2 window);
};

// The components of v along the two in-plane axes of a face; (0, 0) for a
// value that names no face.
glm::vec2 face_direction(glm::vec3 const& v, Face face);

// Which of four painting orientations a look along v gives on the face:
// 0 or 1 when the first in-plane axis dominates (positive, negative), else
// 2 or 3 by the second.
int painting_direction(glm::vec3 const& v, Face face);
