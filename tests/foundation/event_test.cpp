#include "foundation/event.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <typeinfo>

namespace {

// An event of the type, with the fields `set` fills.
SDL_Event event(Uint32 type, auto set) {
  SDL_Event e{};
  e.type = type;
  set(e);
  return e;
}
SDL_Event key(Uint32 type, SDL_Scancode sc, bool repeat = false) {
  return event(type, [&](SDL_Event& e) { e.key.keysym.scancode = sc, e.key.repeat = repeat; });
}
SDL_Event button(Uint32 type, Uint8 b) { return event(type, [&](SDL_Event& e) { e.button.button = b; }); }
SDL_Event wheel(float x, float y) {
  return event(SDL_MOUSEWHEEL, [&](SDL_Event& e) { e.wheel.preciseX = x, e.wheel.preciseY = y; });
}
SDL_Event gaxis(Uint8 axis, Sint16 v) {
  return event(SDL_CONTROLLERAXISMOTION, [&](SDL_Event& e) { e.caxis.axis = axis, e.caxis.value = v; });
}
SDL_Event jhat(Uint8 hat, Uint8 v) {
  return event(SDL_JOYHATMOTION, [&](SDL_Event& e) { e.jhat.hat = hat, e.jhat.value = v; });
}
SDL_Event const quit = event(SDL_QUIT, [](SDL_Event&) {});

std::string text(Event_catcher const& c) {
  std::ostringstream os;
  os << c;
  return os.fail() ? "<fail>" : os.str();
}

// Reads a text; the binding starts as something recognisable.
std::pair<Event_catcher, bool> read(std::string const& s, std::string* rest = nullptr) {
  std::istringstream in(s);
  Event_catcher c = Catch_jbutton{-99};
  bool ok = static_cast<bool>(in >> c);
  if (rest) *rest = in.good() ? std::string(std::istreambuf_iterator<char>(in), {}) : "";
  return {c, ok};
}

} // namespace

TEST(Event, DefaultBindingsAndTheirFileText) {
  auto b = default_bindings();
  ASSERT_EQ(b.size(), 26u);
  char const* want[] = {"key(A)", "key(D)", "key(W)", "key(S)", "key(Left Ctrl)", "key(Left Shift)",
                        "key(Space)", "key(E)", "key(Tab)", "mbutton(3)", "mbutton(1)", "mbutton(2)",
                        "key(Escape)", "key(.)", "key(1)"};
  for (std::size_t i = 0; i < std::size(want); ++i) EXPECT_EQ(text(b[i]), want[i]) << i;
  EXPECT_EQ(b[23], Event_catcher(Catch_key{SDL_SCANCODE_0}));
  EXPECT_EQ(b[24], Event_catcher(Catch_mwheel{false}));
  EXPECT_EQ(b[25], Event_catcher(Catch_quit{}));
}

TEST(Event, MatchingGivesPressOrRelease) {
  Event_catcher const a = Catch_key{SDL_SCANCODE_A}, ud = Catch_mwheel{false}, lr = Catch_mwheel{true},
                      up = Catch_gaxis<1>{0}, down = Catch_gaxis<-1>{0}, right = Catch_jhat<2>{1};
  std::tuple<Event_catcher, SDL_Event, int> rows[] = { // 0: not matched
      {a, key(SDL_KEYDOWN, SDL_SCANCODE_A), 2}, {a, key(SDL_KEYUP, SDL_SCANCODE_A), 8},
      {a, key(SDL_KEYDOWN, SDL_SCANCODE_A, true), 0} /* auto-repeat */, {a, key(SDL_KEYDOWN, SDL_SCANCODE_B), 0},
      {ud, wheel(0, 1), 2}, {ud, wheel(0, -1), 8}, {ud, wheel(1, 0), 0}, {lr, wheel(-2, 0), 8},
      {lr, wheel(NAN, 1), 8}, // NaN counts as horizontal; its sum is no turn up
      {up, gaxis(0, 16000), 8}, {up, gaxis(0, 16001), 2}, {up, gaxis(1, 30000), 0},
      {down, gaxis(0, -16001), 2}, {down, gaxis(0, 16001), 8},
      {right, jhat(1, 2), 2}, {right, jhat(1, 3), 8} /* diagonal releases */, {right, jhat(0, 2), 0},
      {Catch_quit{}, quit, 2}, {Catch_none{}, quit, 0}};
  for (auto const& [c, e, want] : rows) {
    int s = 0;
    EXPECT_EQ(catch_event(c, e, s) ? s : 0, want) << text(c) << " event " << e.type;
  }
}

