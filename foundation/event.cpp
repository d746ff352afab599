#include "foundation/event.hpp"

#include <charconv>
#include <istream>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <typeinfo>

namespace {

// ---- display names ---------------------------------------------------------

char const* const mouse_button_name[] = {nullptr, "Left Button", "Middle Button", "Right Button"};
char const* const mouse_wheel_name[] = {"Mouse Wheel UD", "Mouse Wheel LR"};
#define TEN(prefix)                                                                         \
  {                                                                                         \
    prefix "0", prefix "1", prefix "2", prefix "3", prefix "4", prefix "5", prefix "6",    \
        prefix "7", prefix "8", prefix "9"                                                  \
  }
char const* const joy_button_name[] = TEN("Joystick Button ");
char const* const joy_axis_name[] = TEN("Joystick Axis ");
char const* const joy_hat_u_name[] = TEN("Joystick Hat Up ");
char const* const joy_hat_r_name[] = TEN("Joystick Hat Right ");
char const* const joy_hat_d_name[] = TEN("Joystick Hat Down ");
char const* const joy_hat_l_name[] = TEN("Joystick Hat Left ");
#undef TEN

// Names outside the tables (extra mouse buttons, unnamed keys, ...) are made
// once and kept, so every name stays valid like the constant ones.
char const* made_name(char const* prefix, std::int32_t n) {
  static std::mutex lock;
  static std::set<std::string> names;
  std::lock_guard guard(lock);
  return names.insert(prefix + std::to_string(n)).first->c_str();
}

char const* table_name(char const* const (&table)[10], char const* prefix, std::int32_t n) {
  return n >= 0 && n < 10 ? table[n] : made_name(prefix, n);
}

char const* key_name(std::int32_t scancode) {
  if (scancode <= SDL_SCANCODE_UNKNOWN || scancode >= SDL_NUM_SCANCODES) return nullptr;
  char const* name = SDL_GetScancodeName(static_cast<SDL_Scancode>(scancode));
  return name && *name ? name : nullptr;
}

char const* gbutton_name(std::int32_t b) {
  return SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(b));
}

char const* gaxis_name(std::int32_t a) {
  return SDL_GameControllerGetStringForAxis(static_cast<SDL_GameControllerAxis>(a));
}

template <class... F> struct Overload : F... {
  using F::operator()...;
};

// ---- matching ----------------------------------------------------------------

bool match(Catch_none const&, SDL_Event const&, int&) { return false; }

bool match(Catch_key const& c, SDL_Event const& e, int& state) {
  if ((e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) || e.key.repeat != 0 ||
      e.key.keysym.scancode != c.scancode)
    return false;
  state = e.type == SDL_KEYDOWN ? 2 : 8;
  return true;
}

bool match(Catch_mbutton const& c, SDL_Event const& e, int& state) {
  if ((e.type != SDL_MOUSEBUTTONDOWN && e.type != SDL_MOUSEBUTTONUP) || e.button.button != c.button)
    return false;
  state = e.type == SDL_MOUSEBUTTONDOWN ? 2 : 8;
  return true;
}

bool match(Catch_mwheel const& c, SDL_Event const& e, int& state) {
  if (e.type != SDL_MOUSEWHEEL || (e.wheel.preciseX != 0.0f) != c.horizontal) return false;
  state = e.wheel.preciseX + e.wheel.preciseY > 0.0f ? 2 : 8;
  return true;
}

bool match(Catch_gbutton const& c, SDL_Event const& e, int& state) {
  if ((e.type != SDL_CONTROLLERBUTTONDOWN && e.type != SDL_CONTROLLERBUTTONUP) ||
      e.cbutton.button != c.button)
    return false;
  state = e.type == SDL_CONTROLLERBUTTONDOWN ? 2 : 8;
  return true;
}

bool beyond(int value, int dir) { return dir > 0 ? value > 16000 : value < -16000; }

