// The game functions on mobs, inventories, sounds, the console and lists.
#include "content/item_db.hpp"
#include "support/fun_world.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

using fun_world::cell;
using fun_world::World;
using kestrine::Val;

namespace {

// A hopper with four slots (@0), a chest (@1), a cell without a container
// (@2) and one whose page is not loaded (@3).
struct Hopper_world : World {
  Mob* hopper = scene.mobs.construct(mob_db()["fun.hopper"].id, {3.5f, 3.5f, 3.5f});
  Inventory& box = chest({2, 2, 2});

  Hopper_world() {
    hopper->inventory = Inventory(4);
    wmap.find({0, 0, 0})->clear(Wmap_page::dirty);
  }
  std::string operator()(std::string const& code) {
    return run(code, {mob_value(*hopper), Val(glm::ivec3(2, 2, 2)), Val(glm::ivec3(2, 3, 2)),
                      Val(glm::ivec3(2, 3, 99))});
  }
};

} // namespace

TEST(Game_functions, GiveTakeAndHasMoveStacksInMobsAndContainers) {
  Hopper_world w;
  std::pair<char const*, char const*> const steps[] = { // in order: the counts carry over
      {"[give(@0, \"fun.apple\"), has(@0, \"fun.apple\")]", "[true,1]"},
      {"[give(@0, \"fun.apple\", 65537), has(@0, \"fun.apple\")]", "[true,2]"}, // the low 16 bits: 1
      {"[give(@0, \"fun.apple\", 65535), give(@0, \"fun.apple\", 0)]", "[false,false]"}, // -1 and 0
      {"[give(@0, \"fun.apple\", 32767), give(@0, \"fun.apple\", 32765)]", "[false,true]"}, // no overflow
      {"[take(@0, \"fun.apple\", 65535), take(@0, \"fun.apple\", 32766)]", "[0,32766]"},
      {"[take(@0, \"fun.apple\"), take(@0, \"fun.apple\"), has(@0, \"fun.apple\")]", "[1,0,0]"},
      {"[give(@0, \"\", 2), give(@0, \"a\", 3), give(@0, \"b\"), give(@0, \"c\"), give(@0, \"d\"), give(@0, \"e\")]",
       "[true,true,true,true,true,false]"},
      {"[give(@1, \"fun.apple\", 4), take(@1, \"fun.apple\", 3), has(@1, \"fun.apple\")]", "[true,3,1]"},
  };
  for (auto [code, shown] : steps) EXPECT_EQ(w(code), shown) << code;
  EXPECT_EQ(w.hopper->inventory.count(0), 0) << "no empty slot carries a count";
  EXPECT_TRUE(w.wmap.find({0, 0, 0})->has(Wmap_page::dirty)) << "the container's page must be saved";

  Hopper_world v;
  std::size_t const items = item_db().size();
  EXPECT_EQ(v("[give(@2, \"fun.no_item\"), give(@3, \"fun.no_item\", 5), take(@2, \"fun.no_item\"), "
              "has(@3, \"fun.no_item\"), take(@1, \"fun.apple\")]"),
            "[false,false,0,0,0]");
  EXPECT_EQ(item_db().size(), items) << "no container, no new item type";
  EXPECT_FALSE(v.wmap.find({0, 0, 0})->has(Wmap_page::dirty));
}

TEST(Game_functions, ATypeNameTooLongForAFileRaisesAndChangesNothing) {
  Hopper_world w;
  w.set({4, 3, 4}, cell("fun.stone"));
  w.box[0] = Item{item_db()["fun.apple"].id, 2};
  w.wmap.find({0, 0, 0})->clear(Wmap_page::dirty);
  std::string const over(max_name_bytes + 1, 'n');
  auto sizes = [] { return std::tuple(cell_db().size(), item_db().size(), mob_db().size()); };
  auto const before = sizes();
  std::size_t const mobs = w.scene.mobs.size();
  Inventory const held = w.hopper->inventory, boxed = w.box;
  std::vector<Val> args = {mob_value(*w.hopper), Val(glm::ivec3(2, 2, 2)), Val(glm::ivec3(4, 4, 4)),
                           Val(glm::ivec3(4, 3, 4)), Val(Face::u), Val(over), Val(glm::ivec3(40, 4, 4))};
  for (char const* code : {"replace(@3, @5)", "replace(@6, @5)", "place(@2, @5)", "place(@2, 0, 0, @5)",
                           "paint(@3, @4, @5)", "spawn(@2, @5)", "give(@0, @5)", "give(@1, @5, 3)",
                           "give(@6, @5)", "take(@1, @5)", "has(@0, @5)", "has(@6, @5)"})
    EXPECT_EQ(w.run(code, args), "error: name too long") << code;
  EXPECT_EQ(sizes(), before);
  EXPECT_EQ(w.scene.mobs.size(), mobs);
  EXPECT_TRUE(w.hopper->inventory == held && w.box == boxed);
  EXPECT_EQ(w.happened(), "");
  EXPECT_FALSE(w.wmap.find({0, 0, 0})->has(Wmap_page::dirty));

  args[5] = Val(over.substr(1)); // the longest a file holds
  EXPECT_EQ(w.run("[replace(@3, @5), give(@0, @5), has(@0, @5)]", args), "[true,true,1]");
  EXPECT_EQ(cell_db()[w.wmap.get_cell({4, 3, 4})].name, over.substr(1));
}

