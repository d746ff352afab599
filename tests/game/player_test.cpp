// The player controller's rules over small hand-built worlds.
#include "game/player.hpp"

#include "support/play_world.hpp"

#include <glm/gtc/constants.hpp>
#include <gtest/gtest.h>

#include <vector>

using namespace play_test;

namespace {

constexpr float eps = 1e-5f;

bool flying(Body const& b) { return b.has(Body::no_gravity); }

} // namespace

TEST(PlayerMode, FollowsRunCrouchAndTheDirectionKeys) {
  struct Case {
    char const* name;
    Keys keys;
    bool was_on_ground;
    std::int32_t from, to;
  } const cases[] = {
      {"run alone is a walk", Keys().hold({action_run}), true, Player::walk, Player::walk},
      {"run with a direction", Keys().hold({action_run, action_front}), true, Player::walk, Player::run},
      {"run let go while moving stays a run", Keys().hold({action_left}), true, Player::run, Player::run},
      {"a key released this frame is not up yet", Keys().set({action_back}, Input::released), true, Player::run,
       Player::run},
      {"every direction up ends the run", Keys(), true, Player::run, Player::walk},
      {"crouch on the ground", Keys().hold({action_crouch}), true, Player::walk, Player::crouch},
      {"crouch wins over run", Keys().hold({action_crouch, action_run, action_front}), true, Player::walk,
       Player::crouch},
      {"crouch pressed this frame is not held yet", Keys().press({action_crouch}), true, Player::walk,
       Player::walk},
      {"crouch let go", Keys().hold({action_front}), true, Player::crouch, Player::walk},
      {"in the air a crouch becomes a walk", Keys().hold({action_crouch, action_front}), false, Player::crouch,
       Player::walk},
      {"in the air a run stays", Keys().hold({action_front}), false, Player::run, Player::run},
  };
  for (auto const& c : cases) {
    Player_motion m;
    m.mode = c.from;
    m.was_on_ground = c.was_on_ground;
    Body b = standing_at({0.5f, 0.0f, 0.5f});
    m.update_mode(b, c.keys);
    EXPECT_EQ(m.mode, c.to) << c.name;
  }
}

TEST(PlayerMode, FlightByDoublePressInTheAirEndsOnLanding) {
  std::uint32_t const double_press = Input::pressed | Input::double_press;
  struct Case {
    char const* name;
    std::uint32_t jump;
    bool was_on_ground, flying_before, flying_after;
  } const cases[] = {
      {"double press in the air starts it", double_press, false, false, true},
      {"another one in the air ends it", double_press, false, true, false},
      {"a double press on the ground does nothing", double_press, true, false, false},
      {"landing ends it", Input::held, true, true, false},
      {"a single press in the air does nothing", Input::pressed, false, false, false},
      {"holding jump in flight keeps flying", Input::held, false, true, true},
  };
  for (auto const& c : cases) {
    Player_motion m;
    m.was_on_ground = c.was_on_ground;
    Body b = standing_at({0.5f, 3.0f, 0.5f});
    if (c.flying_before) b.flags |= Body::no_gravity;
    m.update_mode(b, Keys().set({action_jump}, c.jump));
    EXPECT_EQ(flying(b), c.flying_after) << c.name;
  }
}

TEST(PlayerMode, HeadEasesHalfWayToItsHeight) {
  Player_motion m;
  m.was_on_ground = true;
  Body b = standing_at({0.5f, 0.0f, 0.5f});
  std::vector<float> heights;
  for (int i = 0; i < 3; ++i) {
    m.update_mode(b, Keys().hold({action_crouch}));
    heights.push_back(m.head_height);
  }
  m.update_mode(b, Keys());
  heights.push_back(m.head_height);
  std::vector<float> const expect{0.5f, 0.4f, 0.35f, 0.525f};
  for (std::size_t i = 0; i < expect.size(); ++i) EXPECT_NEAR(heights[i], expect[i], eps) << i;
  EXPECT_NEAR(m.head_pos.y, b.position.y + 0.525f, eps);
}

