#include "game/interact.hpp"

bool is_interactive(Scene&, Raycast_result const&) { return false; }

void Interact::operator()() {}
void Interact::cell_() {}
void Interact::mob_() {}

void Callback::operator()() {}
void Callback::cell_() {}
void Callback::mob_() {}

void interact(Context& context, Raycast_result const& result) { Interact{context, result}(); }
void callback(Context& context, Raycast_result const& result) { Callback{context, result}(); }