TEST(Event, CaptureTakesOnlyReleasesAndFullDeflections) {
  std::pair<SDL_Event, Event_catcher> rows[] = {
      {key(SDL_KEYUP, SDL_SCANCODE_Q), Catch_key{SDL_SCANCODE_Q}}, {key(SDL_KEYDOWN, SDL_SCANCODE_Q), Catch_none{}},
      {key(SDL_KEYUP, SDL_SCANCODE_UNKNOWN), Catch_none{}}, {wheel(0.5f, 0), Catch_mwheel{true}},
      {gaxis(2, 20000), Catch_none{}}, {gaxis(2, 32767), Catch_gaxis<1>{2}}, {gaxis(2, -32768), Catch_gaxis<-1>{2}},
      {jhat(3, 8), Catch_jhat<8>{3}}, {jhat(3, 9), Catch_none{}}, {quit, Catch_none{}}};
  for (auto const& [e, want] : rows) EXPECT_EQ(make_event_catcher(e), want) << e.type;
}

TEST(Event, ReadingTheTextForm) {
  // Leading blanks, a missing ")" at the end, any nonzero wheel flag, negative numbers.
  std::pair<char const*, Event_catcher> good[] = {
      {"  key(Left Shift)", Catch_key{SDL_SCANCODE_LSHIFT}}, {"jhat_u(0", Catch_jhat<1>{0}},
      {"mwheel(5)", Catch_mwheel{true}}, {"jaxis-(-4)", Catch_jaxis<-1>{-4}}};
  for (auto const& [t, want] : good) EXPECT_EQ(read(t), std::pair(want, true)) << t;
  std::string rest;
  EXPECT_EQ(read("key(A)trailing", &rest).first, Event_catcher(Catch_key{SDL_SCANCODE_A}));
  EXPECT_EQ(rest, "trailing");
  for (char const* bad : {"mbutton( 3)", "mbutton(+3)", "mbutton(3x)", "Key(A)", "key(NoSuchKey)", "key()",
                          "mbutton(2147483648)", "gaxis+(sideways)", "gbutton(nope)", "jhat_q(1)", "mbutton",
                          "", "   ", "mbutton("})
    EXPECT_EQ(read(bad), std::pair(Event_catcher(Catch_jbutton{-99}), false)) << bad;
}

TEST(Event, WritingAndReadingBack) {
  std::vector<Event_catcher> all = {Catch_key{SDL_SCANCODE_KP_ENTER}, Catch_mbutton{5}, Catch_mwheel{true},
                                    Catch_gbutton{SDL_CONTROLLER_BUTTON_DPAD_UP},
                                    Catch_gaxis<1>{SDL_CONTROLLER_AXIS_TRIGGERLEFT},
                                    Catch_gaxis<-1>{SDL_CONTROLLER_AXIS_RIGHTX}, Catch_jbutton{12}, Catch_jaxis<1>{0},
                                    Catch_jaxis<-1>{3}, Catch_jhat<1>{0}, Catch_jhat<2>{1}, Catch_jhat<4>{2},
                                    Catch_jhat<8>{-1}};
  for (auto const& c : all) EXPECT_EQ(read(text(c)), std::pair(c, true)) << text(c);
  EXPECT_EQ(text(Catch_jaxis<-1>{3}), "jaxis-(3)");
  EXPECT_EQ(text(Catch_jhat<8>{-1}), "jhat_l(-1)");
  EXPECT_EQ(text(Catch_mwheel{true}), "mwheel(1)");

  // Nothing SDL can name: the stream fails instead of writing a bad line.
  for (Event_catcher c : {Event_catcher(Catch_key{SDL_SCANCODE_UNKNOWN}), Event_catcher(Catch_key{100000}),
                          Event_catcher(Catch_gbutton{77})})
    EXPECT_EQ(text(c), "<fail>");
  std::ostringstream os;
  os << Event_catcher(Catch_gbutton{77});
  EXPECT_EQ(std::pair(os.bad(), os.str()), std::pair(true, std::string("gbutton(")));
  os.clear(), os.str("");
  EXPECT_THROW(os << Event_catcher(Catch_none{}), std::bad_cast);
  EXPECT_THROW(os << Event_catcher(Catch_quit{}), std::bad_cast);
  EXPECT_EQ(os.str(), "");
}

