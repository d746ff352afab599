#include "content/cell_db.hpp"
#include "content/item_db.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <gtest/gtest.h>

namespace {

struct CellTypes : ::testing::Test {
  Sdl_log_capture log; // keeps "Loading" lines off standard error
  Temp_packs t;
  Game_scope game;
  Cell_database db;

  Cell_type& load(std::string const& text, std::string const& name = "basic.c") {
    t.write("basic/cell_types.cfg", text);
    db.load(game.scope, t.packs);
    return db[name];
  }
};

} // namespace

TEST_F(CellTypes, ASectionWithoutKeysKeepsEveryDefault) {
  Cell_type& c = load("[c]\n");
  EXPECT_EQ(c.id, 1);
  EXPECT_EQ(c.name, "basic.c");
  EXPECT_EQ(c.drop, 0);
  EXPECT_FALSE(c.interact);
  EXPECT_FALSE(c.callback);
  EXPECT_EQ(c.opacity, Cell_opacity::opaque);
  EXPECT_EQ(c.collision, Cell_collision::solid);
  EXPECT_EQ(c.capacity, 0);
  EXPECT_EQ(c.light, 0);
  EXPECT_EQ(c.offset, glm::vec3(0.5f));
  EXPECT_EQ(c.radius, glm::vec3(0.5f));
}

TEST_F(CellTypes, EveryKeyFillsItsMember) {
  Cell_type& c = load(
      "[c]\n"
      "collision = raycast\nopacity = billboard\ncapacity = 12\nlight = 15 lamps\n"
      "offset = 8 4 8\nradius = 4 4 4\ninteract = return 1\ncallback = 2\n");
  EXPECT_EQ(c.collision, Cell_collision::raycast);
  EXPECT_EQ(c.opacity, Cell_opacity::billboard);
  EXPECT_EQ(c.capacity, 12);
  EXPECT_EQ(c.light, 15);
  EXPECT_EQ(c.offset, glm::vec3(0.5f, 0.25f, 0.5f));
  EXPECT_EQ(c.radius, glm::vec3(0.25f));
  ASSERT_TRUE(c.interact);
  EXPECT_EQ((*c.interact)().get<kestrine::Int>(), 1);
  ASSERT_TRUE(c.callback);
  EXPECT_EQ((*c.callback)().get<kestrine::Int>(), 2);
}

TEST_F(CellTypes, KeywordsMatchExactlyOrGiveZero) {
  Cell_type& c = load("[c]\ncollision = empty\nopacity = clear\ncollision = Solid\nopacity = glass\n");
  EXPECT_EQ(c.collision, Cell_collision::solid);
  EXPECT_EQ(c.opacity, Cell_opacity::opaque);
  // With CR LF line ends the carriage return stays in the value.
  Cell_type& d = load("[d]\r\ncollision = empty\r\n", "basic.d");
  EXPECT_EQ(d.collision, Cell_collision::solid);
}



TEST_F(CellTypes, DropNamesAreUsedExactlyAsWritten) {
  std::size_t before = item_db().size();
  Cell_type& c = load("[c]\ndrop = cell_test_stone\n");
  EXPECT_EQ(c.drop, before);
  EXPECT_EQ(item_db()[c.drop].name, "cell_test_stone");
  Cell_type& d = load("[d]\ndrop = cell_test_stone\ndrop =\n", "basic.d");
  EXPECT_EQ(d.drop, 0); // empty: the empty item
}

TEST_F(CellTypes, ALaterScriptReplacesTheEarlierOne) {
  t.write("basic/scripts/two.ks", "x = 1\nreturn x + 1\n");
  Cell_type& c = load("[c]\ninteract = 1\ninteract.fun = scripts/two.ks\n");
  ASSERT_TRUE(c.interact);
  EXPECT_EQ((*c.interact)().get<kestrine::Int>(), 2);
}

TEST_F(CellTypes, AScriptThatFailsToCompileStopsTheLoadAndKeepsTheOldOne) {
  Cell_type& c = load("[c]\ninteract = 5\n");
  t.write("basic/cell_types.cfg", "[c]\ninteract = 5 +\n");
  {
    Stderr_capture err;
    EXPECT_THROW(db.load(game.scope, t.packs), std::runtime_error);
    EXPECT_NE(err.get().find("script does not compile"), std::string::npos);
  }
  ASSERT_TRUE(c.interact);
  EXPECT_EQ((*c.interact)().get<kestrine::Int>(), 5);
}

TEST_F(CellTypes, AMissingScriptFileStopsTheLoadWithItsPath) {
  t.write("basic/cell_types.cfg", "[c]\ncallback.fun = missing.ks\n");
  Stderr_capture err;
  try {
    db.load(game.scope, t.packs);
    FAIL() << "no error";
  } catch (std::runtime_error const& e) {
    EXPECT_EQ(std::string(e.what()), (t.packs / "basic" / "missing.ks").string());
  }
}


TEST_F(CellTypes, UnknownKeysAreReportedAndSkipped) {
  Stderr_capture err;
  Cell_type& c = load("[c]\ncolour = red\nlight = 4\n");
  EXPECT_EQ(c.light, 4);
  EXPECT_NE(err.get().find("unrecognized key\n    2 | colour = red\n"), std::string::npos) << err.get();
}

TEST_F(CellTypes, KeysBeforeTheFirstSectionAreIgnoredSilently) {
  Stderr_capture err;
  Cell_type& c = load("light = 9\nbogus = 1\n[c]\nlight = 2\n");
  EXPECT_EQ(c.light, 2);
  EXPECT_EQ(db.size(), 2u);
  EXPECT_EQ(db[0].light, 0);
  EXPECT_EQ(err.get(), "");
}

TEST_F(CellTypes, RepeatedSectionsAndPacksSharingANameEditOneRecord) {
  t.write("basic/cell_types.cfg", "[c]\nlight = 1\ncapacity = 3\n[other]\n[c]\ncapacity = 4\n");
  t.write("basic.old/cell_types.cfg", "[c]\nlight = 2\n");
  db.load(game.scope, t.packs);
  EXPECT_EQ(db.size(), 3u);
  Cell_type& c = db["basic.c"];
  EXPECT_EQ(c.id, 1);
  EXPECT_TRUE(c.light == 1 || c.light == 2); // the pack listed last wins
  EXPECT_EQ(c.capacity, 4);
}

TEST_F(CellTypes, ASyntaxErrorStopsOnlyItsOwnFile) {
  t.write("a/cell_types.cfg", "[x]\nlight = 1\n\tlight = 2\n[y]\n");
  t.write("b/cell_types.cfg", "[x]\nlight = 3\n");
  Stderr_capture err;
  db.load(game.scope, t.packs);
  EXPECT_EQ(db.size(), 3u); // a.y was never read
  EXPECT_EQ(db["a.x"].light, 1);
  EXPECT_EQ(db["b.x"].light, 3);
  EXPECT_NE(err.get().find("syntax error"), std::string::npos);
}

TEST_F(CellTypes, AnEmptyPacksDirectoryLeavesRecordZeroAlone) {
  db.load(game.scope, t.packs);
  EXPECT_EQ(db.size(), 1u);
  EXPECT_EQ(db[0].collision, Cell_collision::solid);
}
