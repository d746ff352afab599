#include "content/cell_db.hpp"
#include "content/item_db.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <gtest/gtest.h>

namespace {

struct ItemTypes : ::testing::Test {
  Sdl_log_capture log; // keeps "Loading" lines off standard error
  Temp_packs t;
  Game_scope game;
  Item_database db;
};

} // namespace

TEST_F(ItemTypes, UseScriptsComeFromTheValueOrAFile) {
  t.write("basic/item_types.cfg", "[plain]\n[one]\nuse = return place(@1, \"basic.stone\")\n[two]\nuse.fun = s/use.ks\n");
  t.write("basic/s/use.ks", "# a comment first\nif @2:\n    return 1\nreturn 2\n");
  db.load(game.scope, t.packs);
  EXPECT_FALSE(db["basic.plain"].use);
  ASSERT_TRUE(db["basic.one"].use);
  (*db["basic.one"].use)();
  EXPECT_EQ((*game.calls)["place"], 1);
  ASSERT_TRUE(db["basic.two"].use);
  kestrine::Val args[3] = {kestrine::Val(), kestrine::Val(), kestrine::Val(true)};
  EXPECT_EQ((*db["basic.two"].use)(args, 3).get<kestrine::Int>(), 1);
  EXPECT_EQ((*db["basic.two"].use)(args, 2).get<kestrine::Int>(), 2); // missing arguments are null
}

TEST_F(ItemTypes, AnItemNamedByADropKeepsItsIdWhenItsSectionComes) {
  Cell_database cells;
  t.write("dropper/cell_types.cfg", "[c]\ndrop = dropper.gem\n");
  t.write("dropper/item_types.cfg", "[gem]\nuse = 3\n");
  cells.load(game.scope, t.packs);
  Item_id gem = cells["dropper.c"].drop;
  std::size_t size = item_db().size();
  item_db().load(game.scope, t.packs);
  EXPECT_EQ(item_db()["dropper.gem"].id, gem);
  EXPECT_EQ(item_db().size(), size);
  ASSERT_TRUE(item_db()[gem].use);
}


TEST_F(ItemTypes, LinesBeforeTheFirstSectionAreIgnoredAndUnknownKeysReported) {
  t.write("basic/item_types.cfg", "use = 1\n[x]\nuses = 2\n");
  Stderr_capture err;
  db.load(game.scope, t.packs);
  EXPECT_EQ(db.size(), 2u);
  EXPECT_FALSE(db["basic.x"].use);
  EXPECT_EQ(err.get().find("unrecognized key"), 0u) << err.get(); // the report comes first
  EXPECT_NE(err.get().find("uses = 2"), std::string::npos);
}

TEST_F(ItemTypes, ACompileErrorKeepsThePreviousScript) {
  t.write("basic/item_types.cfg", "[x]\nuse = 1\n");
  db.load(game.scope, t.packs);
  t.write("basic/item_types.cfg", "[x]\nuse = )\n");
  Stderr_capture err;
  EXPECT_THROW(db.load(game.scope, t.packs), std::runtime_error);
  EXPECT_EQ((*db["basic.x"].use)().get<kestrine::Int>(), 1);
}
