// The hand and the three editing actions over small hand-built worlds.
#include "game/edit.hpp"

#include "content/item_db.hpp"
#include "support/play_world.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace play_test;

namespace {

using Kind = Raycast_result::Kind;

struct Items {
  Item_id block = item_db()["play.block"].id; // use: records its arguments, says yes
  Item_id dud = item_db()["play.dud"].id;     // use: says no
  Item_id plain = item_db()["play.plain"].id; // no use script
  Items() {
    item_db()[block].use = script("return seen3(@0, @1, @2)");
    item_db()[dud].use = script("return 0");
  }
};
Items const& items() {
  static Items const i;
  return i;
}

// The cursor on the top face of the floor under the origin, or on a mob.
Raycast_result on_floor(Kind kind = Kind::cell) { return {kind, {0, -1, 0}, {0, 0, 0}, Face::u, {}}; }
Raycast_result on_mob(Mob const& m) { return {Kind::mob, {}, {}, Face::l, m.ref()}; }

} // namespace

TEST(Edit, HandByWheelAndNumberKeys) {
  // Frames: '1'..'4' press that key, '^' and 'v' turn the wheel, '.' nothing.
  struct Case { char const* name; std::size_t slots; std::int32_t from; char const* frames; std::int32_t to;
    bool last_changed; } const cases[] = {
      {"wheel up from slot 0", 16, 0, "^", 15, true},
      {"wheel down from the last", 16, 15, "v", 0, true},
      {"the held slot's key again", 16, 0, "1........1", 0, false},
      {"2 then 3 within 8 frames", 16, 0, "2.......3", 10, true},
      {"2, 8 quiet frames, 3", 16, 0, "2........3", 2, true},
      {"4 then any key", 16, 0, "41", 15, true},
      {"a third press starts over", 16, 0, "123", 2, true},
      {"past a small inventory", 9, 0, "34", 8, true},
      {"a shrunken inventory", 4, 10, ".", 3, true},
      {"no slots, no hand", 0, 0, "3^", 0, false},
  };
  for (auto const& c : cases) {
    Hand_choice h{c.from};
    bool changed = false;
    for (char const* f = c.frames; *f; ++f) {
      Keys k;
      if (*f >= '1' && *f <= '4') k.set({static_cast<Action>(action_num1 + (*f - '1'))}, Input::pressed);
      if (*f == '^' || *f == 'v') k.set({action_wheel}, *f == '^' ? Input::pressed : Input::released);
      changed = h.update(k, c.slots);
    }
    EXPECT_EQ(h.slot, c.to) << c.name;
    EXPECT_EQ(changed, c.last_changed) << c.name;
  }
}

TEST(Edit, PickIntoTheHand) {
  struct Case { char const* name; std::vector<Item> before; std::int32_t hand; Item_id item;
    std::vector<Item> after; std::int32_t hand_after; } const cases[] = {
      {"item 0", {{5, 1}, {0, 0}}, 1, 0, {{5, 1}, {0, 0}}, 1},
      {"onto the first stack, counts kept", {{7, 2}, {0, 0}, {7, 1}}, 1, 7, {{7, 2}, {0, 0}, {7, 1}}, 0},
      {"into the empty hand", {{5, 1}, {0, 0}, {0, 0}}, 2, 9, {{5, 1}, {0, 0}, {9, 1}}, 2},
      {"into the first empty slot", {{5, 1}, {0, 0}, {6, 1}, {0, 0}}, 2, 9, {{5, 1}, {9, 1}, {6, 1}, {0, 0}}, 1},
      {"full: the held stack is lost", {{5, 4}, {6, 2}}, 1, 9, {{5, 4}, {9, 1}}, 1},
  };
  for (auto const& c : cases) {
    Inventory inv(c.before.size());
    std::copy(c.before.begin(), c.before.end(), inv.begin());
    std::int32_t hand = c.hand;
    EXPECT_EQ(shift_or_replace_hand(inv, hand, c.item), c.item != 0) << c.name;
    EXPECT_EQ(std::vector<Item>(inv.begin(), inv.end()), c.after) << c.name;
    EXPECT_EQ(hand, c.hand_after) << c.name;
  }
}