TEST(Event, DisplayNamesAreNeverNull) {
  std::pair<Event_catcher, char const*> cases[] = {
      {Catch_key{SDL_SCANCODE_SPACE}, "Space"},      {Catch_mbutton{3}, "Right Button"},
      {Catch_mwheel{true}, "Mouse Wheel LR"},        {Catch_jbutton{9}, "Joystick Button 9"},
      {Catch_jaxis<-1>{4}, "Joystick Axis 4"},       {Catch_jhat<4>{0}, "Joystick Hat Down 0"},
      {Catch_gaxis<-1>{0}, "leftx"},                 {Catch_gbutton{0}, "a"},
      // Outside the tables: made up.
      {Catch_mbutton{7}, "Mouse Button 7"},          {Catch_mbutton{0}, "Mouse Button 0"},
      {Catch_jhat<1>{12}, "Joystick Hat Up 12"},     {Catch_jbutton{-1}, "Joystick Button -1"},
      {Catch_key{SDL_SCANCODE_UNKNOWN}, "Key 0"},    {Catch_gbutton{77}, "Gamepad Button 77"}};
  for (auto const& [c, name] : cases) EXPECT_STREQ(to_string(c), name);
  EXPECT_EQ(to_string(Catch_mbutton{7}), to_string(Catch_mbutton{7})); // kept, not remade
  EXPECT_THROW(to_string(Catch_none{}), std::bad_cast);
  EXPECT_THROW(to_string(Catch_quit{}), std::bad_cast);
}

// Per-action states across frames.

namespace {

std::uint64_t now_ms = 0;

struct InputTest : ::testing::Test {
  std::vector<Event_catcher> bindings = default_bindings();
  Input input{bindings};
  InputTest() { now_ms = 10000, input.ticks = [] { return now_ms; }; }
  std::uint32_t jump() const { return input.states[action_jump]; }
};

SDL_Event const space_down = key(SDL_KEYDOWN, SDL_SCANCODE_SPACE), space_up = key(SDL_KEYUP, SDL_SCANCODE_SPACE);

} // namespace

TEST_F(InputTest, AKeyThroughTheFrames) {
  EXPECT_EQ(input.states, std::vector<std::uint32_t>(26, Input::up));
  SDL_Event const repeat = key(SDL_KEYDOWN, SDL_SCANCODE_SPACE, true);
  // No event: the frame ends. A press and release within one frame shows only the release.
  std::pair<SDL_Event const*, std::uint32_t> steps[] = {
      {&space_down, Input::pressed}, {nullptr, Input::held},        {&repeat, Input::held},
      {nullptr, Input::held},        {&space_up, Input::released},  {nullptr, Input::up},
      {&space_down, Input::pressed}, {&space_up, Input::released},  {nullptr, Input::up}};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    now_ms += 1000;
    steps[i].first ? void(input.handle_event(*steps[i].first)) : input.update();
    EXPECT_EQ(jump(), steps[i].second) << i;
  }
}

TEST_F(InputTest, DoublePressesWithin300Ms) {
  auto press_after = [&](std::uint64_t wait) {
    now_ms += wait;
    input.handle_event(space_down);
    std::uint32_t s = jump();
    input.handle_event(space_up);
    input.update();
    return s;
  };
  EXPECT_EQ((std::tuple{press_after(0), press_after(299), press_after(300)}), std::tuple(2u, 18u, 2u));
  now_ms += 200;
  input.handle_event(space_up); // a lone release doesn't move the reference time
  EXPECT_EQ(press_after(99), 18u);
  input.handle_event(space_down);
  input.update();
  EXPECT_EQ(jump(), Input::held); // the double-press bit ages away with the press

  // The clock starts at 0, so a press in the first 300 ms counts as double.
  Input fresh(bindings);
  fresh.ticks = input.ticks;
  now_ms = 120;
  fresh.handle_event(button(SDL_MOUSEBUTTONDOWN, 1));
  EXPECT_EQ(fresh.states[action_erase], 18u);
}

TEST_F(InputTest, CaptureBindsTheNextReleaseAndOneEventDrivesEveryMatch) {
  input.capture = action_jump;
  EXPECT_FALSE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_Q)));
  EXPECT_FALSE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE)));
  EXPECT_EQ(input.states[action_menu], Input::up); // nothing moves while capturing
  EXPECT_EQ(input.capture, action_jump);
  EXPECT_TRUE(input.handle_event(key(SDL_KEYUP, SDL_SCANCODE_Q)));
  EXPECT_EQ(input.capture, -1);
  EXPECT_EQ(bindings[action_jump], Event_catcher(Catch_key{SDL_SCANCODE_Q}));
  EXPECT_EQ(jump(), Input::up);
  bindings[action_run] = Catch_key{SDL_SCANCODE_Q};
  EXPECT_TRUE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_Q)));
  EXPECT_EQ(std::pair(jump(), input.states[action_run]), std::pair(+Input::pressed, +Input::pressed));
  EXPECT_FALSE(input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_F12)));

  // An index outside the bindings ends the capture; the event counts as usual.
  input.capture = 26;
  input.handle_event(key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE));
  EXPECT_EQ(input.capture, -1);
  EXPECT_EQ(input.states[action_menu], Input::pressed);
  EXPECT_EQ(bindings.size(), 26u);
}
