#pragma once
// A small world for the game's script functions, without a window: a scene
// over an empty map holding only the pages a test loads, the pieces of the
// game the functions reach, and effects that apply edits straight to the
// pages (as the pipeline's edits change a page at once) and record every
// edit and sound as a line of text.
#include "game/fun_env.hpp"
#include "game/fun_table.hpp"
#include "game/script.hpp"
#include "support/hand_world.hpp"
#include "support/script_session.hpp"
#include "world/script_values.hpp"

#include <glm/vec3.hpp>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fun_world {

inline std::string text(glm::ivec3 const& p) {
  std::ostringstream o;
  o << '[' << p.x << ',' << p.y << ',' << p.z << ']';
  return o.str();
}

struct Recorder : Fun_effects {
  Scene& scene;
  std::vector<std::string> events;

  explicit Recorder(Scene& s) : scene(s) {}

  void change_cell(glm::ivec3 const& p, Cell_id id) override {
    scene.wmap.find(page_of(p))->cells.set(cell_index(p.x, p.y, p.z), id);
    events.push_back("cell " + text(p) + " " + cell_db()[id].name);
  }
  void change_face(glm::ivec3 const& p, int face, Cell_id id) override {
    auto key = static_cast<std::int16_t>(face * 4096 + cell_index(p.x, p.y, p.z));
    scene.wmap.find(page_of(p))->paints[key] = id;
    events.push_back("face " + text(p) + " " + std::to_string(face) + " " + cell_db()[id].name);
  }
  void place_sound(Cell_id id) override { events.push_back("place sound of " + cell_db()[id].name); }
  void play(std::string const& name) override { events.push_back("play " + name); }
  void play(std::string const& name, glm::ivec3 const& p) override {
    events.push_back("play " + name + " at " + text(p));
  }
  void play(std::string const& name, Mob const& mob) override {
    events.push_back("play " + name + " on " + mob_db()[mob.type].name);
  }
};

// Cell types of every kind the functions tell apart.
struct Cells {
  Cell_id air, stone, glass, ladder, water, chest;
};

inline Cells const& cells() {
  static Cells const c = [] {
    auto type = [](char const* name, Cell_collision k, Cell_opacity o, int capacity = 0) {
      Cell_type& t = cell_db()[name];
      t.collision = k;
      t.opacity = o;
      t.capacity = static_cast<std::uint8_t>(capacity);
      return t.id;
    };
    using enum Cell_collision;
    using enum Cell_opacity;
    return Cells{type("fun.air", empty, clear),        type("fun.stone", solid, opaque),
                 type("fun.glass", raycast, semiclear), type("fun.ladder", climb, semiopaque),
                 type("fun.water", buoy, semiclear),    type("fun.chest", solid, opaque, 4)};
  }();
  return c;
}

struct World : hand_world::World {
  Action_bar bar{config};
  Raycast_result cursor;
  glm::vec3 view{0.0f, 0.0f, -1.0f};
  Mode mode = mode_roaming;
  Inventory_kind kind = kind_hand_recipes;
  Recorder* effects = nullptr;
  Script script;
  Script_session console{script.scope, {}};

  // The page around the origin, all air; the player in its middle.
  World()
      : script([this](Script& s) {
          auto recorder = std::make_unique<Recorder>(scene);
          effects = recorder.get();
          bind_game_functions(std::make_shared<Fun_env const>(
                                  Fun_env{scene, bar, cursor, view, mode, kind, std::move(recorder)}),
                              s);
        }) {
    load({0, 0, 0}, cells().air);
    Mob_type& type = mob_db()["fun.player"];
    type.size = {0.3f, 0.9f};
    scene.player = scene.mobs.construct(type.id, {8.5f, 8.5f, 8.5f});
  }

  // A container cell with its (empty) slots.
  Inventory& chest(glm::ivec3 p) {
    set(p, cells().chest);
    auto& data = wmap.find(page_of(p))->data[static_cast<std::int16_t>(cell_index(p.x, p.y, p.z))];
    data.inventory = Inventory(4);
    return data.inventory;
  }

  // Runs console text with these arguments (@0, @1, ...); the printed result
  // or "error: " and the message.
  std::string run(std::string const& code, std::vector<kestrine::Val> args = {}) {
    console.args = std::move(args);
    return console(code);
  }
};

} // namespace fun_world
