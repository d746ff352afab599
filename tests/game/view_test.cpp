#include "game/view.hpp"

#include "support/hand_world.hpp"

#include <gtest/gtest.h>

TEST(View, RunningWidensTheFieldOfViewWhichEasesHalfwayEachFrame) {
  EXPECT_FLOAT_EQ(target_fov(62, false, {0.2f, 0.0f}), 62.0f);
  EXPECT_FLOAT_EQ(target_fov(62, true, {0.12f, 0.16f}), 68.2f);
  EXPECT_FLOAT_EQ(target_fov(62, true, {0.0f, 0.0f}), 62.0f) << "running in place";
  EXPECT_FLOAT_EQ(eased_fov(0.0f, 62.0f), 31.0f * radians_per_degree);
}

TEST(View, OnlyLoadedOpaqueCellsBuryTheEye) {
  Cell_id const stone = cell_db()["view_test.stone"].id;
  Cell_id const glass = cell_db()["view_test.glass"].id;
  cell_db()[glass].opacity = Cell_opacity::clear;
  hand_world::World s;
  s.load({0, 0, 0}, glass);
  s.set({1, 5, 5}, stone);
  s.set({5, 5, 5}, 0);
  struct Case { glm::vec3 point; bool opaque; } const cases[] = {
      {{1.0f, 5.0f, 5.0f}, true}, {{0.99f, 5.5f, 5.5f}, false}, {{2.0f, 5.5f, 5.5f}, false},
      {{5.5f, 5.5f, 5.5f}, false}, // id 0
      {{-0.5f, 5.5f, 5.5f}, false}, // page (-1, 0, 0) is not loaded
  };
  for (auto c : cases) EXPECT_EQ(inside_opaque_cell(s.scene, c.point), c.opaque) << c.point.x;
  struct Eye { glm::vec3 eye; bool buried;
  } const eyes[] = {{{0.95f, 5.5f, 5.5f}, true}, {{0.85f, 5.5f, 5.5f}, false}, {{2.05f, 5.95f, 5.05f}, true},
                    {{1.5f, 4.95f, 5.5f}, true}};
  for (auto e : eyes) EXPECT_EQ(eye_buried(s.scene, e.eye), e.buried) << e.eye.x << " " << e.eye.y;
}
