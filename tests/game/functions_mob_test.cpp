// The functions on mobs, inventories and sounds.
#include "game/fun_mob.hpp"

#include "content/item_db.hpp"
#include "support/fun_world.hpp"

#include <gtest/gtest.h>

using fun_world::World;
using kestrine::Val;

namespace {

struct Hopper_world : World {
  Mob* hopper;
  glm::ivec3 const chest_at{2, 2, 2};
  Inventory* chest;

  Hopper_world() {
    Mob_type& t = mob_db()["fun.hopper"];
    t.items = 4;
    hopper = scene.mobs.construct(t.id, {3.5f, 3.5f, 3.5f});
    chest = &World::chest(chest_at);
    wmap.find({0, 0, 0})->clear(Wmap_page::dirty);
  }
  // @0 the hopper, @1 the chest, @2 a cell without a container, @3 an unloaded cell.
  std::string operator()(std::string const& code) {
    return run(code, {mob_value(*hopper), Val(chest_at), Val(glm::ivec3(2, 3, 2)), Val(glm::ivec3(2, 3, 99))});
  }
};

} // namespace

TEST(Mob_functions, StateAndFrameAreFieldsAndWaitSchedulesTheUpdate) {
  Hopper_world w;
  EXPECT_EQ(w("mob_state(@0, 7)"), "null");
  EXPECT_EQ(w("mob_frame(@0, -3)"), "null");
  EXPECT_EQ(std::tuple(w.hopper->state, w.hopper->frame), std::tuple(7, -3));
  EXPECT_EQ(w("mob_state(@0) * 10 + mob_frame(@0)"), "67");
  EXPECT_EQ(w("mob_wait(@0, 5)"), "null");
  EXPECT_EQ(w.hopper->wait, 5);
  EXPECT_EQ(w("mob_state(@1, 1)"), "error: bad cast");
  EXPECT_EQ(w.hopper->state, 7);
}

TEST(Mob_functions, GiveTakeAndHasCountStacksInMobsAndContainers) {
  struct Case {
    char const* code;
    char const* result;
  };
  // One session each, in order: the counts carry over.
  std::vector<Case> const mob = {
      {"give(@0, \"fun.apple\")", "true"},
      {"has(@0, \"fun.apple\")", "1"},
      {"give(@0, \"fun.apple\", 65537)", "true"}, // the low 16 bits: 1
      {"has(@0, \"fun.apple\")", "2"},
      {"give(@0, \"fun.apple\", 65535)", "false"}, // -1
      {"give(@0, \"fun.apple\", 0)", "false"},
      {"give(@0, \"fun.apple\", 32767)", "false"}, // the slot would overflow
      {"give(@0, \"fun.apple\", 32765)", "true"},
      {"has(@0, \"fun.apple\")", "32767"},
      {"take(@0, \"fun.apple\", 65535)", "0"},
      {"take(@0, \"fun.apple\", -5)", "0"},
      {"take(@0, \"fun.apple\", 32766)", "32766"},
      {"take(@0, \"fun.apple\")", "1"},
      {"take(@0, \"fun.apple\")", "0"},
      {"has(@0, \"fun.apple\")", "0"},
      {"give(@0, \"\", 2)", "true"}, // the empty item fits an empty slot, but leaves no count there
      {"give(@0, \"fun.pear\", 3) and give(@0, \"fun.plum\") and give(@0, \"fun.fig\")", "true"},
      {"give(@0, \"fun.kiwi\")", "true"},
      {"give(@0, \"fun.lime\")", "false"}, // four slots
      {"give(@0, \"fun.pear\", 2)", "true"},
      {"has(@0, \"fun.pear\")", "5"},
  };
  Hopper_world w;
  for (auto const& c : mob) EXPECT_EQ(w(c.code), c.result) << c.code;
  EXPECT_EQ(w.hopper->inventory.count(0), 0) << "no empty slot carries a count";

  std::vector<Case> const chest = {
      {"give(@1, \"fun.apple\", 4)", "true"},  {"has(@1, \"fun.apple\")", "4"},
      {"take(@1, \"fun.apple\", 3)", "3"},     {"has(@1, \"fun.apple\")", "1"},
      {"give(@1, \"fun.apple\", 65536)", "false"},
  };
  for (auto const& c : chest) EXPECT_EQ(w(c.code), c.result) << c.code;
  EXPECT_EQ(w.chest->count(item_db()["fun.apple"].id), 1);
  EXPECT_TRUE(w.wmap.find({0, 0, 0})->has(Wmap_page::dirty)) << "the container's page must be saved";
}

TEST(Mob_functions, CellsWithoutAContainerHaveNothingAndRegisterNoItem) {
  Hopper_world w;
  std::size_t const items = item_db().size();
  for (char const* code : {"give(@2, \"fun.never_an_item\")", "give(@3, \"fun.never_an_item\", 5)"})
    EXPECT_EQ(w(code), "false") << code;
  for (char const* code : {"take(@2, \"fun.never_an_item\")", "take(@3, \"fun.never_an_item\", 5)",
                           "has(@2, \"fun.never_an_item\")", "has(@3, \"fun.never_an_item\")"})
    EXPECT_EQ(w(code), "0") << code;
  EXPECT_EQ(item_db().size(), items);
  EXPECT_EQ(w("take(@1, \"fun.apple\")"), "0");
  EXPECT_FALSE(w.wmap.find({0, 0, 0})->has(Wmap_page::dirty)) << "nothing changed";
}

TEST(Mob_functions, PlayPlaysByNamePlainAtACellOrFollowingAMob) {
  Hopper_world w;
  EXPECT_EQ(w("play(\"fun.chirp\", @0)"), "null");
  EXPECT_EQ(w("play(\"fun.chirp\", @1)"), "null");
  EXPECT_EQ(w("play(\"fun.chirp\")"), "null");
  EXPECT_EQ(w.effects->events, (std::vector<std::string>{"play fun.chirp on fun.hopper", "play fun.chirp at [2,2,2]",
                                                         "play fun.chirp"}));
}

TEST(Mob_functions, AMobValueOutlivingItsMobIsRefused) {
  Hopper_world w;
  Val kept = mob_value(*w.hopper);
  w.hopper->body.flags |= Body::erased;
  w.scene.mobs.resort_mobs(w.scene);
  for (char const* code : {"mob_state(@0)", "mob_frame(@0, 1)", "mob_wait(@0, 1)", "give(@0, \"fun.apple\")",
                           "take(@0, \"fun.apple\", 2)", "has(@0, \"fun.apple\")", "play(\"fun.chirp\", @0)"})
    EXPECT_EQ(w.run(code, {kept}), "error: mob no longer exists") << code;
  EXPECT_EQ(w.run("@0 ? 1 : 2", {kept}), "2");
  EXPECT_TRUE(w.effects->events.empty());
}

TEST(Mob_functions, CountArgumentsKeepTheirLow16BitsSigned) {
  std::pair<kestrine::Int, int> const cases[] = {{1, 1},          {65537, 1},  {65535, -1},    {32767, 32767},
                                                 {32768, -32768}, {-1, -1},    {1L << 40, 0}, {-65536 * 3 + 7, 7}};
  for (auto [in, out] : cases) EXPECT_EQ(stack_count(in), out) << in;
}
