// The player controller's rules over small hand-built worlds.
#include "game/player.hpp"

#include "support/play_world.hpp"

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>
#include <gtest/gtest.h>

using namespace play_test;

namespace {

constexpr std::int32_t walk = Player::walk, run = Player::run, crouch = Player::crouch;
constexpr std::uint32_t double_press = Input::pressed | Input::double_press;

} // namespace

TEST(Player, ModeAndFlight) {
  struct Case { char const* name; Keys keys; bool was_on_ground, flying; std::int32_t from, to; bool flying_after;
  } const cases[] = {
      {"run with a direction", Keys().hold({action_run, action_front}), true, false, walk, run, false},
      {"run let go while moving", Keys().hold({action_left}), true, false, run, run, false},
      {"a key released this frame is not up", Keys().set({action_back}, Input::released), true, false, run, run, false},
      {"every direction up", Keys(), true, false, run, walk, false},
      {"crouch", Keys().hold({action_crouch, action_front}), true, false, walk, crouch, false},
      {"crouch in the air", Keys().hold({action_crouch}), false, false, crouch, walk, false},
      {"double jump in the air flies", Keys().set({action_jump}, double_press), false, false, walk, walk, true},
      {"and again stops", Keys().set({action_jump}, double_press), false, true, walk, walk, false},
      {"double jump on the ground", Keys().set({action_jump}, double_press), true, false, walk, walk, false},
      {"landing ends flight", Keys().hold({action_jump}), true, true, walk, walk, false},
  };
  for (auto const& c : cases) {
    Player_motion m;
    m.mode = c.from;
    m.was_on_ground = c.was_on_ground;
    Body b = standing_at({0.5f, 0.0f, 0.5f});
    b.flags = c.flying ? std::uint32_t(Body::no_gravity) : 0u;
    m.update_mode(b, c.keys);
    EXPECT_EQ(m.mode, c.to) << c.name;
    EXPECT_EQ(b.has(Body::no_gravity), c.flying_after) << c.name;
    EXPECT_FLOAT_EQ(m.head_height, c.to == crouch ? 0.5f : 0.7f) << c.name << ": half way to the height";
  }
}

TEST(Player, WantedVelocityAlongTheYaw) {
  float const d = 0.2f / std::sqrt(2.0f), quarter = glm::half_pi<float>();
  // State: in liquid at the last update, flying.
  struct Case { char const* name; Keys keys; float yaw; std::int32_t mode; std::uint32_t state; glm::vec2 wanted;
    float accel, vy; } const cases[] = {
      {"no key brakes", Keys().hold({action_left, action_right}), 0.0f, walk, 0, {0, 0}, 0.03f, 0},
      {"front at a quarter turn is -x", Keys().hold({action_front}), quarter, walk, 0, {-0.15f, 0}, 0.015f, 0},
      {"diagonal at full speed", Keys().hold({action_right, action_back}), 0.0f, run, 0, {d, d}, 0.015f, 0},
      {"swimming is slow, sinks", Keys().hold({action_left}), 0, crouch, Body::in_liquid, {-0.05f, 0}, 0.015f, -0.01f},
      {"flying is three times as fast", Keys().hold({action_front}), 0, walk, Body::no_gravity, {0, -0.45f}, 0.045f, 0},
  };
  for (auto const& c : cases) {
    Player_motion m;
    m.mode = c.mode;
    m.was_in_liquid = c.state & Body::in_liquid;
    Body b = standing_at({0.5f, 0.0f, 0.5f});
    b.angles.y = c.yaw;
    b.flags = c.state & Body::no_gravity;
    m.update_movement(b, c.keys);
    EXPECT_NEAR(glm::distance(b.wanted, c.wanted), 0.0f, 1e-6f) << c.name;
    EXPECT_FLOAT_EQ(b.accel, c.accel) << c.name;
    EXPECT_FLOAT_EQ(b.velocity.y, c.vy) << c.name;
  }
}

TEST(Player, CrouchingStopsAtAnEdgeAxisByAxis) {
  Small_world w({}, false);
  for (int x = -8; x <= 0; ++x)
    for (int z = -8; z <= 0; ++z) w.set({x, -1, z}, cells().stone); // ground under x, z <= 0
  w.set({1, -1, -1}, cells().stone);                                     // and one cell beyond
  struct Case { char const* name; glm::vec2 from, to, expect; bool on_ground = true; } const cases[] = { // x, z
      {"off the edge in x", {0.5f, 0.5f}, {1.0f, 0.5f}, {0.5f, 0.5f}},
      {"off the corner", {0.5f, 0.5f}, {1.0f, 1.2f}, {0.5f, 0.5f}},
      {"each axis from where it was: z moves, x is held", {0.5f, 0.5f}, {1.2f, -0.2f}, {0.5f, -0.2f}},
      {"in the air", {0.5f, 0.5f}, {1.0f, 1.2f}, {1.0f, 1.2f}, false},
  };
  for (auto const& c : cases) {
    Player_motion m;
    Body b = standing_at({c.to.x, 0.0f, c.to.y});
    b.contacts[Body::ny] = c.on_ground;
    m.prev_pos = {c.from.x, b.position.y, c.from.y};
    m.update_crouch(b, w.wmap);
    EXPECT_EQ(glm::vec2(b.position.x, b.position.z), c.expect) << c.name;
  }
}

