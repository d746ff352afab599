#include "game/functions.hpp"

#include "game/context.hpp"
#include "game/fun_effects.hpp"
#include "game/fun_table.hpp"

#include <memory>

void register_game_functions(Context& context, Script& script) {
  // The context's members after the script are built later; the functions
  // keep them by reference only, and no script runs before the game stands.
  auto env = std::make_shared<Fun_env const>(Fun_env{context.scene, context.action_bar, context.cursor,
                                                     context.camera.direction, context.mode,
                                                     context.inventory_kind,
                                                     game_effects(context.builder, context.audio)});
  bind_game_functions(env, script);
}