TEST(Edit, PaintThroughTheUseScriptUnlessAMobIsInTheWay) {
  enum Player_at { away, standing, floating };
  struct Case { char const* name; Item_id item; Player_at player; int others; std::int32_t delay; bool placed;
    std::int32_t delay_after; float player_vy; } const cases[] = {
      {"placed by the use script", items().block, away, 0, 0, true, 0, 0.0f},
      {"a use script that says no", items().dud, away, 0, 0, false, 0, 0.0f},
      {"no use script", items().plain, away, 0, 0, false, 0, 0.0f},
      {"an empty hand", 0, away, 0, 0, false, 0, 0.0f},
      {"the player standing there is pushed up", items().block, standing, 0, 0, false, 10, 0.35f},
      {"no second push while one runs", items().block, standing, 0, 4, false, 4, 0.0f},
      {"the player floating there", items().block, floating, 0, 0, false, 0, 0.0f},
      {"another mob there", items().block, away, 1, 0, false, 0, 0.0f},
      {"the player and another mob there", items().block, standing, 1, 0, false, 0, 0.0f},
  };
  for (auto const& c : cases) {
    Small_world w;
    Mob& player = w.add_mob(c.player == away ? glm::vec3(5.5f, 0.901f, 5.5f)
                                             : glm::vec3(0.5f, c.player == standing ? 0.901f : 0.95f, 0.5f));
    player.body.contacts[Body::ny] = c.player == standing;
    for (int i = 0; i < c.others; ++i) w.add_mob({0.4f, 0.5f, 0.6f}, {0.3f, 0.3f});
    std::int32_t delay = c.delay;
    int calls = seen().calls;
    EXPECT_EQ(paint(w.wmap, &player, on_floor(), c.item, delay), c.placed) << c.name;
    EXPECT_EQ(seen().calls - calls, c.item == items().block && c.placed ? 1 : 0) << c.name;
    EXPECT_EQ(delay, c.delay_after) << c.name;
    EXPECT_FLOAT_EQ(player.body.velocity.y, c.player_vy) << c.name;
  }
  ASSERT_EQ(seen().args.size(), 3u);
  EXPECT_EQ(std::tuple(seen().args[0].get<glm::ivec3>(), seen().args[1].get<glm::ivec3>(), seen().args[2].get<Face>()),
            std::tuple(glm::ivec3(0, -1, 0), glm::ivec3(0, 0, 0), Face::u));

  // Away from the hit face; nothing (and no delay) under a ceiling.
  for (auto [toward, push] : {std::pair{glm::ivec3(-1, 0, 0), glm::vec3(-0.26f, 0, 0)},
                              {glm::ivec3(0, 0, 1), glm::vec3(0, 0, 0.26f)}, {glm::ivec3(0, -1, 0), glm::vec3(0)}}) {
    Raycast_result r = on_floor();
    r.adjacent = r.cell + toward;
    Body b;
    std::int32_t delay = 0;
    jump_to_empty_space(b, r, delay);
    EXPECT_EQ(b.velocity, push);
    EXPECT_EQ(delay, push == glm::vec3(0) ? 0 : 10);
  }
}

TEST(Edit, EraseAndPickTargets) {
  Small_world w;
  cell_db()["play.stone"].drop = items().block;
  Mob& hopper = w.add_mob({3.5f, 1.0f, 3.5f});
  hopper.type = mob_db()["play.hopper"].id;
  mob_db()[hopper.type].drop = items().plain;
  Raycast_result far = on_floor();
  far.cell = {40, 0, 0};
  Raycast_result gone = on_mob(Mob());
  auto paint_face = [&](Face f) {
    w.wmap.find({0, -1, 0})->paints[static_cast<std::int16_t>(int(f) * 4096 + cell_index(0, -1, 0))] = cells().stone;
  };

  EXPECT_EQ(erase_target(w.wmap, on_floor()), Erase_target::cell);
  paint_face(Face::d);
  EXPECT_EQ(erase_target(w.wmap, on_floor()), Erase_target::cell) << "another face is painted";
  paint_face(Face::u);
  EXPECT_EQ(erase_target(w.wmap, on_floor()), Erase_target::face);
  EXPECT_EQ(erase_target(w.wmap, on_mob(hopper)), Erase_target::mob);
  EXPECT_EQ(erase_target(w.wmap, gone), Erase_target::nothing);
  for (auto [at, item] : {std::pair{on_floor(), items().block}, {far, 0}, {on_mob(hopper), items().plain}, {gone, 0},
                          {on_floor(Kind::nothing), 0}})
    EXPECT_EQ(pick_item(w.wmap, at), item) << at.cell.x; // a page not loaded is type 0
}
