#pragma once
// Input bindings: which window event drives an action, their text form for
// game.cfg and their display names for the menus.
#include <SDL.h>

#include <glm/vec2.hpp>

#include <cstdint>
#include <iosfwd>
#include <variant>
#include <vector>

struct Catch_none {
  bool operator==(Catch_none const&) const = default;
};
struct Catch_key {
  std::int32_t scancode;
  bool operator==(Catch_key const&) const = default;
};
struct Catch_mbutton {
  std::int32_t button; // 1 left, 2 middle, 3 right
  bool operator==(Catch_mbutton const&) const = default;
};
struct Catch_mwheel {
  bool horizontal;
  bool operator==(Catch_mwheel const&) const = default;
};
struct Catch_gbutton {
  std::int32_t button;
  bool operator==(Catch_gbutton const&) const = default;
};
template <int Dir> struct Catch_gaxis {
  std::int32_t axis;
  bool operator==(Catch_gaxis const&) const = default;
};
struct Catch_jbutton {
  std::int32_t button;
  bool operator==(Catch_jbutton const&) const = default;
};
template <int Dir> struct Catch_jaxis {
  std::int32_t axis;
  bool operator==(Catch_jaxis const&) const = default;
};
// Bit is the SDL hat direction: 1 up, 2 right, 4 down, 8 left.
template <int Bit> struct Catch_jhat {
  std::int32_t hat;
  bool operator==(Catch_jhat const&) const = default;
};
struct Catch_quit {
  bool operator==(Catch_quit const&) const = default;
};

using Event_catcher =
    std::variant<Catch_none, Catch_key, Catch_mbutton, Catch_mwheel, Catch_gbutton,
                 Catch_gaxis<1>, Catch_gaxis<-1>, Catch_jbutton, Catch_jaxis<1>,
                 Catch_jaxis<-1>, Catch_jhat<1>, Catch_jhat<2>, Catch_jhat<4>,
                 Catch_jhat<8>, Catch_quit>;

// Action numbers, the index of each binding.
enum Action : int {
  action_left, action_right, action_front, action_back, action_crouch, action_run,
  action_jump, action_interact, action_inventory, action_paint, action_erase,
  action_pick, action_menu, action_console,
  action_num1, action_num2, action_num3, action_num4, action_num5, action_num6,
  action_num7, action_num8, action_num9, action_num0,
  action_wheel, action_quit,
  action_count
};

// The 26 bindings every configuration starts from.
std::vector<Event_catcher> default_bindings();

// True when the event concerns the binding; state then becomes 2 (press) or 8
// (release).
bool catch_event(Event_catcher const& c, SDL_Event const& e, int& state);

// The binding an event creates while a binding is being captured; Catch_none
// when the event can't be captured (presses, partial deflections, ...).
Event_catcher make_event_catcher(SDL_Event const& e);

// Display name; never null. Catch_none and Catch_quit throw std::bad_cast.
char const* to_string(Event_catcher const& c);

// Text form: "key(Space)", "mbutton(1)", "gaxis+(leftx)", ... Writing a
// binding SDL has no name for sets badbit after the prefix; Catch_none and
// Catch_quit throw std::bad_cast. Reading leaves the binding unchanged and
// sets failbit on anything it doesn't recognise.
std::ostream& operator<<(std::ostream& os, Event_catcher const& c);
std::istream& operator>>(std::istream& is, Event_catcher& c);

// Per-action states: bit 1 up, 2 pressed this frame, 4 held, 8 released this
// frame, 16 with 2 when the press came within 300 ms of the previous one.
struct Input {
  enum : std::uint32_t { up = 1, pressed = 2, held = 4, released = 8, double_press = 16 };

  std::vector<Event_catcher>& bindings; // owned by Config; its length must not change
  std::vector<std::uint32_t> states;
  std::vector<std::uint64_t> last_press; // ms ticks
  std::int32_t capture = -1;             // binding to replace with the next capturable event
  std::uint64_t (*ticks)() = SDL_GetTicks64; // millisecond clock
  // The pointer's motion this frame, in pixels, as SDL's motion events
  // report it (also in relative mouse mode, where no position moves).
  glm::ivec2 motion{0};

  explicit Input(std::vector<Event_catcher>& bindings_);

  // Offers one event to every binding (or to the capture); true when it
  // changed a state or a binding. Motion adds to `motion` either way.
  bool handle_event(SDL_Event const& e);
  // Once a frame: presses become held, releases become up, the motion is
  // gone.
  void update();
};
