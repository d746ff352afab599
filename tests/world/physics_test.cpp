// Bodies moving through hand-built cells.
#include "world/physics.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <tuple>

#include "support/hand_world.hpp"

namespace {

using namespace hand_world;

// A body with a velocity and a steer that it reaches at once.
Body moving(glm::vec3 at, glm::vec2 size, glm::vec3 velocity, glm::vec2 wanted = {}, std::uint32_t flags = 0) {
  Body b = body_at(at, size, flags);
  b.velocity = velocity;
  b.wanted = wanted;
  b.accel = wanted == glm::vec2(0.0f) ? 0.0f : 100.0f;
  return b;
}

TEST(Physics, OneBodyAmongCells) {
  auto const& c = cells();
  float const nan = std::numeric_limits<float>::quiet_NaN();
  auto const floating = Body::no_gravity;
  struct Case {
    char const* name;
    std::function<void(World&)> build;
    Body body;
    int frames;
    std::function<void(Body const&)> check;
  } const cases[] = {
      {"rests on a floor", [&](World& w) { w.fill({0, 0, 0}, {15, 0, 15}, c.stone); },
       body_at({8.5f, 1.901f, 8.5f}, {0.3f, 0.9f}), 10,
       [](Body const& b) {
         EXPECT_EQ(b.velocity.y, 0.0f);
         EXPECT_TRUE(b.contacts[Body::ny]);
         EXPECT_NEAR(b.box_min.y, 1.001f, 1e-5f);
       }},
      {"a fast fall stops on the highest floor under the box",
       [&](World& w) { w.set({7, 3, 8}, c.stone); w.set({8, 1, 8}, c.stone); },
       moving({8.0f, 12.0f, 8.5f}, {0.4f, 0.9f}, {0, -20, 0}), 1,
       [](Body const& b) { EXPECT_NEAR(b.box_min.y, 4.001f, 1e-5f); EXPECT_TRUE(b.contacts[Body::ny]); }},
      {"x moves before z at a corner", [&](World& w) { w.set({10, 5, 10}, c.stone); },
       moving({9.5f, 5.5f, 9.5f}, {0.3f, 0.3f}, {}, {0.5f, 0.5f}, floating), 1,
       [](Body const& b) {
         EXPECT_EQ(glm::vec2(b.position.x, b.position.z), glm::vec2(10.0f, 9.699f));
         EXPECT_FALSE(b.contacts[Body::px]);
         EXPECT_TRUE(b.contacts[Body::pz]);
         EXPECT_EQ(b.velocity.z, 0.0f);
       }},
      {"a climbing cell blocks", [&](World& w) { w.set({10, 5, 8}, c.ladder); },
       moving({9.5f, 5.5f, 8.5f}, {0.3f, 0.3f}, {}, {0.5f, 0.0f}, floating), 1,
       [](Body const& b) { EXPECT_FLOAT_EQ(b.position.x, 9.699f); EXPECT_TRUE(b.contacts[Body::px]); }},
      {"unloaded pages and id 0 never block", [&](World& w) { w.set({8, 0, 8}, 0); },
       moving({8.5f, 1.5f, 8.5f}, {0.3f, 0.3f}, {0, -1, 0}), 3,
       [](Body const& b) {
         EXPECT_FLOAT_EQ(b.position.y, 1.5f - 1.05f - 1.1f - 1.15f);
         EXPECT_FALSE(b.contacts[Body::ny]);
       }},
      {"half submerged", [&](World& w) { w.fill({0, 0, 0}, {15, 9, 15}, c.water); },
       body_at({8.5f, 10.0f, 8.5f}, {0.3f, 0.5f}), 1,
       [](Body const& b) {
         EXPECT_FLOAT_EQ(b.velocity.y, (-0.05f + 0.075f) * 0.9f);
         EXPECT_TRUE(b.has(Body::in_liquid));
       }},
      {"deep liquid lifts towards 0.4 a frame", [&](World& w) { w.load({0, 0, 0}, c.water); w.load({0, 1, 0}, c.water); },
       body_at({8.5f, 8.0f, 8.5f}, {0.3f, 0.9f}), 20,
       [](Body const& b) {
         float v = 0.0f;
         for (int i = 0; i < 20; ++i) v = (v - 0.05f + 0.15f) * 0.8f;
         EXPECT_FLOAT_EQ(b.velocity.y, v);
         EXPECT_NEAR(v, 0.4f, 0.01f);
       }},
      {"no height on a level inside liquid counts as submerged", [&](World& w) { w.load({0, 0, 0}, c.water); },
       body_at({8.5f, 8.0f, 8.5f}, {0.3f, 0.0f}), 1,
       [](Body const& b) { EXPECT_FLOAT_EQ(b.velocity.y, 0.1f * 0.8f); }},
      {"drag in a slow cell", [&](World& w) { w.set({8, 8, 8}, c.mud); },
       moving({8.5f, 8.5f, 8.5f}, {0.2f, 0.2f}, {0, -1, 0}, {1, 1}), 1,
       [](Body const& b) { EXPECT_EQ(b.velocity, glm::vec3(0.85f, -0.525f, 0.85f)); }},
      {"the acceleration limit and no gravity", [&](World&) {},
       [] { Body b = moving({8.5f, 8.5f, 8.5f}, {0.3f, 0.3f}, {0, 0.2f, 0}, {1, 0}, Body::no_gravity); b.accel = 0.03f; return b; }(), 1,
       [](Body const& b) {
         EXPECT_EQ(b.velocity, glm::vec3(0.03f, 0.2f, 0.0f));
         EXPECT_EQ(b.wanted, glm::vec2(0.03f, 0.0f));
       }},
      {"velocities and sizes are bounded", [&](World&) {},
       moving({8.5f, 8.5f, 8.5f}, {1e6f, nan}, {1e9f, nan, -INFINITY}, {1e9f, -INFINITY}, floating), 1,
       [](Body const& b) {
         EXPECT_EQ(b.velocity, glm::vec3(64.0f, 0.0f, -64.0f));
         EXPECT_EQ(b.size, glm::vec2(64.0f, 0.0f));
         EXPECT_FLOAT_EQ(b.position.x, 72.5f);
       }},
      {"a body without a place stays put", [&](World&) {}, moving({nan, 8.5f, 8.5f}, {0.3f, 0.3f}, {0, -1, 0}), 1,
       [](Body const& b) { EXPECT_EQ(b.velocity.y, -1.0f); }},
  };
  for (auto const& k : cases) {
    SCOPED_TRACE(k.name);
    World w;
    w.load({0, 0, 0});
    k.build(w);
    Body b = k.body;
    for (int i = 0; i < k.frames; ++i) update_physics(w.wmap, b);
    k.check(b);
  }
}

TEST(Physics, SolidBodiesPushOncePerPair) {
  struct Case {
    char const* name;
    float apart;
    bool both_solid;
    float push;
  } const cases[] = {
      {"overlapping", 0.75f, true, 0.01f}, {"touching counts", 1.0f, true, 0.01f},
      {"apart", 1.25f, true, 0.0f},        {"the same position", 0.0f, true, 0.0f},
      {"one not solid", 1.0f, false, 0.0f},
  };
  Mob_id const solid = mob_type("hand.block", {0.5f, 0.5f}, true);
  Mob_id const soft = mob_type("hand.cloud", {0.5f, 0.5f}, false);
  for (auto const& k : cases) {
    SCOPED_TRACE(k.name);
    World w;
    w.load({0, 0, 0});
    Mob* a = w.scene.mobs.construct(solid, {5.0f, 8.5f, 8.5f});
    Mob* b = w.scene.mobs.construct(k.both_solid ? solid : soft, {5.0f + k.apart, 8.5f, 8.5f});
    a->body.flags |= Body::no_gravity;
    b->body.flags |= Body::no_gravity;
    w.scene.mobs.resort_mobs(w.scene);
    update_physics(w.wmap, a->body);
    update_physics(w.wmap, b->body);
    EXPECT_FLOAT_EQ(a->body.velocity.x, -k.push);
    EXPECT_FLOAT_EQ(b->body.velocity.x, k.push);
  }
}

} // namespace

