#pragma once
// The mouse look over the game's frames, without a window: events pass
// through SDL's queue into the game's Input, the mode keys and the console's
// exit switch windows, and the game's frame dropper decides which frames are
// drawn. A frame runs in the game's order: events; update (the mode keys,
// and in roaming the look); render, where a drawn window releases the mouse
// and a main menu row chosen with the pointer acts.
#include "foundation/event.hpp"
#include "game/frame_drop.hpp"
#include "game/modes.hpp"
#include "game/player.hpp"
#include "support/key_events.hpp"
#include "world/body.hpp"

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

struct Look_frames {
  static constexpr glm::ivec2 window{800, 600};

  std::vector<Event_catcher> bindings = default_bindings();
  Input input{bindings};
  Frame_dropper dropper;
  Console_exit console_exit;
  Mode mode = mode_roaming;
  bool released = true; // as a new game starts
  Body body;
  std::uint64_t now = 0, frame_ms = 33;
  std::optional<Mode> chosen; // a main menu row clicked, acting in the next drawn frame
  bool closed_drawn = false;  // whether the last frame that went back to roaming was drawn

  Look_frames() {
    SDL_InitSubSystem(SDL_INIT_EVENTS);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  ~Look_frames() { SDL_QuitSubSystem(SDL_INIT_EVENTS); }
  Look_frames(Look_frames const&) = delete;
  Look_frames& operator=(Look_frames const&) = delete;

  void frame() {
    now += frame_ms;
    Mode const before = mode;
    for (SDL_Event e; SDL_PollEvent(&e);) input.handle_event(e);
    Mode const asked = mode_keys(mode, input.states).mode;
    // The console's GUI has had every event, so it closes at once.
    mode = mode == mode_console ? console_exit.next(asked, 0, 0) : asked;
    if (before == mode_roaming) {
      turn_body(body, input.motion, window, released);
      released = false;
    }
    input.update();
    bool const drawn = dropper.draw(now);
    if (drawn && mode != mode_roaming) {
      if (chosen && mode == mode_main_menu) mode = *chosen;
      released = true;
    }
    if (drawn) chosen.reset();
    if (before != mode_roaming && mode == mode_roaming) closed_drawn = drawn;
  }
  void frames(int n) {
    for (int i = 0; i < n; ++i) frame();
  }
  bool next_drawn() const {
    Frame_dropper d = dropper;
    return d.draw(now + frame_ms);
  }

  // Pointer motion as SDL reports it, taken by the next frame.
  static void move(glm::ivec2 by) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.xrel = by.x;
    e.motion.yrel = by.y;
    SDL_PushEvent(&e);
  }
  // Key names ("Tab", "."), each pressed in one frame and released in the
  // next, or "@resume" and "@settings": that main menu row clicked.
  void act(std::string const& words) {
    std::istringstream in(words);
    for (std::string w; in >> w;) {
      if (w[0] == '@') {
        for (chosen = w == "@resume" ? mode_roaming : mode_settings; chosen;) frame();
        continue;
      }
      for (SDL_Event e : key_events("+" + w + " -" + w)) {
        SDL_PushEvent(&e);
        frame();
      }
    }
  }
};
