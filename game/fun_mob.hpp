#pragma once
// The script functions on mobs, inventories and sounds: "mob_wait" (beside
// the fields "mob_state" and "mob_frame"), the overload sets "give", "take"
// and "has" on a mob's own inventory or a container cell's, and "play".
//
// A Mob argument whose mob is gone raises "mob no longer exists". A Vec
// names the container of the cell there; where there is none (no container,
// or the page is not loaded) give is false and take and has are 0, and no
// item type is registered.
#include "game/fun_env.hpp"
#include "world/item.hpp"
#include "world/mob.hpp"

#include <kestrine/kestrine.hpp>

#include <cstdint>
#include <string>

// The update script runs again n frames later (next frame for 0, never for
// a negative n).
void fun_mob_wait_(Mob_ref const& m, kestrine::Int n);

// A count argument as a stack count: its low 16 bits, signed.
std::int16_t stack_count(kestrine::Int n);

// The work of give, take and has on one inventory (null: none). Counts
// below 1 move nothing.
bool fun_give_impl_(Inventory* target, std::string const& name, kestrine::Int count);
kestrine::Int fun_take_impl_(Inventory* target, std::string const& name, kestrine::Int count);
kestrine::Int fun_has_impl_(Inventory const* target, std::string const& name);

// The overload sets, each as the script value that the scope binds:
// give/take (Mob, String[, Int]) and (Vec, String[, Int]), has (Mob, String)
// and (Vec, String), play (String, Mob), (String, Vec) and (String).
kestrine::Val fun_give_(Fun_env_ptr env);
kestrine::Val fun_take_(Fun_env_ptr env);
kestrine::Val fun_has_(Fun_env_ptr env);
kestrine::Val fun_play_(Fun_env_ptr env);
