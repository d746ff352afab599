#pragma once
// Culling against the view: the six clip planes of a view-projection matrix,
// which pages they keep, and which face directions of a page can face the
// camera at all.
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <cstdint>

struct Fustrum_check {
  enum Plane { left, right, bottom, top, near, far };

  // (a, b, c, d) with a x + b y + c z + d >= 0 inside; not normalised.
  std::array<glm::vec4, 6> planes{};

  Fustrum_check() = default;
  explicit Fustrum_check(glm::mat4 const& vp);

  // False when some plane has all eight corners of the box strictly outside.
  bool box_visible(glm::vec3 const& lo, glm::vec3 const& hi) const;
};

// The 27 pages around the camera's page always; others unless the view
// leaves their whole box out.
bool page_is_visible(glm::ivec3 const& page, glm::ivec3 const& camera_page, Fustrum_check const& planes);

// The page a camera position lies in (floor, then 16 cells per page).
glm::ivec3 camera_page(glm::vec3 const& camera);

// Bit s set when side s (face order l, r, d, u, f, b) of the page can face
// the camera: the camera is not wholly behind that side's faces.
std::uint8_t facing_sides(glm::ivec3 const& page, glm::vec3 const& camera);
