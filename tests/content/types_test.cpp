// The cell, item and mob type files.
#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"

#include "pack_fixture.hpp"

#include <tuple>
#include <utility>

using namespace std::string_literals;

namespace {

struct Types : ::testing::Test {
  Sdl_log_capture log; // keeps "Loading" lines off standard error
  Temp_packs t;
  Game_scope game;
  Cell_database cells;
  Item_database items;
  Mob_database mobs;

  void load() {
    cells.load(game.scope, t.packs);
    items.load(game.scope, t.packs);
    mobs.load(game.scope, t.packs);
  }
  static kestrine::Int run(std::unique_ptr<kestrine::Standalone> const& script) {
    return script ? (*script)().get<kestrine::Int>() : -1;
  }
};

} // namespace

TEST_F(Types, CellKeysFillTheirMembersAndSectionsWithoutKeysKeepTheDefaults) {
  std::size_t next_item = item_db().size();
  t.write("basic/scripts/three.ks", "x = 1\nreturn x + 2\n");
  t.write("basic/cell_types.cfg",
          "[plain]\n[c]\ncollision = raycast\nopacity = billboard\ncapacity = 12\nlight = 15 lamps\n"
          "offset = 8 4 8\nradius = 4 4 4\ninteract = return 1\ncallback = 2\ninteract.fun = scripts/three.ks\n"
          "drop = cell_test_stone\n");
  load();
  Cell_type& plain = cells["basic.plain"];
  EXPECT_TRUE(plain.id == 1 && !plain.interact && plain.opacity == Cell_opacity::opaque);
  EXPECT_TRUE(plain.offset == glm::vec3(0.5f) && plain.radius == glm::vec3(0.5f)); // a whole cell
  Cell_type& c = cells["basic.c"];
  EXPECT_TRUE(c.collision == Cell_collision::raycast && c.opacity == Cell_opacity::billboard);
  EXPECT_TRUE(c.capacity == 12 && c.light == 15);
  EXPECT_EQ(c.offset, glm::vec3(0.5f, 0.25f, 0.5f));
  EXPECT_EQ(c.radius, glm::vec3(0.25f));
  EXPECT_EQ(run(c.interact), 3); // the later key replaced the script
  EXPECT_EQ(run(c.callback), 2);
  EXPECT_EQ(c.drop, next_item); // found or added, with the name as written
  EXPECT_EQ(item_db()[c.drop].name, "cell_test_stone");
}

TEST_F(Types, CellKeywordsMatchExactlyOrGiveZero) {
  t.write("basic/cell_types.cfg", "[c]\ncollision = empty\nopacity = clear\ncollision = Solid\nopacity = glass\n"
                                  "drop = cell_test_stone\ndrop =\n[d]\r\ncollision = empty\r\n");
  load();
  EXPECT_EQ(cells["basic.c"].collision, Cell_collision::solid);
  EXPECT_EQ(cells["basic.c"].opacity, Cell_opacity::opaque);
  EXPECT_EQ(cells["basic.c"].drop, 0); // empty: the empty item
  EXPECT_EQ(cells["basic.d"].collision, Cell_collision::solid); // the carriage return stays in the value
}

TEST_F(Types, MobKeysFillTheirMembersAndSizesReadLikeAStream) {
  t.write("basic/ai/walk.ks", "mob_frame(@0, 1)\nmob_wait(@0, 3)\n");
  t.write("basic/mob_types.cfg", "[m]\nsize = 0.3 0.9\nsolid = 1\npersistent = true\nitems = 16\n"
                                 "interact = return 1\nupdate.fun = ai/walk.ks\ndrop = mob_test.egg\n"
                                 "[s1]\nsize = 1 2\nsize = 3\n[s2]\nsize = 4 wide\n[s3]\nsize = 1 2\nsize = wide 4\n");
  load();
  Mob_type& m = mobs["basic.m"];
  EXPECT_EQ(m.size, glm::vec2(0.3f, 0.9f));
  EXPECT_TRUE(m.solid && m.persistent && m.items == 16 && !m.callback);
  EXPECT_EQ(run(m.interact), 1);
  (*m.update)();
  EXPECT_EQ((*game.calls)["mob_frame"] + (*game.calls)["mob_wait"], 2);
  EXPECT_EQ(item_db()[m.drop].name, "mob_test.egg");
  EXPECT_EQ(mobs["basic.s1"].size, glm::vec2(3, 2)); // a single number changes only the first
  EXPECT_EQ(mobs["basic.s2"].size, glm::vec2(4, 0));
  EXPECT_EQ(mobs["basic.s3"].size, glm::vec2(0, 2));
}

TEST_F(Types, ItemUseScriptsComeFromTheValueOrAFile) {
  t.write("basic/item_types.cfg", "[plain]\n[one]\nuse = return place(@1, \"basic.stone\")\n[two]\nuse.fun = s/use.ks\n");
  t.write("basic/s/use.ks", "# a comment first\nif @2:\n    return 1\nreturn 2\n");
  load();
  EXPECT_FALSE(items["basic.plain"].use);
  (*items["basic.one"].use)();
  EXPECT_EQ((*game.calls)["place"], 1);
  kestrine::Val args[3] = {kestrine::Val(), kestrine::Val(), kestrine::Val(true)};
  EXPECT_EQ((*items["basic.two"].use)(args, 3).get<kestrine::Int>(), 1);
  EXPECT_EQ((*items["basic.two"].use)(args, 2).get<kestrine::Int>(), 2); // missing arguments are null
}

