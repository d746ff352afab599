#include "render/camera.hpp"

#include "support/render.hpp"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr float pi = std::numbers::pi_v<float>;

void expect_near(glm::vec3 a, glm::vec3 b, float eps = 1e-5f) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], eps) << i;
}

void expect_near(glm::mat4 const& a, glm::mat4 const& b) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(a[c][r], b[c][r], 1e-5f) << "column " << c << " row " << r;
}

} // namespace

TEST(Camera, DirectionFollowsYawThenPitchAndTheViewLooksAlongIt) {
  struct Case {
    float pitch, yaw;
    glm::vec3 direction;
  } const cases[] = {
      {0, 0, {0, 0, -1}},        {0, pi / 2, {-1, 0, 0}},     {0, -pi / 2, {1, 0, 0}},
      {0, pi, {0, 0, 1}},        {pi / 2, 0.7f, {0, 1, 0}},   {-pi / 2, 2.0f, {0, -1, 0}},
      {pi / 4, pi / 2, {-std::sqrt(0.5f), std::sqrt(0.5f), 0}},
  };
  for (auto const& k : cases) {
    Camera const c = camera_at({4, 5, 6}, k.pitch, k.yaw);
    expect_near(c.direction, k.direction);
    // The view takes a point ahead of the eye onto the eye's -z axis.
    expect_near(glm::vec3(c.view * glm::vec4(c.position + 3.0f * c.direction, 1.0f)), {0, 0, -3});
  }
  expect_near(camera_at({1.5f, -2, 30}).view, glm::translate(glm::mat4(1.0f), -glm::vec3(1.5f, -2, 30)));
}

TEST(Camera, ProjectionIsTheOpenGlPerspective) {
  expect_near(camera_at({0, 0, 0}, 0, 0, {800, 600}, 240.0f, 1.2f).projection,
              glm::perspective(1.2f, 800.0f / 600.0f, 0.1f, 240.0f));
}

TEST(Camera, DegenerateInputsKeepTheLastProjection) {
  Camera c; // no window: every field zero
  c.far = 100.0f, c.fov = 1.0f;
  c.update({640, 0});
  EXPECT_EQ(c.projection, glm::mat4(0.0f));
  expect_near(c.direction, {0, 0, -1}); // the rest is still updated

  c.update({640, 480});
  glm::mat4 const good = c.projection;
  struct Case {
    glm::ivec2 window;
    float far, fov;
  } const cases[] = {{{0, 480}, 100, 1}, {{-1, -1}, 100, 1}, {{640, 480}, 0.1f, 1}, {{640, 480}, 100, 0}};
  for (auto const& k : cases) {
    c.far = k.far, c.fov = k.fov;
    c.update(k.window);
    EXPECT_EQ(c.projection, good) << k.window.x << "x" << k.window.y << " far " << k.far << " fov " << k.fov;
  }
}

TEST(Camera, FaceAxesAndPaintingDirections) {
  glm::vec2 const axes[] = {{-3, 2}, {3, 2}, {-1, 3}, {1, 3}, {1, 2}, {-1, 2}, {0, 0}};
  for (int face = 0; face < 7; ++face) EXPECT_EQ(face_direction({1, 2, 3}, Face(face)), axes[face]) << face;
  EXPECT_EQ(face_direction({1, 2, 3}, Face(-1)), glm::vec2(0));

  struct Case {
    glm::vec3 v;
    int face, expected;
  } const cases[] = {
      {{0, 0, -1}, 0, 0}, {{0, 0, 1}, 0, 1}, {{0, 1, 0}, 0, 2}, {{0, -1, 0}, 0, 3},
      {{0, 0.5f, 0.5f}, 1, 2},  // |d.x| == |d.y|: the second axis decides
      {{0, -0.5f, 0.5f}, 1, 3},
      {{2, 0, 2}, 3, 2},        {{0, 0, 0}, 4, 3}, // nothing to go by
      {{1, 0, 0}, 5, 1},        {{5, 5, 5}, 9, 3}, // no such face
  };
  for (auto const& k : cases)
    EXPECT_EQ(painting_direction(k.v, Face(k.face)), k.expected) << k.v.x << "," << k.v.y << "," << k.v.z << " on " << k.face;
}