TEST(PlayerMovement, WantedVelocityAlongTheLook) {
  float const d = 1.0f / std::sqrt(2.0f);
  struct Case {
    char const* name;
    Keys keys;
    float yaw;
    std::int32_t mode;
    bool in_liquid, flying;
    glm::vec2 wanted;
    float accel, vy;
  } const cases[] = {
      {"no key brakes", Keys(), 0.0f, Player::walk, false, false, {0.0f, 0.0f}, 0.03f, 0.0f},
      {"opposite keys cancel", Keys().hold({action_left, action_right}), 0.0f, Player::walk, false, false,
       {0.0f, 0.0f}, 0.03f, 0.0f},
      {"front at yaw 0 is -z", Keys().hold({action_front}), 0.0f, Player::walk, false, false, {0.0f, -0.15f},
       0.015f, 0.0f},
      {"front at a quarter turn is -x", Keys().hold({action_front}), glm::half_pi<float>(), Player::walk, false,
       false, {-0.15f, 0.0f}, 0.015f, 0.0f},
      {"diagonal runs at full speed", Keys().hold({action_right, action_back}), 0.0f, Player::run, false, false,
       {0.2f * d, 0.2f * d}, 0.015f, 0.0f},
      {"crouching is slow", Keys().hold({action_left}), 0.0f, Player::crouch, false, false, {-0.1f, 0.0f}, 0.015f,
       0.0f},
      {"swimming is half speed and sinks", Keys().hold({action_front}), 0.0f, Player::walk, true, false,
       {0.0f, -0.075f}, 0.015f, -0.01f},
      {"standing in water does not sink", Keys(), 0.0f, Player::walk, true, false, {0.0f, 0.0f}, 0.03f, 0.0f},
      {"flying is three times as fast", Keys().hold({action_front}), 0.0f, Player::walk, false, true,
       {0.0f, -0.45f}, 0.045f, 0.0f},
      {"flying without a key brakes as on foot", Keys(), 0.0f, Player::walk, false, true, {0.0f, 0.0f}, 0.03f,
       0.0f},
  };
  for (auto const& c : cases) {
    Player_motion m;
    m.mode = c.mode;
    m.was_in_liquid = c.in_liquid;
    Body b = standing_at({0.5f, 0.0f, 0.5f});
    b.angles.y = c.yaw;
    if (c.flying) b.flags |= Body::no_gravity;
    m.update_movement(b, c.keys);
    EXPECT_NEAR(b.wanted.x, c.wanted.x, eps) << c.name;
    EXPECT_NEAR(b.wanted.y, c.wanted.y, eps) << c.name;
    EXPECT_FLOAT_EQ(b.accel, c.accel) << c.name;
    EXPECT_FLOAT_EQ(b.velocity.y, c.vy) << c.name;
  }
}

TEST(PlayerMovement, FlightClimbsAndSinksHalfWayToItsSpeed) {
  Body b = standing_at({0.5f, 3.0f, 0.5f});
  Player_motion::update_flight(b, Keys().hold({action_jump}));
  EXPECT_FLOAT_EQ(b.velocity.y, 0.175f);
  Player_motion::update_flight(b, Keys().hold({action_crouch}));
  EXPECT_FLOAT_EQ(b.velocity.y, -0.0875f);
  Player_motion::update_flight(b, Keys().hold({action_jump, action_crouch}));
  EXPECT_FLOAT_EQ(b.velocity.y, -0.04375f);
}

