#include "game/fun_table.hpp"

#include "game/fun_console.hpp"
#include "game/fun_mob.hpp"
#include "game/fun_world.hpp"
#include "game/script.hpp"
#include "world/script_values.hpp"

#include <string>
#include <type_traits>

void bind_game_functions(Fun_env_ptr const& env, Script& script) {
  using kestrine::Fun;
  using kestrine::Val;
  Val const values[] = {
      Val(fun_print_{&script.transcript}),
      Val(Fun(fun_clear_{&script})),
      Val(Fun(fun_say_{env})),
      Val(Fun(fun_rand_{&script.engine})),
      Val(Fun(fun_size_)),
      Val(Fun(fun_push_)),
      Val(Fun(fun_pop_)),
      Val(Fun(fun_here_{env})),
      Val(Fun(fun_cubr_{env})),
      Val(Fun(fun_cupl_{env})),
      Val(Fun(fun_cell_{env})),
      Val(Fun(fun_light_{env})),
      Val(Fun(fun_face_{env})),
      Val(fun_place_{env}),
      Val(Fun(fun_spawn_{env})),
      Val(fun_paint_{env}),
      Val(Fun(fun_replace_{env})),
      Val(Fun(fun_browse_{env})),
      Val(Fun(fun_craft_{env})),
      Val(Fun(fun_cross_{env})),
      Val(Mob_field(&Mob::state)),
      Val(Mob_field(&Mob::frame)),
      Val(Fun(fun_mob_wait_)),
      fun_give_(env),
      fun_take_(env),
      fun_has_(env),
      fun_play_(env),
  };
  static_assert(std::extent_v<decltype(values)> == game_function_names.size());
  for (std::size_t i = 0; i < game_function_names.size(); ++i)
    script.scope.add(std::string(game_function_names[i]), values[i]);
}