TEST(Game_functions, MobFieldsWaitAndSoundsAndAGoneMob) {
  Hopper_world w;
  EXPECT_EQ(w("[mob_state(@0, 7), mob_frame(@0, -3), mob_wait(@0, 5), mob_state(@0) * 10 + mob_frame(@0)]"),
            "[null,null,null,67]");
  EXPECT_EQ(w.hopper->wait, 5);
  EXPECT_EQ(w("[play(\"fun.chirp\", @0), play(\"fun.chirp\", @1), play(\"fun.chirp\")]"), "[null,null,null]");
  EXPECT_EQ(w.happened(), "play fun.chirp on fun.hopper; play fun.chirp at [2,2,2]; play fun.chirp");

  Val kept = mob_value(*w.hopper);
  w.hopper->body.flags |= Body::erased;
  w.scene.mobs.resort_mobs(w.scene);
  for (char const* code : {"mob_state(@0)", "mob_frame(@0, 1)", "mob_wait(@0, 1)", "give(@0, \"a\")",
                           "take(@0, \"a\", 2)", "has(@0, \"a\")", "play(\"fun.chirp\", @0)"})
    EXPECT_EQ(w.run(code, {kept}), "error: mob no longer exists") << code;
  EXPECT_EQ(w.run("@0 ? 1 : 2", {kept}), "2");
  EXPECT_EQ(w.happened(), "");
}

TEST(Game_functions, PrintAndClearFillTheTranscriptSayTheActionBar) {
  struct Case { std::vector<std::string> lines; std::string transcript, out; } const cases[] = {
      {{"print(\"a\", 1, null, here(), [here()])"},
       "> print(\"a\", 1, null, here(), [here()])\na1null[8,8,8][[...]]\n", ""},
      {{"print(1)", "clear()", "print(2)"}, "> print(2)\n2\n", "> print(1)\n1\n> print(2)\n2\n"},
  };
  for (auto const& c : cases) {
    World w;
    testing::internal::CaptureStdout();
    for (auto const& l : c.lines) w.script.input(l);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out.empty() ? c.transcript : c.out);
    EXPECT_EQ(w.script.transcript.text(), c.transcript);
    EXPECT_EQ(w.script.transcript.unwritten(), 0u);
  }
  World w;
  auto const before = Action_bar::Clock::now();
  EXPECT_EQ(w.run("[say(\"first\"), say(\"second\")]"), "[null,null]");
  EXPECT_EQ(w.bar.message, "second");
  EXPECT_GE(w.bar.expiry, before + Action_bar::shown_for);
}

TEST(Game_functions, RandAndTheListHelpers) {
  World w;
  std::set<std::string> seen;
  for (int i = 0; i < 400; ++i) seen.insert(w.run("rand(-2, 2)"));
  EXPECT_EQ(seen, (std::set<std::string>{"-2", "-1", "0", "1", "2"}));
  EXPECT_EQ(w.run("[rand(5, 5), rand(-9223372036854775807 - 1, -9223372036854775807 - 1)]"),
            "[5,-9223372036854775808]");
  std::pair<char const*, char const*> const steps[] = {
      {"[size([1, 2, 3]), size(\"four\"), size({1: 2}), size(here())]", "[3,4,1,3]"},
      {"l = []", "[]"},
      {"v = here()", "[8,8,8]"},
      {"[pop(l), push(l, v), push(l, 2), size(l)]", "[null,null,null,2]"},
      {"l[0][0] = v[0] - v[0]", "0"},
      {"v", "[0,8,8]"}, // the list holds v itself
      {"[pop(l), pop(l), pop(l), size(l)]", "[null,null,null,0]"},
  };
  for (auto [code, shown] : steps) EXPECT_EQ(w.run(code), shown) << code;
}
