#include "render/overlays.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <tuple>

namespace {

glm::vec3 apply(glm::mat4 const& m, glm::vec3 p) {
  glm::vec4 const q = m * glm::vec4(p, 1.0f);
  return glm::vec3(q) / q.w;
}

} // namespace

TEST(Overlays, CursorBoxGrowsJustPastTheCell) {
  // A type with radius 0.5 and offset 0.5 at cell (3, -2, 7).
  glm::mat4 const m = cursor_matrix(glm::mat4(1.0f), glm::vec3(3, -2, 7) + 0.5f, glm::vec3(0.5f));
  glm::vec3 const lo = apply(m, {-1, -1, -1}), hi = apply(m, {1, 1, 1});
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(lo[i], glm::vec3(3, -2, 7)[i] - 0.001f, 1e-5f);
    EXPECT_NEAR(hi[i], glm::vec3(3, -2, 7)[i] + 1.001f, 1e-5f);
  }
  // Every loop is one face of the cube: one coordinate fixed at +-1.
  auto const& v = cursor_outline();
  for (int face = 0; face < 6; ++face) {
    int fixed = 0;
    for (int axis = 0; axis < 3; ++axis) {
      float const a = v[std::size_t(4 * face)][axis];
      bool same = true;
      for (int k = 1; k < 4; ++k) same = same && v[std::size_t(4 * face + k)][axis] == a;
      fixed += same && (a == 1 || a == -1);
    }
    EXPECT_EQ(fixed, 1) << face;
  }
}

TEST(Overlays, PageGridLiesOnTheFourSidesEveryTwoCells) {
  std::vector<glm::vec3> const v = page_grid();
  ASSERT_EQ(v.size(), 144u);
  std::set<std::tuple<float, float>> verticals;
  std::set<float> rings;
  for (std::size_t i = 0; i < v.size(); i += 2) {
    glm::vec3 const a = v[i], b = v[i + 1];
    bool const on_side = (a.x == b.x && (a.x == 0 || a.x == 16)) || (a.z == b.z && (a.z == 0 || a.z == 16));
    EXPECT_TRUE(on_side) << i;
    if (a.y != b.y) {
      EXPECT_EQ(std::tuple(a.y, b.y), std::tuple(0.0f, 16.0f));
      verticals.insert({a.x, a.z});
    } else {
      rings.insert(a.y);
    }
  }
  // Vertical lines at every even point around the square, rings at 0, 2, ... 16.
  EXPECT_EQ(verticals.size(), 32u);
  EXPECT_EQ(rings.size(), 9u);
  EXPECT_EQ(apply(page_grid_matrix(glm::mat4(1.0f), {-1, 2, 0}), {16, 0, 16}), glm::vec3(0, 32, 16));
}

TEST(Overlays, CrosshairCoversSixteenPixelsInTheMiddle) {
  glm::mat4 const m = cross_matrix({800, 600});
  glm::mat4 expected(0.0f);
  expected[0] = {16.0f / 800, 0, 0, 0};
  expected[1] = {0, -16.0f / 600, 0, 0};
  expected[2] = {0, 0, -16, 0};
  expected[3] = {0, 0, -1, 1};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(m[c][r], expected[c][r], 1e-7f);
  // Window pixels of the square's corners (y down).
  auto pixel = [&](glm::vec2 p) {
    glm::vec3 const n = apply(m, {p, 0});
    return glm::vec2((n.x + 1) / 2 * 800, (1 - n.y) / 2 * 600);
  };
  for (auto [corner, at] : {std::pair(glm::vec2(-1, -1), glm::vec2(392, 292)), {{1, 1}, {408, 308}}}) {
    EXPECT_NEAR(pixel(corner).x, at.x, 1e-3f);
    EXPECT_NEAR(pixel(corner).y, at.y, 1e-3f);
  }
  // The image's top row (texture t = 0) at the top of the screen.
  auto const& q = cross_square();
  for (auto const& k : q) EXPECT_EQ(k.texture, (k.position + 1.0f) / 2.0f);
}