TEST(Cells, EveryConversionIsHeldInsideTheCellRange) {
  float const inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  int const top = 1 << 30;
  struct Case {
    float v;
    int floor, ceil, trunc;
  };
  for (Case const& c : {Case{-0.5f, -1, 0, 0}, Case{2.5f, 2, 3, 2}, Case{max_position, top - 64, top - 64, top - 64},
                        Case{3e10f, top, top, top}, Case{-3e10f, -top, -top, -top}, Case{inf, top, top, top},
                        Case{-inf, -top, -top, -top}, Case{nan, 0, 0, 0}})
    EXPECT_EQ(std::tuple(floor_cell(c.v), ceil_cell(c.v), trunc_cell(c.v)), std::tuple(c.floor, c.ceil, c.trunc))
        << c.v;
  EXPECT_TRUE(in_cell_range({max_position, -max_position, 0.0f}));
  for (glm::vec3 v : {glm::vec3(cell_limit, 0, 0), {0, -cell_limit, 0}, {0, 0, nan}, {inf, 0, 0}})
    EXPECT_FALSE(in_cell_range(v));
  EXPECT_EQ(storable_position({3e10f, -inf, nan}), glm::vec3(max_position, -max_position, 0.0f));
  EXPECT_EQ(storable_position({1.5f, -2.0f, max_position}), glm::vec3(1.5f, -2.0f, max_position));
}
