#pragma once
// A small world for the game's script functions, without a window: one
// loaded page of air around the origin with the player in it, the pieces of
// the game the functions reach, and effects that apply edits straight to the
// page (as the pipeline's edits change a page at once) and log every edit and
// sound.
#include "game/fun_env.hpp"
#include "game/fun_table.hpp"
#include "game/script.hpp"
#include "support/hand_world.hpp"
#include "support/script_session.hpp"
#include "world/script_values.hpp"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fun_world {

inline std::string text(glm::ivec3 p) {
  return "[" + std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z) + "]";
}

struct Recorder : Fun_effects {
  Scene& scene;
  std::string log; // "; " between events

  explicit Recorder(Scene& s) : scene(s) {}
  void add(std::string const& event) { log += (log.empty() ? "" : "; ") + event; }
  void change_cell(glm::ivec3 const& p, Cell_id id) override {
    scene.wmap.find(page_of(p))->cells.set(cell_index(p.x, p.y, p.z), id);
    add("cell " + text(p) + " " + cell_db()[id].name);
  }
  void change_face(glm::ivec3 const& p, int face, Cell_id id) override {
    scene.wmap.find(page_of(p))->paints[static_cast<std::int16_t>(face * 4096 + cell_index(p.x, p.y, p.z))] = id;
    add("face " + text(p) + " " + std::to_string(face) + " " + cell_db()[id].name);
  }
  void place_sound(Cell_id id) override { add("place sound of " + cell_db()[id].name); }
  void play(std::string const& name) override { add("play " + name); }
  void play(std::string const& name, glm::ivec3 const& p) override { add("play " + name + " at " + text(p)); }
  void play(std::string const& name, Mob const& m) override { add("play " + name + " on " + mob_db()[m.type].name); }
};

// Cell types of each kind the functions tell apart; "fun.chest" has 4 slots.
inline Cell_id cell(std::string const& name) {
  static bool const made = [] {
    auto type = [](char const* n, Cell_collision k, Cell_opacity o, int capacity = 0) {
      Cell_type& t = cell_db()[n];
      std::tie(t.collision, t.opacity, t.capacity) = std::tuple(k, o, std::uint8_t(capacity));
    };
    using enum Cell_collision;
    using enum Cell_opacity;
    type("fun.air", empty, clear), type("fun.stone", solid, opaque), type("fun.glass", raycast, semiclear);
    type("fun.ladder", climb, semiopaque), type("fun.water", buoy, semiclear), type("fun.chest", solid, opaque, 4);
    return true;
  }();
  return made ? cell_db()[name].id : 0;
}

struct World : hand_world::World {
  Action_bar bar{config};
  Raycast_result cursor;
  glm::vec3 view{0.0f, 0.0f, -1.0f};
  Mode mode = mode_roaming;
  Inventory_kind kind = kind_hand_recipes;
  Recorder* effects = nullptr;
  Script script{[this](Script& s) {
    auto r = std::make_unique<Recorder>(scene);
    effects = r.get();
    bind_game_functions(std::make_shared<Fun_env const>(Fun_env{scene, bar, cursor, view, mode, kind, std::move(r)}),
                        s);
  }};
  Script_session console{script.scope, {}};

  World() {
    load({0, 0, 0}, cell("fun.air")).stage = 7;
    scene.player = scene.mobs.construct(mob_db()["fun.player"].id, {8.5f, 8.5f, 8.5f});
    scene.player->body.size = {0.3f, 0.9f};
  }
  // A container cell; its slots start empty.
  Inventory& chest(glm::ivec3 p) {
    set(p, cell("fun.chest"));
    return wmap.find(page_of(p))->data[static_cast<std::int16_t>(cell_index(p.x, p.y, p.z))].inventory = Inventory(4);
  }
  // The edits and sounds since the last call.
  std::string happened() { return std::exchange(effects->log, ""); }
  // Console text run with these arguments (@0, @1, ...): the printed result,
  // or "error: " and the message.
  std::string run(std::string const& code, std::vector<kestrine::Val> args = {}) {
    console.args = std::move(args);
    return console(code);
  }
};

} // namespace fun_world