TEST(Player, ClimbsAfterItsModesCountWhereItLooks) {
  Cells const& k = cells();
  glm::vec3 const ahead{1.0f, 0.0f, 0.0f}, diagonal{0.7f, 0.0f, 0.7f};
  Cell_list const step{{{1, 0, 0}, k.stone}}, corner{{{1, 0, 0}, k.stone}, {{0, 0, 1}, k.stone}};
  struct Case { char const* name; std::int32_t mode; Cell_list put; glm::vec3 look; int updates;
  } const cases[] = { // until the hop, 0 for none in 20
      {"walker", walk, step, ahead, 4},
      {"runner", run, step, ahead, 1},
      {"croucher", crouch, step, ahead, 8},
      {"ladder", crouch, {{{1, 0, 0}, k.ladder}}, ahead, 1},
      {"a wall two high", run, {{{1, 0, 0}, k.stone}, {{1, 1, 0}, k.stone}}, ahead, 0},
      {"a step of water", run, {{{1, 0, 0}, k.water}}, ahead, 0},
      {"four times the other axis is not enough", run, step, {1.0f, 0.0f, 0.25f}, 0},
      {"diagonally into a corner", run, corner, diagonal, 1},
  };
  for (auto const& c : cases) {
    Small_world w(c.put);
    Player_motion m;
    m.mode = c.mode;
    Body b = standing_at({0.699f, 0.0f, 0.699f}); // 0.001 short of x = 1 and z = 1
    b.contacts[Body::px] = true;
    b.contacts[Body::pz] = c.put == corner;
    int n = 1;
    for (; n <= 20 && b.velocity.y != jump_speed; ++n) m.update_jump(b, Keys(), w.wmap, c.look);
    EXPECT_EQ(b.velocity.y == jump_speed ? n - 1 : 0, c.updates) << c.name;
  }
}

TEST(Player, MouseJumpsOfAQuarterWindowAreDropped) {
  struct Case { char const* name; glm::ivec2 motion; bool released; float pitch, expect_pitch, expect_yaw;
  } const cases[] = {
      {"just under a quarter", {-199, 149}, false, 0.0f, -0.3725f, 0.4975f},
      {"a quarter in x only", {200, 10}, false, 0.0f, -0.025f, 0.0f},
      {"a quarter back in y only", {-8, -150}, false, 0.0f, 0.0f, 0.02f},
      {"just after a menu", {10, 10}, true, 0.0f, 0.0f, 0.0f},
      {"straight up at most", {0, -100}, false, 1.5f, 1.5707964f, 0.0f},
      {"straight down at most", {0, 100}, false, -1.5f, -1.5707964f, 0.0f},
  };
  for (auto const& c : cases) {
    Body b;
    b.angles = {c.pitch, 0.0f};
    turn_body(b, c.motion, {800, 600}, c.released);
    EXPECT_NEAR(b.angles.x, c.expect_pitch, 1e-6f) << c.name;
    EXPECT_NEAR(b.angles.y, c.expect_yaw, 1e-6f) << c.name;
  }
}

TEST(Player, StepSounds) {
  struct Case { char const* name; std::uint32_t now, before; float speed, distance; int sounds; float distance_after;
  } const cases[] = { // ground (1) and liquid (2) contacts
      {"airborne out of the water", 0, 2, 0.1f, 0.5f, 0, 2.0f},
      {"exactly two cells is not past", 1, 1, 0.5f, 1.5f, 0, 2.0f},
      {"landing in stride", 1, 0, 0.25f, 1.875f, 2, 0.125f},
      {"into the water", 2, 0, 0.0f, 1.0f, 1, 1.0f},
  };
  for (auto const& c : cases) {
    Player_motion m{.was_on_ground = (c.before & 1) != 0, .was_in_liquid = (c.before & 2) != 0};
    m.step_distance = c.distance;
    Body b;
    b.contacts[Body::ny] = c.now & 1;
    b.flags = c.now & 2 ? std::uint32_t(Body::in_liquid) : 0u;
    b.velocity = {0.0f, -0.3f, c.speed}; // falling is no walking
    EXPECT_EQ(m.update_step(b), c.sounds) << c.name;
    EXPECT_FLOAT_EQ(m.step_distance, c.distance_after) << c.name;
  }
  // The cells stood in come before the floor; grass has no model.
  Cells const& k = cells();
  std::vector<Cell_model> models(k.grass);
  models[k.stone].sounds[Cell_model::step] = 7;
  models[k.water].sounds[Cell_model::step] = 9;
  for (auto [put, x, sound] : {std::tuple{Cell_list{}, 0.5f, 7}, {{{{0, 0, 0}, k.water}}, 0.5f, 9},
                               {{{{0, -1, 0}, k.grass}}, 0.5f, 0}, {{{{0, -1, 0}, k.grass}}, 1.0f, 7}})
    EXPECT_EQ(step_sound(Small_world(put).wmap, standing_at({x, 0.0f, 0.5f}), models), sound) << x;
}
