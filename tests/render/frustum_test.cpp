#include "render/frustum.hpp"

#include "support/render.hpp"

#include <gtest/gtest.h>

TEST(Frustum, PagesAroundAndAheadOfTheCameraStay) {
  // Eye in the middle of page (0, 0, 0) looking toward -z.
  Camera const c = camera_at({8, 8, 8}, 0, 0, {800, 600}, 200.0f);
  Fustrum_check const f(c.projection * c.view);
  glm::ivec3 const here = camera_page(c.position);
  struct Case {
    glm::ivec3 page;
    bool visible;
  } const cases[] = {
      {{0, 0, -3}, true},   // ahead
      {{0, 0, 1}, true},    // behind, but one of the 27 around the eye
      {{0, 0, 2}, false},   // wholly behind
      {{9, 0, 0}, false},   // far off to the side
      {{0, 0, -20}, false}, // past the far plane
      {{-2, 0, -4}, true},  // at the edge of the view
  };
  for (auto const& k : cases)
    EXPECT_EQ(page_is_visible(k.page, here, f), k.visible) << k.page.x << "," << k.page.y << "," << k.page.z;
}

TEST(Frustum, ACornerExactlyOnAPlaneKeepsThePage) {
  glm::ivec3 const far_away(50, 50, 50);
  // Only x - 32 >= 0 counts: page x = 1 spans 16..32, its far corners give exactly 0.
  Fustrum_check f;
  f.planes.fill(glm::vec4(0, 0, 0, 1));
  f.planes[Fustrum_check::near] = {1, 0, 0, -32};
  EXPECT_TRUE(page_is_visible({1, 0, 0}, far_away, f));
  EXPECT_FALSE(page_is_visible({0, 7, -3}, far_away, f));
  // Next to the camera nothing is tested.
  EXPECT_TRUE(page_is_visible({0, 0, 0}, {1, 1, 1}, f));
  EXPECT_FALSE(page_is_visible({0, 0, 0}, {2, 1, 1}, f));
}

TEST(Frustum, CameraPageFloorsBeforeShifting) {
  EXPECT_EQ(camera_page({0.5f, 15.99f, 16.0f}), glm::ivec3(0, 0, 1));
  EXPECT_EQ(camera_page({-0.01f, -16.0f, -16.01f}), glm::ivec3(-1, -1, -2));
}

TEST(Frustum, SidesThatCanFaceTheCamera) {
  enum { l = 1, r = 2, d = 4, u = 8, f = 16, b = 32 };
  glm::ivec3 const page(1, -1, 2); // origin (16, -16, 32)
  struct Case {
    glm::vec3 camera;
    int sides;
  } const cases[] = {
      {{24, -8, 40}, l | r | d | u | f | b}, // inside
      {{16, -8, 40}, l | d | u | f | b},     // on the lower x boundary
      {{32, -8, 40}, r | d | u | f | b},     // on the upper x boundary
      {{40, 10, 60}, r | u | b},             // above on every axis
      {{0, -40, 0}, l | d | f},              // below on every axis
      {{24, -16, 48}, l | r | d | b},        // y on the lower boundary, z on the upper
  };
  for (auto const& k : cases)
    EXPECT_EQ(facing_sides(page, k.camera), k.sides) << k.camera.x << "," << k.camera.y << "," << k.camera.z;
}