template <int Dir> bool match(Catch_gaxis<Dir> const& c, SDL_Event const& e, int& state) {
  if (e.type != SDL_CONTROLLERAXISMOTION || e.caxis.axis != c.axis) return false;
  state = beyond(e.caxis.value, Dir) ? 2 : 8;
  return true;
}

bool match(Catch_jbutton const& c, SDL_Event const& e, int& state) {
  if ((e.type != SDL_JOYBUTTONDOWN && e.type != SDL_JOYBUTTONUP) || e.jbutton.button != c.button)
    return false;
  state = e.type == SDL_JOYBUTTONDOWN ? 2 : 8;
  return true;
}

template <int Dir> bool match(Catch_jaxis<Dir> const& c, SDL_Event const& e, int& state) {
  if (e.type != SDL_JOYAXISMOTION || e.jaxis.axis != c.axis) return false;
  state = beyond(e.jaxis.value, Dir) ? 2 : 8;
  return true;
}

template <int Bit> bool match(Catch_jhat<Bit> const& c, SDL_Event const& e, int& state) {
  if (e.type != SDL_JOYHATMOTION || e.jhat.hat != c.hat) return false;
  state = e.jhat.value == Bit ? 2 : 8;
  return true;
}

bool match(Catch_quit const&, SDL_Event const& e, int& state) {
  if (e.type != SDL_QUIT) return false;
  state = 2;
  return true;
}

// ---- text form -----------------------------------------------------------------

bool parse_int(std::string const& text, std::int32_t& out) {
  char const* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end;
}

} // namespace

std::vector<Event_catcher> default_bindings() {
  return {
      Catch_key{SDL_SCANCODE_A},      Catch_key{SDL_SCANCODE_D},      Catch_key{SDL_SCANCODE_W},
      Catch_key{SDL_SCANCODE_S},      Catch_key{SDL_SCANCODE_LCTRL},  Catch_key{SDL_SCANCODE_LSHIFT},
      Catch_key{SDL_SCANCODE_SPACE},  Catch_key{SDL_SCANCODE_E},      Catch_key{SDL_SCANCODE_TAB},
      Catch_mbutton{3},               Catch_mbutton{1},               Catch_mbutton{2},
      Catch_key{SDL_SCANCODE_ESCAPE}, Catch_key{SDL_SCANCODE_PERIOD}, Catch_key{SDL_SCANCODE_1},
      Catch_key{SDL_SCANCODE_2},      Catch_key{SDL_SCANCODE_3},      Catch_key{SDL_SCANCODE_4},
      Catch_key{SDL_SCANCODE_5},      Catch_key{SDL_SCANCODE_6},      Catch_key{SDL_SCANCODE_7},
      Catch_key{SDL_SCANCODE_8},      Catch_key{SDL_SCANCODE_9},      Catch_key{SDL_SCANCODE_0},
      Catch_mwheel{false},            Catch_quit{},
  };
}

bool catch_event(Event_catcher const& c, SDL_Event const& e, int& state) {
  return std::visit([&](auto const& alt) { return match(alt, e, state); }, c);
}

Event_catcher make_event_catcher(SDL_Event const& e) {
  switch (e.type) {
  case SDL_KEYUP:
    // Scancode 0 is "no key" and could never be written back.
    if (e.key.keysym.scancode == SDL_SCANCODE_UNKNOWN) break;
    return Catch_key{e.key.keysym.scancode};
  case SDL_MOUSEBUTTONUP: return Catch_mbutton{e.button.button};
  case SDL_MOUSEWHEEL: return Catch_mwheel{e.wheel.preciseX != 0.0f};
  case SDL_CONTROLLERBUTTONUP: return Catch_gbutton{e.cbutton.button};
  case SDL_CONTROLLERAXISMOTION:
    if (e.caxis.value == 32767) return Catch_gaxis<1>{e.caxis.axis};
    if (e.caxis.value == -32768) return Catch_gaxis<-1>{e.caxis.axis};
    break;
  case SDL_JOYBUTTONUP: return Catch_jbutton{e.jbutton.button};
  case SDL_JOYAXISMOTION:
    if (e.jaxis.value == 32767) return Catch_jaxis<1>{e.jaxis.axis};
    if (e.jaxis.value == -32768) return Catch_jaxis<-1>{e.jaxis.axis};
    break;
  case SDL_JOYHATMOTION:
    switch (e.jhat.value) {
    case 1: return Catch_jhat<1>{e.jhat.hat};
    case 2: return Catch_jhat<2>{e.jhat.hat};
    case 4: return Catch_jhat<4>{e.jhat.hat};
    case 8: return Catch_jhat<8>{e.jhat.hat};
    }
    break;
  }
  return Catch_none{};
}

