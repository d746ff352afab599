#include "foundation/event.hpp"

#include <gtest/gtest.h>

namespace {

std::uint64_t now_ms = 0;
std::uint64_t fake_ticks() { return now_ms; }

SDL_Event key(Uint32 type, SDL_Scancode sc, bool repeat = false) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.scancode = sc;
  e.key.repeat = repeat;
  return e;
}
SDL_Event button(Uint32 type, Uint8 b) {
  SDL_Event e{};
  e.type = type;
  e.button.button = b;
  return e;
}
SDL_Event wheel(float x, float y) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.preciseX = x;
  e.wheel.preciseY = y;
  return e;
}

struct InputTest : ::testing::Test {
  std::vector<Event_catcher> bindings = default_bindings();
  Input input{bindings};
  void SetUp() override {
    now_ms = 10000;
    input.ticks = fake_ticks;
  }
  std::uint32_t jump() const { return input.states[action_jump]; }
};

} // namespace

TEST_F(InputTest, AKeyThroughTheFrames) {
  EXPECT_EQ(input.states, std::vector<std::uint32_t>(26, Input::up));
  input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_SPACE));
  EXPECT_EQ(jump(), Input::pressed);
  input.update();
  EXPECT_EQ(jump(), Input::held);
  input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_SPACE, true)); // auto-repeat changes nothing
  EXPECT_EQ(jump(), Input::held);
  input.update();
  EXPECT_EQ(jump(), Input::held);
  input.handle_event(key(SDL_KEYUP, SDL_SCANCODE_SPACE));
  EXPECT_EQ(jump(), Input::released);
  input.update();
  EXPECT_EQ(jump(), Input::up);

  // Press and release within one frame: only the release is seen.
  now_ms += 1000;
  input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_SPACE));
  input.handle_event(key(SDL_KEYUP, SDL_SCANCODE_SPACE));
  EXPECT_EQ(jump(), Input::released);
  input.update();
  EXPECT_EQ(jump(), Input::up);
}

TEST_F(InputTest, DoublePressesWithin300Ms) {
  auto press = [&] {
    input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_SPACE));
    std::uint32_t s = jump();
    input.handle_event(key(SDL_KEYUP, SDL_SCANCODE_SPACE));
    input.update();
    return s;
  };
  EXPECT_EQ(press(), 2u);
  now_ms += 299;
  EXPECT_EQ(press(), 18u);
  now_ms += 300;
  EXPECT_EQ(press(), 2u);
  // The release doesn't move the reference time.
  now_ms += 200;
  input.handle_event(key(SDL_KEYUP, SDL_SCANCODE_SPACE));
  now_ms += 99;
  EXPECT_EQ(press(), 18u);
  // The double-press bit ages away with the press.
  input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_SPACE));
  input.update();
  EXPECT_EQ(jump(), Input::held);

  // The clock starts at 0, so a press in the first 300 ms counts as double.
  std::vector<Event_catcher> b = default_bindings();
  Input fresh(b);
  fresh.ticks = fake_ticks;
  now_ms = 120;
  fresh.handle_event(button(SDL_MOUSEBUTTONDOWN, 1));
  EXPECT_EQ(fresh.states[action_erase], 18u);
}

TEST_F(InputTest, OneEventDrivesEveryBindingThatMatches) {
  bindings[action_run] = Catch_key{SDL_SCANCODE_SPACE};
  EXPECT_TRUE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_SPACE)));
  EXPECT_EQ(jump(), Input::pressed);
  EXPECT_EQ(input.states[action_run], Input::pressed);
  EXPECT_FALSE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_F12)));
}

TEST_F(InputTest, TheWheelPressesUpAndReleasesDown) {
  input.handle_event(wheel(0, 1));
  EXPECT_EQ(input.states[action_wheel], Input::pressed);
  input.update();
  input.handle_event(wheel(0, -2));
  EXPECT_EQ(input.states[action_wheel], Input::released);
  input.update();
  EXPECT_EQ(input.states[action_wheel], Input::up);
  input.handle_event(wheel(3, 0)); // horizontal: not the default binding
  EXPECT_EQ(input.states[action_wheel], Input::up);
}

TEST_F(InputTest, CaptureBindsTheNextRelease) {
  input.capture = action_jump;
  EXPECT_FALSE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_Q)));
  EXPECT_FALSE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE)));
  EXPECT_EQ(input.states[action_menu], Input::up); // nothing moves while capturing
  EXPECT_EQ(input.capture, action_jump);
  EXPECT_TRUE(input.handle_event(key(SDL_KEYUP, SDL_SCANCODE_Q)));
  EXPECT_EQ(input.capture, -1);
  EXPECT_EQ(bindings[action_jump], Event_catcher(Catch_key{SDL_SCANCODE_Q}));
  EXPECT_EQ(jump(), Input::up);
  input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_Q));
  EXPECT_EQ(jump(), Input::pressed);

  // An index outside the bindings ends the capture; the event counts as usual.
  input.capture = 26;
  input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE));
  EXPECT_EQ(input.capture, -1);
  EXPECT_EQ(input.states[action_menu], Input::pressed);
  EXPECT_EQ(bindings.size(), 26u);
}