TEST_F(Types, AnItemNamedByADropKeepsItsIdWhenItsSectionComes) {
  t.write("dropper/cell_types.cfg", "[c]\ndrop = dropper.gem\n");
  t.write("dropper/item_types.cfg", "[gem]\nuse = 3\n");
  cells.load(game.scope, t.packs);
  Item_id gem = cells["dropper.c"].drop;
  std::size_t size = item_db().size();
  item_db().load(game.scope, t.packs);
  EXPECT_EQ(item_db()["dropper.gem"].id, gem);
  EXPECT_EQ(item_db().size(), size);
  EXPECT_EQ(run(item_db()[gem].use), 3);
}

TEST_F(Types, AFailingScriptStopsTheLoadAndKeepsTheOldOne) {
  auto write = [&](std::string const& script) {
    t.write("basic/cell_types.cfg", "[c]\ninteract = " + script + "\n");
    t.write("basic/item_types.cfg", "[i]\nuse = " + script + "\n");
    t.write("basic/mob_types.cfg", "[m]\nupdate = " + script + "\n");
  };
  write("5");
  load();
  write("5 +");
  Stderr_capture err;
  EXPECT_THROW(cells.load(game.scope, t.packs), std::runtime_error);
  EXPECT_THROW(items.load(game.scope, t.packs), std::runtime_error);
  EXPECT_THROW(mobs.load(game.scope, t.packs), std::runtime_error);
  EXPECT_TRUE(err.has("script does not compile"));
  EXPECT_EQ(run(cells["basic.c"].interact) + run(items["basic.i"].use) + run(mobs["basic.m"].update), 15);
  // A script file that can't be read: the error is its path.
  t.write("basic/cell_types.cfg", "[c]\ncallback.fun = missing.ks\n");
  EXPECT_EQ(thrown([&] { cells.load(game.scope, t.packs); }), (t.packs / "basic" / "missing.ks").string());
}

TEST_F(Types, UnknownKeysAreReportedAndLinesBeforeASectionIgnoredSilently) {
  t.write("basic/cell_types.cfg", "light = 9\nbogus = 1\n[c]\ncolour = red\nlight = 4\n");
  t.write("basic/item_types.cfg", "use = 1\n[i]\nuses = 2\n");
  t.write("basic/mob_types.cfg", "items = 3\n[m]\nspeed = 3\nitems = 4\n");
  Stderr_capture err;
  load();
  EXPECT_EQ(cells["basic.c"].light, 4);
  EXPECT_EQ(cells[0].light, 0);
  EXPECT_FALSE(items["basic.i"].use);
  EXPECT_EQ(mobs["basic.m"].items, 4);
  EXPECT_EQ(cells.size() + items.size() + mobs.size(), 6u);
  for (char const* reported : {"unrecognized key\n    4 | colour = red\n", "    3 | uses = 2\n", "    3 | speed = 3\n"})
    EXPECT_TRUE(err.has(reported)) << reported << " not in " << err.get();
  for (char const* ignored : {"bogus", "use = 1", "items = 3"}) EXPECT_FALSE(err.has(ignored)) << ignored;
}

TEST_F(Types, RepeatedSectionsAndPacksSharingANameEditOneRecord) {
  t.write("basic/cell_types.cfg", "[c]\nlight = 1\ncapacity = 3\n[other]\n[c]\ncapacity = 4\n");
  t.write("basic.old/cell_types.cfg", "[c]\nlight = 2\n");
  t.write("basic/mob_types.cfg", "[m]\ninteract = 1\nitems = 2\n");
  t.write("basic.extra/mob_types.cfg", "[m]\ninteract = 2\n");
  load();
  EXPECT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells["basic.c"].id, 1);
  EXPECT_TRUE(cells["basic.c"].light == 1 || cells["basic.c"].light == 2); // the pack listed last wins
  EXPECT_EQ(cells["basic.c"].capacity, 4);
  EXPECT_EQ(mobs.size(), 2u);
  EXPECT_EQ(mobs["basic.m"].items, 2);
  EXPECT_GT(run(mobs["basic.m"].interact), 0);
}

TEST_F(Types, ASectionWhoseFullNameIsTooLongIsSkippedWithAWarning) {
  // "basic." and the section: 256 bytes fit, 257 do not.
  std::string const fits(max_name_bytes - 6, 'f'), over(max_name_bytes - 5, 'o');
  for (auto [file, key] : {std::pair("cell", "light"), {"item", "use"}, {"mob", "items"}})
    t.write("basic/"s + file + "_types.cfg", "[" + over + "]\n" + key + " = 3\n[" + fits + "]\n" + key + " = 2\n");
  load();
  EXPECT_EQ(std::tuple(cells.size(), items.size(), mobs.size()), std::tuple(2u, 2u, 2u));
  EXPECT_EQ(cells["basic." + fits].light, 2);
  EXPECT_EQ(mobs["basic." + fits].items, 2);
  EXPECT_TRUE(items["basic." + fits].use);
  EXPECT_TRUE(cells[0].light == 0 && mobs[0].items == 0 && !items[0].use) << "record 0 is left alone";
  int warned = 0;
  for (std::string const& line : log.lines)
    warned += line.find((t.packs / "basic").string() + ": section [" + over + "]: name too long") == 0;
  EXPECT_EQ(warned, 3) << "one warning per file, naming the pack and the section";
}

TEST_F(Types, ASyntaxErrorStopsOnlyItsOwnFile) {
  t.write("a/cell_types.cfg", "[x]\nlight = 1\n\tlight = 2\n[y]\n");
  t.write("b/cell_types.cfg", "[x]\nlight = 3\n");
  Stderr_capture err;
  load();
  EXPECT_EQ(cells.size(), 3u); // a.y was never read
  EXPECT_EQ(cells["a.x"].light, 1);
  EXPECT_EQ(cells["b.x"].light, 3);
  EXPECT_TRUE(err.has("syntax error"));
}
