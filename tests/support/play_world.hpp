#pragma once
// Shared by the player, editing and interaction tests: a few pages of cells
// around the origin built by hand, cell types by collision, action states
// as Input holds them, and the player's body placed on a floor.
#include "content/cell_db.hpp"
#include "foundation/event.hpp"
#include "world/body.hpp"
#include "world/mob.hpp"
#include "world/script_values.hpp"
#include "world/wmap.hpp"

#include <kestrine/kestrine.hpp>

#include <glm/vec3.hpp>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace play_test {

inline Cell_id cell_kind(std::string const& name, Cell_collision collision) {
  Cell_type& t = cell_db()[name];
  t.collision = collision;
  return t.id;
}

// One type per collision the controller tells apart; air is the pack's
// empty cell, which every new page is full of.
struct Cells {
  Cell_id air = cell_kind("basic.none", Cell_collision::empty);
  Cell_id stone = cell_kind("play.stone", Cell_collision::solid);
  Cell_id ladder = cell_kind("play.ladder", Cell_collision::climb);
  Cell_id mud = cell_kind("play.mud", Cell_collision::slow);
  Cell_id water = cell_kind("play.water", Cell_collision::buoy);
  Cell_id grass = cell_kind("play.grass", Cell_collision::raycast);
};
inline Cells const& cells() {
  static Cells const c;
  return c;
}

// Pages -1..1 on every axis, all air; anything further is not loaded.
struct Small_world {
  Wmap wmap{glm::ivec3(4)};
  std::vector<std::unique_ptr<Mob>> mobs;

  Small_world() {
    cells();
    for (int x = -1; x <= 1; ++x)
      for (int y = -1; y <= 1; ++y)
        for (int z = -1; z <= 1; ++z) wmap.insert({x, y, z});
  }

  void set(glm::ivec3 c, Cell_id id) { wmap.insert(page_of(c)).cells.set(cell_index(c.x, c.y, c.z), id); }
  // Every cell of the box [lo, hi], both ends included.
  void fill(glm::ivec3 lo, glm::ivec3 hi, Cell_id id) {
    for (int x = lo.x; x <= hi.x; ++x)
      for (int y = lo.y; y <= hi.y; ++y)
        for (int z = lo.z; z <= hi.z; ++z) set({x, y, z}, id);
  }
  // A floor of stone whose top is at level 0, over x and z from -8 to 8.
  Small_world& floor() {
    fill({-8, -1, -8}, {8, -1, 8}, cells().stone);
    return *this;
  }

  // A mob of the given half extents centred at p, listed in its page.
  Mob& add_mob(glm::vec3 p, glm::vec2 size = {0.3f, 0.9f}) {
    mobs.push_back(std::make_unique<Mob>());
    Mob& m = *mobs.back();
    m.body.position = p;
    m.body.size = size;
    m.body.update_box();
    wmap.insert(page_of(floor_cell(p))).mobs.push_back(&m);
    return m;
  }
};

// Action states, every action up until changed.
struct Keys {
  std::array<std::uint32_t, action_count> states;

  Keys() { states.fill(Input::up); }
  Keys& set(std::initializer_list<Action> actions, std::uint32_t state) {
    for (Action a : actions) states[a] = state;
    return *this;
  }
  Keys& hold(std::initializer_list<Action> actions) { return set(actions, Input::held); }
  Keys& press(std::initializer_list<Action> actions) { return set(actions, Input::pressed); }
  operator std::span<std::uint32_t const>() const { return states; }
};

inline constexpr glm::vec2 player_size{0.3f, 0.9f};

// The player's body with its feet just above `feet` (as physics leaves a
// body standing there) and the ground contact set.
inline Body standing_at(glm::vec3 feet) {
  Body b;
  b.size = player_size;
  b.position = feet + glm::vec3(0.0f, player_size.y + 0.001f, 0.0f);
  b.contacts[Body::ny] = true;
  b.flags = Body::solid;
  b.update_box();
  return b;
}

// What the test scripts were last called with: "seen2" and "seen3" keep
// their arguments and answer the Int 1.
struct Seen {
  int calls = 0;
  std::vector<kestrine::Val> args;
};
inline Seen& seen() {
  static Seen s;
  return s;
}

inline kestrine::Scope& play_scope() {
  static kestrine::Scope scope = [] {
    using kestrine::Val;
    kestrine::Scope s;
    s.add("seen2", Val(kestrine::Fun([](Val a, Val b) {
            seen() = {seen().calls + 1, {a, b}};
            return kestrine::Int{1};
          })));
    s.add("seen3", Val(kestrine::Fun([](Val a, Val b, Val c) {
            seen() = {seen().calls + 1, {a, b, c}};
            return kestrine::Int{1};
          })));
    return s;
  }();
  return scope;
}

inline std::unique_ptr<kestrine::Standalone> script(char const* text) {
  return std::make_unique<kestrine::Standalone>(play_scope(), text);
}

} // namespace play_test
