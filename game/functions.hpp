#pragma once
// The game's script functions: how pack scripts and the console reach the
// world, the player, inventories, sounds and the console itself.
struct Context;
class Script;

// Binds every game function in the script's scope, in the fixed order that
// gives each its global index. Runs while the script is being built, before
// the scene compiles any pack script; the context's later members are not
// built yet and may only be kept by reference.
void register_game_functions(Context& context, Script& script);
