#pragma once
// The game's script functions in the scope, in their fixed order (each
// name's global index is its place in the table, from 0).
#include "game/fun_env.hpp"

#include <array>
#include <string_view>

class Script;

inline constexpr std::array<std::string_view, 27> game_function_names = {
    "print", "clear", "say",   "rand",    "size",   "push",  "pop",       "here",      "cubr",
    "cupl",  "cell",  "light", "face",    "place",  "spawn", "paint",     "replace",   "browse",
    "craft", "cross", "mob_state", "mob_frame", "mob_wait", "give", "take", "has",      "play"};

// Binds them all; the scope holds the only reference to each.
void bind_game_functions(Fun_env_ptr const& env, Script& script);