char const* to_string(Event_catcher const& c) {
  return std::visit(
      Overload{
          [](Catch_none const&) -> char const* { throw std::bad_cast(); },
          [](Catch_quit const&) -> char const* { throw std::bad_cast(); },
          [](Catch_key const& k) {
            char const* name = key_name(k.scancode);
            return name ? name : made_name("Key ", k.scancode);
          },
          [](Catch_mbutton const& b) {
            return b.button >= 1 && b.button <= 3 ? mouse_button_name[b.button]
                                                  : made_name("Mouse Button ", b.button);
          },
          [](Catch_mwheel const& w) { return mouse_wheel_name[w.horizontal ? 1 : 0]; },
          [](Catch_gbutton const& b) {
            char const* name = gbutton_name(b.button);
            return name ? name : made_name("Gamepad Button ", b.button);
          },
          []<int D>(Catch_gaxis<D> const& a) {
            char const* name = gaxis_name(a.axis);
            return name ? name : made_name("Gamepad Axis ", a.axis);
          },
          [](Catch_jbutton const& b) { return table_name(joy_button_name, "Joystick Button ", b.button); },
          []<int D>(Catch_jaxis<D> const& a) { return table_name(joy_axis_name, "Joystick Axis ", a.axis); },
          [](Catch_jhat<1> const& h) { return table_name(joy_hat_u_name, "Joystick Hat Up ", h.hat); },
          [](Catch_jhat<2> const& h) { return table_name(joy_hat_r_name, "Joystick Hat Right ", h.hat); },
          [](Catch_jhat<4> const& h) { return table_name(joy_hat_d_name, "Joystick Hat Down ", h.hat); },
          [](Catch_jhat<8> const& h) { return table_name(joy_hat_l_name, "Joystick Hat Left ", h.hat); },
      },
      c);
}

std::ostream& operator<<(std::ostream& os, Event_catcher const& c) {
  // Like streaming a null text: the prefix is out, then the stream goes bad.
  auto named = [&os](char const* prefix, char const* name) {
    os << prefix;
    if (name) os << name << ')';
    else os.setstate(std::ios_base::badbit);
  };
  std::visit(Overload{
                 [](Catch_none const&) { throw std::bad_cast(); },
                 [](Catch_quit const&) { throw std::bad_cast(); },
                 [&](Catch_key const& k) { named("key(", key_name(k.scancode)); },
                 [&](Catch_mbutton const& b) { os << "mbutton(" << b.button << ')'; },
                 [&](Catch_mwheel const& w) { os << "mwheel(" << (w.horizontal ? 1 : 0) << ')'; },
                 [&](Catch_gbutton const& b) { named("gbutton(", gbutton_name(b.button)); },
                 [&](Catch_gaxis<1> const& a) { named("gaxis+(", gaxis_name(a.axis)); },
                 [&](Catch_gaxis<-1> const& a) { named("gaxis-(", gaxis_name(a.axis)); },
                 [&](Catch_jbutton const& b) { os << "jbutton(" << b.button << ')'; },
                 [&](Catch_jaxis<1> const& a) { os << "jaxis+(" << a.axis << ')'; },
                 [&](Catch_jaxis<-1> const& a) { os << "jaxis-(" << a.axis << ')'; },
                 [&](Catch_jhat<1> const& h) { os << "jhat_u(" << h.hat << ')'; },
                 [&](Catch_jhat<2> const& h) { os << "jhat_r(" << h.hat << ')'; },
                 [&](Catch_jhat<4> const& h) { os << "jhat_d(" << h.hat << ')'; },
                 [&](Catch_jhat<8> const& h) { os << "jhat_l(" << h.hat << ')'; },
             },
             c);
  return os;
}