TEST(PlayerCrouch, EdgeStopsEachAxisOnItsOwn) {
  // Ground under x <= 0 and z <= 0, and a strip along z = -8 out to x = 31,
  // where the loaded pages end.
  Small_world w;
  w.fill({-8, -1, -8}, {0, -1, 0}, cells().stone);
  w.fill({1, -1, -8}, {31, -1, -8}, cells().stone);
  struct Case {
    char const* name;
    glm::vec2 from, to, expect; // x, z
    bool on_ground = true;
  } const cases[] = {
      {"off the edge in x", {0.5f, 0.5f}, {1.0f, 0.5f}, {0.5f, 0.5f}},
      {"off the edge in z", {0.5f, 0.5f}, {0.5f, 1.2f}, {0.5f, 0.5f}},
      {"off the corner", {0.5f, 0.5f}, {1.0f, 1.2f}, {0.5f, 0.5f}},
      {"along the edge: z moves, x is held", {0.5f, -2.5f}, {1.1f, -3.0f}, {0.5f, -3.0f}},
      {"on the ground all the way", {-2.5f, -2.5f}, {-3.0f, -2.0f}, {-3.0f, -2.0f}},
      {"toward a page not loaded", {31.5f, -7.5f}, {32.2f, -7.1f}, {32.2f, -7.1f}},
      {"in the air nothing holds", {0.5f, 0.5f}, {1.0f, 1.2f}, {1.0f, 1.2f}, false},
  };
  for (auto const& c : cases) {
    Player_motion m;
    m.mode = Player::crouch;
    Body b = standing_at({c.to.x, 0.0f, c.to.y});
    b.contacts[Body::ny] = c.on_ground;
    m.prev_pos = {c.from.x, b.position.y, c.from.y};
    m.update_crouch(b, w.wmap);
    EXPECT_FLOAT_EQ(b.position.x, c.expect.x) << c.name;
    EXPECT_FLOAT_EQ(b.position.z, c.expect.y) << c.name;
  }
}

namespace {

// Pushing in +x from x = 0.699 (the box 0.001 short of x = 1) with what is
// put in front; how many updates until the hop, 0 for none in 20.
int updates_to_climb(Small_world& w, std::int32_t mode, glm::vec3 look = {1.0f, 0.0f, 0.0f}) {
  Player_motion m;
  m.mode = mode;
  m.was_on_ground = true;
  Body b = standing_at({0.699f, 0.0f, 0.5f});
  b.contacts[Body::px] = true;
  for (int n = 1; n <= 20; ++n) {
    b.velocity.y = 0.0f;
    m.update_jump(b, Keys(), w.wmap, look);
    if (b.velocity.y == jump_speed) return n;
  }
  return 0;
}

} // namespace

TEST(PlayerClimb, HopsUpAStepAfterItsModesCount) {
  struct Case {
    char const* name;
    std::int32_t mode;
    std::vector<std::pair<glm::ivec3, Cell_id>> put;
    int updates;
  } const cases[] = {
      {"walker on a step", Player::walk, {{{1, 0, 0}, cells().stone}}, 4},
      {"runner on a step", Player::run, {{{1, 0, 0}, cells().stone}}, 1},
      {"croucher on a step", Player::crouch, {{{1, 0, 0}, cells().stone}}, 8},
      {"walker on a ladder", Player::walk, {{{1, 0, 0}, cells().ladder}}, 1},
      {"croucher on a ladder", Player::crouch, {{{1, 0, 0}, cells().ladder}}, 1},
      {"a wall two high", Player::run, {{{1, 0, 0}, cells().stone}, {{1, 1, 0}, cells().stone}}, 0},
      {"no headroom over the step", Player::run, {{{1, 0, 0}, cells().stone}, {{1, 2, 0}, cells().ladder}}, 0},
      {"a step of water", Player::run, {{{1, 0, 0}, cells().water}}, 0},
      {"nothing in front", Player::run, {}, 0},
  };
  for (auto const& c : cases) {
    Small_world w;
    w.floor();
    for (auto [cell, id] : c.put) w.set(cell, id);
    EXPECT_EQ(updates_to_climb(w, c.mode), c.updates) << c.name;
  }
}

