// The hand and the three editing actions over small hand-built worlds.
#include "game/edit.hpp"

#include "content/item_db.hpp"
#include "support/play_world.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace play_test;

namespace {

using Kind = Raycast_result::Kind;

// One frame per character: '1' to '4' press that number key, '^' turns the
// wheel up, 'v' down, '.' is a frame without input.
Keys frame(char c) {
  Keys k;
  if (c >= '1' && c <= '4') k.press({static_cast<Action>(action_num1 + (c - '1'))});
  if (c == '^') k.set({action_wheel}, Input::pressed);
  if (c == 'v') k.set({action_wheel}, Input::released);
  return k;
}

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

// The cursor on the top face of the floor cell under the origin.
Raycast_result on_floor() {
  Raycast_result r;
  r.kind = Kind::cell;
  r.cell = {0, -1, 0};
  r.adjacent = {0, 0, 0};
  r.face = Face::u;
  return r;
}

} // namespace

TEST(Hand, WheelAndNumberKeys) {
  struct Case {
    char const* name;
    std::size_t slots;
    std::int32_t from;
    std::string frames;
    std::int32_t to;
    bool last_changed;
  } const cases[] = {
      {"wheel up from slot 0 wraps to the last", 16, 0, "^", 15, true},
      {"wheel down from the last wraps to 0", 16, 15, "v", 0, true},
      {"one press of 3", 16, 0, "3", 2, true},
      {"pressing the held slot's key again changes nothing", 16, 0, "1........1", 0, false},
      {"2 then 3 within 8 frames", 16, 0, "2.......3", 10, true},
      {"2, then 3 after 8 quiet frames", 16, 0, "2........3", 2, true},
      {"4 then any key is the last of sixteen", 16, 0, "41", 15, true},
      {"a third press starts over", 16, 0, "123", 2, true},
      {"the wheel between two presses", 16, 0, "2v1", 12, true},
      {"a second press past a small inventory", 9, 0, "34", 8, true},
      {"a first press past a tiny inventory", 2, 0, "4", 1, true},
      {"a shrunken inventory pulls the hand back", 4, 10, ".", 3, true},
      {"no slots, no hand", 0, 0, "3^", 0, false},
  };
  for (auto const& c : cases) {
    Hand_choice h;
    h.slot = c.from;
    bool changed = false;
    for (char f : c.frames) changed = h.update(frame(f), c.slots);
    EXPECT_EQ(h.slot, c.to) << c.name;
    EXPECT_EQ(changed, c.last_changed) << c.name;
  }
  // Two keys in one frame: the lower number counts.
  Hand_choice h;
  h.update(Keys().press({action_num3, action_num1}), 16);
  EXPECT_EQ(h.slot, 0);
}

TEST(Hand, PickIntoTheHand) {
  struct Case {
    char const* name;
    std::vector<Item> before;
    std::int32_t hand;
    Item_id item;
    bool done;
    std::vector<Item> after;
    std::int32_t hand_after;
  } const cases[] = {
      {"item 0 is nothing", {{5, 1}, {0, 0}}, 1, 0, false, {{5, 1}, {0, 0}}, 1},
      {"onto the stack already there, counts kept", {{5, 3}, {7, 1}, {0, 0}}, 2, 7, true, {{5, 3}, {7, 1}, {0, 0}}, 1},
      {"onto the first of two stacks", {{7, 2}, {0, 0}, {7, 1}}, 2, 7, true, {{7, 2}, {0, 0}, {7, 1}}, 0},
      {"into the empty held slot", {{5, 1}, {0, 0}, {0, 0}}, 2, 9, true, {{5, 1}, {0, 0}, {9, 1}}, 2},
      {"into the first empty slot", {{5, 1}, {0, 0}, {6, 1}, {0, 0}}, 2, 9, true, {{5, 1}, {9, 1}, {6, 1}, {0, 0}}, 1},
      {"a full inventory loses the held stack", {{5, 4}, {6, 2}}, 1, 9, true, {{5, 4}, {9, 1}}, 1},
      {"no slots", {}, 0, 9, false, {}, 0},
  };
  for (auto const& c : cases) {
    Inventory inv(c.before.size());
    for (std::size_t i = 0; i < c.before.size(); ++i) inv[i] = c.before[i];
    std::int32_t hand = c.hand;
    EXPECT_EQ(shift_or_replace_hand(inv, hand, c.item), c.done) << c.name;
    EXPECT_EQ(std::vector<Item>(inv.begin(), inv.end()), c.after) << c.name;
    EXPECT_EQ(hand, c.hand_after) << c.name;
  }
}

