#pragma once
// The bridge from the cursor to the pack scripts of cells and mobs: the
// interact action runs the pointed thing's "interact" script and answers
// with its use or fail sound; a changed container runs its "callback"; the
// crosshair asks whether the pointed thing is interactive.
#include "world/raycast.hpp"

struct Context;
struct Scene;

bool is_interactive(Scene& scene, Raycast_result const& result);

struct Interact {
  Context& context;
  Raycast_result const& result;

  void operator()();
  void cell_();
  void mob_();
};

struct Callback {
  Context& context;
  Raycast_result const& result;

  void operator()();
  void cell_();
  void mob_();
};

void interact(Context& context, Raycast_result const& result);
void callback(Context& context, Raycast_result const& result);
