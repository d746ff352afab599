#pragma once
// The game functions' effects as the game has them: cell and face edits
// through the page pipeline, sounds through the mixer, a placed cell's sound
// from its type's model.
#include "game/fun_env.hpp"

#include <memory>

class Builder;
struct Audio;

std::unique_ptr<Fun_effects> game_effects(Builder& builder, Audio& audio);
