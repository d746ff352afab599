#pragma once
// The open world: settings, world directory, flat map, cell pages, mobs, the
// player and the pipeline's profile counters.
#include "foundation/config.hpp"
#include "foundation/profiler.hpp"
#include "world/fmap.hpp"
#include "world/item.hpp"
#include "world/mob.hpp"
#include "world/unsaved.hpp"
#include "world/wmap.hpp"

#include <kestrine/kestrine.hpp>

#include <glm/vec3.hpp>

#include <filesystem>
#include <functional>

struct Scene {
  Config& config;
  std::filesystem::path dir;
  Wmap wmap;
  Fmap fmap;
  Mobs mobs;
  Mob* player = nullptr;
  // The stack the player holds on the pointer of the inventory screen, open
  // or not: saved with the player, so a stack in hand is never lost.
  Item held;

  Profiler regen;        // "Regen"
  Profiler light_init;   // "Light (init)"
  Profiler light_spread; // "Light (spread)"
  Profiler populate;     // "Populate"
  Profiler redraw_hd;    // "Redraw (HD)"
  Profiler redraw_ld;    // "Redraw (LD)"
  Profiler render;       // "Render"

  // Written by the frame renderer, read by the renderers.
  glm::vec3 fog_color{0.39f, 0.61f, 1.0f};
  float fog_depth = 0.0f;

  // What the saves at the end could not write: the builder's last save adds
  // its pages, the scene's own save the player. Handed to `on_closed` at the
  // end of the destructor, so the game can end as not saved.
  Unsaved unsaved;
  std::function<void(Unsaved const&)> on_closed;

  // The world file is unreadable and could not be moved aside: it stays
  // under its name and the player is not saved over it.
  bool world_file_damaged = false;

  Scene(Config& config, std::filesystem::path const& dir, kestrine::Scope& scope);
  // A scene over a map in memory: no packs loaded, no player, no world file
  // read or written (tests and benchmarks).
  Scene(Config& config, std::filesystem::path const& dir, Fmap fmap);
  ~Scene();
  Scene(Scene const&) = delete;
  Scene& operator=(Scene const&) = delete;

  // The player and the held stack from the world file, or the player placed
  // over the spawn page in a new world; a file from before the held stack
  // was saved holds none. An unreadable file is set aside and the player and
  // the held stack keep theirs.
  void load();
  // Writes the player and the held stack to the world file: [player, held].
  // False (and logged) when it could not, or must not. Both do nothing in a
  // scene without a player.
  bool save() const;
};
