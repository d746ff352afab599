#include "game/functions.hpp"

#include "game/script.hpp"

void register_game_functions(Context&, Script&) {
  // The functions land here in their table order: print, clear, say, rand,
  // size, push, pop, here, cubr, cupl, cell, light, face, place, spawn,
  // paint, replace, browse, craft, cross, mob_state, mob_frame, mob_wait,
  // give, take, has, play.
}
