#pragma once
// Shared by the player, editing and interaction tests: a few pages of cells
// built by hand, cell types by collision, action states as Input holds them,
// and scripts that record what they were called with.
#include "content/cell_db.hpp"
#include "foundation/event.hpp"
#include "world/mob.hpp"
#include "world/script_values.hpp"
#include "world/wmap.hpp"

#include <kestrine/kestrine.hpp>

#include <array>
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

// Air is the pack's empty cell, which every new page is full of.
struct Cells {
  Cell_id air = cell_kind("basic.none", Cell_collision::empty);
  Cell_id stone = cell_kind("play.stone", Cell_collision::solid);
  Cell_id ladder = cell_kind("play.ladder", Cell_collision::climb);
  Cell_id water = cell_kind("play.water", Cell_collision::buoy);
  Cell_id grass = cell_kind("play.grass", Cell_collision::raycast); // made last
};
inline Cells const& cells() {
  static Cells const c;
  return c;
}

using Cell_list = std::vector<std::pair<glm::ivec3, Cell_id>>;

// Pages -1..1 on every axis, all air, over a stone floor whose top is at
// level 0 for x and z from -8 to 8; anything further is not loaded.
struct Small_world {
  Wmap wmap{glm::ivec3(4)};
  std::vector<std::unique_ptr<Mob>> mobs;

  explicit Small_world(Cell_list const& put = {}, bool floor = true) {
    cells();
    for (int x = -1; x <= 1; ++x)
      for (int y = -1; y <= 1; ++y)
        for (int z = -1; z <= 1; ++z) wmap.insert({x, y, z});
    if (floor)
      for (int x = -8; x <= 8; ++x)
        for (int z = -8; z <= 8; ++z) set({x, -1, z}, cells().stone);
    for (auto [c, id] : put) set(c, id);
  }

  void set(glm::ivec3 c, Cell_id id) { wmap.insert(page_of(c)).cells.set(cell_index(c.x, c.y, c.z), id); }

  // A mob of the given half extents centred at p, listed in its page.
  Mob& add_mob(glm::vec3 p, glm::vec2 size = {0.3f, 0.9f}) {
    Mob& m = *mobs.emplace_back(std::make_unique<Mob>());
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
  operator std::span<std::uint32_t const>() const { return states; }
};

// The player's body with its feet just above `feet`, as physics leaves a
// body standing there, touching the ground.
inline Body standing_at(glm::vec3 feet) {
  Body b;
  b.size = {0.3f, 0.9f};
  b.position = feet + glm::vec3(0.0f, 0.901f, 0.0f);
  b.contacts[Body::ny] = true;
  b.update_box();
  return b;
}

// "seen2" and "seen3" keep their arguments here and answer the Int 1.
struct Seen {
  int calls = 0;
  std::vector<kestrine::Val> args;
};
inline Seen& seen() {
  static Seen s;
  return s;
}

inline std::unique_ptr<kestrine::Standalone> script(char const* text) {
  using kestrine::Val;
  static kestrine::Scope scope = [] {
    auto keep = [](std::vector<Val> args) {
      seen() = {seen().calls + 1, std::move(args)};
      return kestrine::Int{1};
    };
    kestrine::Scope s;
    s.add("seen2", Val(kestrine::Fun([keep](Val a, Val b) { return keep({a, b}); })));
    s.add("seen3", Val(kestrine::Fun([keep](Val a, Val b, Val c) { return keep({a, b, c}); })));
    return s;
  }();
  return std::make_unique<kestrine::Standalone>(scope, text);
}

} // namespace play_test
