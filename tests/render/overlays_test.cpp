// The line overlays' geometry; the crosshair is checked pixel by pixel in the
// shader tests.
#include "render/overlays.hpp"

#include <gtest/gtest.h>

#include <set>
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
}

TEST(Overlays, PageGridLiesOnTheFourSidesEveryTwoCells) {
  std::vector<glm::vec3> const v = page_grid();
  ASSERT_EQ(v.size(), 144u);
  std::set<std::tuple<float, float>> verticals;
  std::set<float> rings;
  for (std::size_t i = 0; i < v.size(); i += 2) {
    glm::vec3 const a = v[i], b = v[i + 1];
    EXPECT_TRUE((a.x == b.x && (a.x == 0 || a.x == 16)) || (a.z == b.z && (a.z == 0 || a.z == 16))) << i;
    if (a.y == b.y) {
      rings.insert(a.y);
      continue;
    }
    EXPECT_EQ(std::tuple(a.y, b.y), std::tuple(0.0f, 16.0f));
    verticals.insert({a.x, a.z});
  }
  // Vertical lines at every even point around the square, rings at 0, 2, ... 16.
  EXPECT_EQ(verticals.size(), 32u);
  EXPECT_EQ(rings.size(), 9u);
  EXPECT_EQ(apply(page_grid_matrix(glm::mat4(1.0f), {-1, 2, 0}), {16, 0, 16}), glm::vec3(0, 32, 16));
}