TEST(PlayerClimb, SidesNeedALookAlongTheAxisCornersADiagonalOne) {
  Small_world w;
  w.floor();
  w.set({1, 0, 0}, cells().stone);
  w.set({0, 0, 1}, cells().stone);
  struct Case {
    char const* name;
    glm::vec3 look;
    bool touch_x, touch_z, on_ground, in_liquid;
    int expect;
  } const cases[] = {
      {"looking at the wall", {1.0f, 0.0f, 0.2f}, true, false, true, false, 1},
      {"exactly four times the other axis is not enough", {1.0f, -0.4f, 0.25f}, true, false, true, false, 0},
      {"diagonally at one wall", {0.7f, 0.0f, 0.7f}, true, false, true, false, 0},
      {"diagonally into a corner", {0.7f, 0.0f, 0.7f}, true, true, true, false, 1},
      {"a corner looked at from the wrong side", {0.7f, 0.0f, -0.7f}, true, true, true, false, 0},
      {"away from the wall", {-1.0f, 0.0f, 0.0f}, true, false, true, false, 0},
      {"swimming against it", {1.0f, 0.0f, 0.0f}, true, false, false, true, 1},
      {"in the air", {1.0f, 0.0f, 0.0f}, true, true, false, false, 0},
  };
  for (auto const& c : cases) {
    Body b = standing_at({0.699f, 0.0f, 0.699f});
    b.contacts[Body::px] = c.touch_x;
    b.contacts[Body::pz] = c.touch_z;
    b.contacts[Body::ny] = c.on_ground;
    if (c.in_liquid) b.flags |= Body::in_liquid;
    EXPECT_EQ(check_auto_climb(b, w.wmap, c.look), c.expect) << c.name;
  }
}

TEST(PlayerJump, OnTheGroundOrAsARunnersHopOffAnEdge) {
  struct Case {
    char const* name;
    std::int32_t mode;
    bool jump_held, on_ground, was_on_ground;
    float vy, expect_vy, expect_y;
  } const cases[] = {
      {"jump held on the ground", Player::walk, true, true, true, 0.0f, jump_speed, 1.901f},
      {"jump held in the air", Player::walk, true, false, false, -0.1f, -0.1f, 1.901f},
      {"runner leaving an edge", Player::run, false, false, true, -0.05f, run_hop_speed, 1.5f},
      {"walker leaving an edge", Player::walk, false, false, true, -0.05f, -0.05f, 1.901f},
      {"runner already falling", Player::run, false, false, false, -0.05f, -0.05f, 1.901f},
      {"runner going up off the edge", Player::run, false, false, true, 0.2f, 0.2f, 1.901f},
  };
  for (auto const& c : cases) {
    Small_world w;
    Player_motion m;
    m.mode = c.mode;
    m.was_on_ground = c.was_on_ground;
    m.prev_pos = {0.5f, 1.5f, 0.5f};
    Body b = standing_at({0.5f, 1.0f, 0.5f});
    b.contacts[Body::ny] = c.on_ground;
    b.velocity.y = c.vy;
    m.update_jump(b, c.jump_held ? Keys().hold({action_jump}) : Keys(), w.wmap, {0.0f, 0.0f, -1.0f});
    EXPECT_FLOAT_EQ(b.velocity.y, c.expect_vy) << c.name;
    EXPECT_NEAR(b.position.y, c.expect_y, eps) << c.name;
  }
}

TEST(PlayerLook, MouseTurnsUnlessItJumpedAQuarterWindow) {
  struct Case {
    char const* name;
    glm::ivec2 mouse, window;
    bool released;
    float pitch, expect_pitch, expect_yaw;
  } const cases[] = {
      {"a small move right", {410, 300}, {800, 600}, false, 0.0f, 0.0f, -0.025f},
      {"a small move up", {400, 290}, {800, 600}, false, 0.0f, 0.025f, 0.0f},
      {"just under a quarter", {201, 449}, {800, 600}, false, 0.0f, -0.3725f, 0.4975f},
      {"a quarter in x is dropped, y still turns", {600, 310}, {800, 600}, false, 0.0f, -0.025f, 0.0f},
      {"a quarter in both is dropped", {200, 450}, {800, 600}, false, 0.0f, 0.0f, 0.0f},
      {"odd sizes divide down", {600, 300}, {801, 601}, false, 0.0f, 0.0f, 0.0f},
      {"just after a menu nothing turns", {410, 310}, {800, 600}, true, 0.0f, 0.0f, 0.0f},
      {"pitch stops at straight up", {400, 200}, {800, 600}, false, 1.5f, 1.5707964f, 0.0f},
      {"pitch comes back in range after a menu", {400, 300}, {800, 600}, true, -2.0f, -1.5707964f, 0.0f},
  };
  for (auto const& c : cases) {
    Body b;
    b.angles = {c.pitch, 0.0f};
    turn_body(b, c.mouse, c.window, c.released);
    EXPECT_NEAR(b.angles.x, c.expect_pitch, eps) << c.name;
    EXPECT_NEAR(b.angles.y, c.expect_yaw, eps) << c.name;
  }
}