TEST(Paint, ThroughTheUseScriptUnlessAMobIsInTheWay) {
  enum Player_at { away, standing, floating };
  struct Case {
    char const* name;
    Kind kind;
    Item_id item;
    Player_at player;
    int others;
    std::int32_t delay;
    bool placed;
    int calls;
    std::int32_t delay_after;
    float player_vy;
  } const cases[] = {
      {"placed by the use script", Kind::cell, items().block, away, 0, 0, true, 1, 0, 0.0f},
      {"a use script that says no", Kind::cell, items().dud, away, 0, 0, false, 0, 0, 0.0f},
      {"an item without a use script", Kind::cell, items().plain, away, 0, 0, false, 0, 0, 0.0f},
      {"an empty hand", Kind::cell, 0, away, 0, 0, false, 0, 0, 0.0f},
      {"the cursor on nothing", Kind::nothing, items().block, away, 0, 0, false, 0, 0, 0.0f},
      {"the cursor on a mob", Kind::mob, items().block, away, 0, 0, false, 0, 0, 0.0f},
      {"the player standing there is pushed up", Kind::cell, items().block, standing, 0, 0, false, 0, 10, 0.35f},
      {"the player floating there is left alone", Kind::cell, items().block, floating, 0, 0, false, 0, 0, 0.0f},
      {"no second push while one runs", Kind::cell, items().block, standing, 0, 4, false, 0, 4, 0.0f},
      {"another mob there", Kind::cell, items().block, away, 1, 0, false, 0, 0, 0.0f},
      {"the player and another mob there", Kind::cell, items().block, standing, 1, 0, false, 0, 0, 0.0f},
  };
  for (auto const& c : cases) {
    Small_world w;
    w.floor();
    Mob& player = w.add_mob(c.player == away ? glm::vec3(5.5f, 0.901f, 5.5f)
                                             : glm::vec3(0.5f, c.player == standing ? 0.901f : 0.95f, 0.5f));
    player.body.contacts[Body::ny] = c.player == standing;
    for (int i = 0; i < c.others; ++i) w.add_mob({0.4f, 0.5f, 0.6f}, {0.3f, 0.3f});
    Raycast_result cursor = on_floor();
    cursor.kind = c.kind;
    std::int32_t delay = c.delay;
    int calls = seen().calls;
    EXPECT_EQ(paint(w.wmap, &player, cursor, c.item, delay), c.placed) << c.name;
    EXPECT_EQ(seen().calls - calls, c.calls) << c.name;
    EXPECT_EQ(delay, c.delay_after) << c.name;
    EXPECT_FLOAT_EQ(player.body.velocity.y, c.player_vy) << c.name;
  }
  // The script is handed the hit cell, the cell in front and the face.
  ASSERT_EQ(seen().args.size(), 3u);
  EXPECT_EQ(seen().args[0].get<glm::ivec3>(), glm::ivec3(0, -1, 0));
  EXPECT_EQ(seen().args[1].get<glm::ivec3>(), glm::ivec3(0, 0, 0));
  EXPECT_EQ(seen().args[2].get<Face>(), Face::u);
}

TEST(Paint, PushAwayFromTheHitFace) {
  struct Case {
    glm::ivec3 toward; // adjacent - hit cell
    glm::vec3 velocity;
    std::int32_t delay;
  } const cases[] = {
      {{0, 1, 0}, {0.0f, 0.35f, 0.0f}, 10},  {{1, 0, 0}, {0.26f, 0.0f, 0.0f}, 10},
      {{-1, 0, 0}, {-0.26f, 0.0f, 0.0f}, 10}, {{0, 0, 1}, {0.0f, 0.0f, 0.26f}, 10},
      {{0, 0, -1}, {0.0f, 0.0f, -0.26f}, 10}, {{0, -1, 0}, {0.0f, 0.0f, 0.0f}, 0},
  };
  for (auto const& c : cases) {
    Raycast_result r = on_floor();
    r.adjacent = r.cell + c.toward;
    Body b;
    std::int32_t delay = 0;
    jump_to_empty_space(b, r, delay);
    EXPECT_EQ(b.velocity, c.velocity) << c.toward.x << c.toward.y << c.toward.z;
    EXPECT_EQ(delay, c.delay) << c.toward.x << c.toward.y << c.toward.z;
  }
}

TEST(Erase, PaintBeforeCellMobsAndNothing) {
  Small_world w;
  w.floor();
  Raycast_result cell = on_floor();
  auto paint_face = [&](Face f) {
    w.wmap.find({0, -1, 0})->paints[static_cast<std::int16_t>(static_cast<int>(f) * 4096 + cell_index(0, -1, 0))] =
        cells().stone;
  };
  Raycast_result far = cell;
  far.cell = {40, 0, 0};
  Raycast_result mob;
  mob.kind = Kind::mob;
  mob.mob = w.add_mob({3.5f, 1.0f, 3.5f}).ref();
  Raycast_result gone = mob;
  gone.mob = Mob().ref();

  EXPECT_EQ(erase_target(w.wmap, cell), Erase_target::cell);
  paint_face(Face::d);
  EXPECT_EQ(erase_target(w.wmap, cell), Erase_target::cell) << "another face painted";
  paint_face(Face::u);
  EXPECT_EQ(erase_target(w.wmap, cell), Erase_target::face);
  EXPECT_EQ(erase_target(w.wmap, far), Erase_target::cell) << "page not loaded";
  EXPECT_EQ(erase_target(w.wmap, mob), Erase_target::mob);
  EXPECT_EQ(erase_target(w.wmap, gone), Erase_target::nothing);
  EXPECT_EQ(erase_target(w.wmap, Raycast_result{}), Erase_target::nothing);
}

TEST(Pick, TheDropOfWhatThePointerMeets) {
  Small_world w;
  w.floor();
  cell_db()["play.stone"].drop = items().block;
  Mob_type& hopper = mob_db()["play.hopper"];
  hopper.drop = items().plain;
  Mob& m = w.add_mob({3.5f, 1.0f, 3.5f});
  m.type = hopper.id;

  Raycast_result far = on_floor();
  far.cell = {40, 0, 0};
  Raycast_result mob;
  mob.kind = Kind::mob;
  mob.mob = m.ref();
  Raycast_result gone = mob;
  gone.mob = Mob().ref();

  EXPECT_EQ(pick_item(w.wmap, on_floor()), items().block);
  EXPECT_EQ(pick_item(w.wmap, far), 0) << "a cell of a page not loaded is type 0";
  EXPECT_EQ(pick_item(w.wmap, mob), items().plain);
  EXPECT_EQ(pick_item(w.wmap, gone), 0);
  EXPECT_EQ(pick_item(w.wmap, Raycast_result{}), 0);
}
