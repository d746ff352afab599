#include "foundation/event.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <typeinfo>

namespace {

SDL_Event key(Uint32 type, SDL_Scancode sc, bool repeat = false) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.scancode = sc;
  e.key.repeat = repeat;
  return e;
}
SDL_Event wheel(float x, float y) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.preciseX = x;
  e.wheel.preciseY = y;
  return e;
}
SDL_Event gaxis(Uint8 axis, Sint16 value) {
  SDL_Event e{};
  e.type = SDL_CONTROLLERAXISMOTION;
  e.caxis.axis = axis;
  e.caxis.value = value;
  return e;
}
SDL_Event jhat(Uint8 hat, Uint8 value) {
  SDL_Event e{};
  e.type = SDL_JOYHATMOTION;
  e.jhat.hat = hat;
  e.jhat.value = value;
  return e;
}

int state_of(Event_catcher const& c, SDL_Event const& e) {
  int s = 0;
  return catch_event(c, e, s) ? s : 0;
}

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
  char const* want[] = {"key(A)",         "key(D)",     "key(W)",        "key(S)",
                        "key(Left Ctrl)", "key(Left Shift)", "key(Space)", "key(E)",
                        "key(Tab)",       "mbutton(3)", "mbutton(1)",    "mbutton(2)",
                        "key(Escape)",    "key(.)",     "key(1)"};
  for (std::size_t i = 0; i < std::size(want); ++i) EXPECT_EQ(text(b[i]), want[i]) << i;
  EXPECT_EQ(b[23], Event_catcher(Catch_key{SDL_SCANCODE_0}));
  EXPECT_EQ(b[24], Event_catcher(Catch_mwheel{false}));
  EXPECT_EQ(b[25], Event_catcher(Catch_quit{}));
}

TEST(Event, Matching) {
  Event_catcher a = Catch_key{SDL_SCANCODE_A};
  EXPECT_EQ(state_of(a, key(SDL_KEYDOWN, SDL_SCANCODE_A)), 2);
  EXPECT_EQ(state_of(a, key(SDL_KEYUP, SDL_SCANCODE_A)), 8);
  EXPECT_EQ(state_of(a, key(SDL_KEYDOWN, SDL_SCANCODE_A, true)), 0); // auto-repeat
  EXPECT_EQ(state_of(a, key(SDL_KEYDOWN, SDL_SCANCODE_B)), 0);

  Event_catcher ud = Catch_mwheel{false}, lr = Catch_mwheel{true};
  EXPECT_EQ(state_of(ud, wheel(0, 1)), 2);
  EXPECT_EQ(state_of(ud, wheel(0, -1)), 8);
  EXPECT_EQ(state_of(ud, wheel(1, 0)), 0);
  EXPECT_EQ(state_of(lr, wheel(-2, 0)), 8);
  EXPECT_EQ(state_of(lr, wheel(NAN, 1)), 8); // NaN counts as horizontal; its sum is no turn up

  Event_catcher up = Catch_gaxis<1>{0}, down = Catch_gaxis<-1>{0};
  EXPECT_EQ(state_of(up, gaxis(0, 16000)), 8);
  EXPECT_EQ(state_of(up, gaxis(0, 16001)), 2);
  EXPECT_EQ(state_of(down, gaxis(0, -16001)), 2);
  EXPECT_EQ(state_of(down, gaxis(0, 16001)), 8);
  EXPECT_EQ(state_of(up, gaxis(1, 30000)), 0);

  Event_catcher hat = Catch_jhat<2>{1};
  EXPECT_EQ(state_of(hat, jhat(1, 2)), 2);
  EXPECT_EQ(state_of(hat, jhat(1, 3)), 8); // diagonal releases
  EXPECT_EQ(state_of(hat, jhat(0, 2)), 0);

  SDL_Event quit{};
  quit.type = SDL_QUIT;
  EXPECT_EQ(state_of(Catch_quit{}, quit), 2);
  EXPECT_EQ(state_of(Catch_none{}, quit), 0);
}