TEST(PlayerStep, SoundsOnLandingAndEveryTwoCells) {
  struct Case {
    char const* name;
    bool on_ground, in_liquid, was_on_ground, was_in_liquid;
    float speed, distance;
    int sounds;
    float expect_distance;
  } const cases[] = {
      {"airborne", false, false, false, false, 0.1f, 0.5f, 0, 1.0f},
      {"airborne out of the water", false, false, false, true, 0.1f, 0.5f, 0, 2.0f},
      {"landing still", true, false, false, false, 0.0f, 1.0f, 1, 1.0f},
      {"walking", true, false, true, false, 0.25f, 1.0f, 0, 1.25f},
      {"walking past two cells", true, false, true, false, 0.25f, 1.875f, 1, 0.125f},
      {"reaching exactly two is not past", true, false, true, false, 0.5f, 1.5f, 0, 2.0f},
      {"landing in stride", true, false, false, false, 0.25f, 1.875f, 2, 0.125f},
      {"standing still", true, false, true, false, 0.0f, 1.875f, 0, 1.0f},
      {"into the water", false, true, false, false, 0.0f, 1.0f, 1, 1.0f},
      {"floating still", false, true, false, true, 0.0f, 0.5f, 0, 2.0f},
  };
  for (auto const& c : cases) {
    Player_motion m;
    m.was_on_ground = c.was_on_ground;
    m.was_in_liquid = c.was_in_liquid;
    m.step_distance = c.distance;
    Body b = standing_at({0.5f, 0.0f, 0.5f});
    b.contacts[Body::ny] = c.on_ground;
    if (c.in_liquid) b.flags |= Body::in_liquid;
    b.velocity = {0.0f, -0.3f, c.speed}; // falling speed is no step
    EXPECT_EQ(m.update_step(b), c.sounds) << c.name;
    EXPECT_NEAR(m.step_distance, c.expect_distance, eps) << c.name;
  }
}

TEST(PlayerStep, SoundOfTheCellStoodInBeforeTheFloor) {
  Cells const& k = cells();
  std::vector<Cell_model> models(k.grass); // grass, the last type made, has no model
  models[k.stone].sounds[Cell_model::step] = 7;
  models[k.water].sounds[Cell_model::step] = 9;
  struct Case {
    char const* name;
    std::vector<std::pair<glm::ivec3, Cell_id>> put;
    glm::vec3 feet;
    Audio_id expect;
  } const cases[] = {
      {"on stone", {{{0, -1, 0}, k.stone}}, {0.5f, 0.0f, 0.5f}, 7},
      {"in water over stone", {{{0, -1, 0}, k.stone}, {{0, 0, 0}, k.water}}, {0.5f, 0.0f, 0.5f}, 9},
      {"in silent mud over stone", {{{0, -1, 0}, k.stone}, {{0, 0, 0}, k.mud}}, {0.5f, 0.0f, 0.5f}, 7},
      {"on a type without a model", {{{0, -1, 0}, k.grass}}, {0.5f, 0.0f, 0.5f}, 0},
      {"straddling air and stone", {{{1, -1, 1}, k.stone}}, {1.0f, 0.0f, 1.0f}, 7},
      {"over a page not loaded", {}, {40.5f, 0.0f, 0.5f}, 0},
  };
  for (auto const& c : cases) {
    Small_world w;
    for (auto [cell, id] : c.put) w.set(cell, id);
    EXPECT_EQ(step_sound(w.wmap, standing_at(c.feet), models), c.expect) << c.name;
  }
}