std::istream& operator>>(std::istream& is, Event_catcher& c) {
  is >> std::ws;
  if (is.fail() || is.bad()) return is;
  std::string name, arg;
  if (!std::getline(is, name, '(')) return is;
  if (!std::getline(is, arg, ')')) return is;

  std::int32_t n = 0;
  bool number = parse_int(arg, n);
  Event_catcher out;
  if (name == "key") {
    SDL_Scancode sc = SDL_GetScancodeFromName(arg.c_str());
    if (sc == SDL_SCANCODE_UNKNOWN) goto fail;
    out = Catch_key{sc};
  } else if (name == "gbutton") {
    SDL_GameControllerButton b = SDL_GameControllerGetButtonFromString(arg.c_str());
    if (b == SDL_CONTROLLER_BUTTON_INVALID) goto fail;
    out = Catch_gbutton{b};
  } else if (name == "gaxis+" || name == "gaxis-") {
    SDL_GameControllerAxis a = SDL_GameControllerGetAxisFromString(arg.c_str());
    if (a == SDL_CONTROLLER_AXIS_INVALID) goto fail;
    if (name == "gaxis+") out = Catch_gaxis<1>{a};
    else out = Catch_gaxis<-1>{a};
  } else if (!number) {
    goto fail;
  } else if (name == "mbutton") {
    out = Catch_mbutton{n};
  } else if (name == "mwheel") {
    out = Catch_mwheel{n != 0};
  } else if (name == "jbutton") {
    out = Catch_jbutton{n};
  } else if (name == "jaxis+") {
    out = Catch_jaxis<1>{n};
  } else if (name == "jaxis-") {
    out = Catch_jaxis<-1>{n};
  } else if (name == "jhat_u") {
    out = Catch_jhat<1>{n};
  } else if (name == "jhat_r") {
    out = Catch_jhat<2>{n};
  } else if (name == "jhat_d") {
    out = Catch_jhat<4>{n};
  } else if (name == "jhat_l") {
    out = Catch_jhat<8>{n};
  } else {
    goto fail;
  }
  c = out;
  return is;
fail:
  is.setstate(std::ios_base::failbit);
  return is;
}

Input::Input(std::vector<Event_catcher>& bindings_)
    : bindings(bindings_), states(bindings_.size(), up), last_press(bindings_.size(), 0) {}

bool Input::handle_event(SDL_Event const& e) {
  if (e.type == SDL_MOUSEMOTION) motion += glm::ivec2(e.motion.xrel, e.motion.yrel);
  if (capture >= 0 && static_cast<std::size_t>(capture) >= bindings.size()) capture = -1;
  if (capture >= 0) {
    Event_catcher c = make_event_catcher(e);
    if (std::holds_alternative<Catch_none>(c)) return false;
    bindings[static_cast<std::size_t>(capture)] = c;
    capture = -1;
    return true;
  }
  bool any = false;
  for (std::size_t i = 0; i < bindings.size(); ++i) {
    int state = 0;
    if (!catch_event(bindings[i], e, state)) continue;
    any = true;
    states[i] = static_cast<std::uint32_t>(state);
    if (state == pressed) {
      std::uint64_t now = ticks();
      if (now - last_press[i] < 300) states[i] |= double_press;
      last_press[i] = now;
    }
  }
  return any;
}

void Input::update() {
  for (auto& s : states) s = (s & (pressed | held)) ? held : up;
  motion = glm::ivec2(0);
}