TEST(Event, CaptureTakesOnlyReleasesAndFullDeflections) {
  EXPECT_EQ(make_event_catcher(key(SDL_KEYUP, SDL_SCANCODE_Q)), Event_catcher(Catch_key{SDL_SCANCODE_Q}));
  EXPECT_EQ(make_event_catcher(key(SDL_KEYDOWN, SDL_SCANCODE_Q)), Event_catcher(Catch_none{}));
  EXPECT_EQ(make_event_catcher(key(SDL_KEYUP, SDL_SCANCODE_UNKNOWN)), Event_catcher(Catch_none{}));
  EXPECT_EQ(make_event_catcher(wheel(0.5f, 0)), Event_catcher(Catch_mwheel{true}));
  EXPECT_EQ(make_event_catcher(gaxis(2, 20000)), Event_catcher(Catch_none{}));
  EXPECT_EQ(make_event_catcher(gaxis(2, 32767)), Event_catcher(Catch_gaxis<1>{2}));
  EXPECT_EQ(make_event_catcher(gaxis(2, -32768)), Event_catcher(Catch_gaxis<-1>{2}));
  EXPECT_EQ(make_event_catcher(jhat(3, 8)), Event_catcher(Catch_jhat<8>{3}));
  EXPECT_EQ(make_event_catcher(jhat(3, 9)), Event_catcher(Catch_none{}));
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  EXPECT_EQ(make_event_catcher(quit), Event_catcher(Catch_none{}));
}

TEST(Event, ReadingTheTextForm) {
  EXPECT_EQ(read("mbutton(3)"), std::make_pair(Event_catcher(Catch_mbutton{3}), true));
  EXPECT_EQ(read("  key(Left Shift)").first, Event_catcher(Catch_key{SDL_SCANCODE_LSHIFT}));
  EXPECT_EQ(read("mwheel(5)").first, Event_catcher(Catch_mwheel{true}));
  EXPECT_EQ(read("jhat_u(0").first, Event_catcher(Catch_jhat<1>{0})); // ")" may be missing at the end
  EXPECT_EQ(read("jaxis-(-4)").first, Event_catcher(Catch_jaxis<-1>{-4}));
  EXPECT_EQ(read("gaxis+(lefty)").first, Event_catcher(Catch_gaxis<1>{SDL_CONTROLLER_AXIS_LEFTY}));
  EXPECT_EQ(read("gbutton(a)").first, Event_catcher(Catch_gbutton{SDL_CONTROLLER_BUTTON_A}));
  EXPECT_EQ(read("mbutton(7)").first, Event_catcher(Catch_mbutton{7}));
  std::string rest;
  EXPECT_EQ(read("key(A)trailing", &rest).first, Event_catcher(Catch_key{SDL_SCANCODE_A}));
  EXPECT_EQ(rest, "trailing");

  for (char const* bad : {"mbutton( 3)", "mbutton(+3)", "mbutton(3x)", "Key(A)", "key(NoSuchKey)", "key()",
                          "mbutton(2147483648)", "gaxis+(sideways)", "gbutton(nope)", "jhat_q(1)", "mbutton",
                          "", "   ", "mbutton("}) {
    auto [c, ok] = read(bad);
    EXPECT_FALSE(ok) << bad;
    EXPECT_EQ(c, Event_catcher(Catch_jbutton{-99})) << bad;
  }
}

TEST(Event, WritingAndReadingBack) {
  std::vector<Event_catcher> all = {
      Catch_key{SDL_SCANCODE_KP_ENTER}, Catch_mbutton{5},     Catch_mwheel{true},
      Catch_gbutton{SDL_CONTROLLER_BUTTON_DPAD_UP}, Catch_gaxis<1>{SDL_CONTROLLER_AXIS_TRIGGERLEFT},
      Catch_gaxis<-1>{SDL_CONTROLLER_AXIS_RIGHTX}, Catch_jbutton{12}, Catch_jaxis<1>{0},
      Catch_jaxis<-1>{3}, Catch_jhat<1>{0}, Catch_jhat<2>{1}, Catch_jhat<4>{2}, Catch_jhat<8>{-1}};
  for (auto const& c : all) {
    std::string t = text(c);
    EXPECT_EQ(read(t), std::make_pair(c, true)) << t;
  }
  EXPECT_EQ(text(Catch_jaxis<-1>{3}), "jaxis-(3)");
  EXPECT_EQ(text(Catch_jhat<8>{-1}), "jhat_l(-1)");
  EXPECT_EQ(text(Catch_mwheel{true}), "mwheel(1)");

  // Nothing SDL can name: the stream fails instead of writing a bad line.
  EXPECT_EQ(text(Catch_key{SDL_SCANCODE_UNKNOWN}), "<fail>");
  EXPECT_EQ(text(Catch_key{100000}), "<fail>");
  EXPECT_EQ(text(Catch_gbutton{77}), "<fail>");
  std::ostringstream os;
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
