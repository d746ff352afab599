#include "content/item_db.hpp"
#include "content/mob_db.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <gtest/gtest.h>

namespace {

struct MobTypes : ::testing::Test {
  Sdl_log_capture log; // keeps "Loading" lines off standard error
  Temp_packs t;
  Game_scope game;
  Mob_database db;

  Mob_type& load(std::string const& text) {
    t.write("basic/mob_types.cfg", text);
    db.load(game.scope, t.packs);
    return db["basic.m"];
  }
};

} // namespace

TEST_F(MobTypes, EveryKeyFillsItsField) {
  Mob_type& m = load("[m]\nsize = 0.3 0.9\nsolid = 1\npersistent = true\nitems = 16\n"
                     "interact = return 1\nupdate = mob_wait(@0, 5)\n");
  EXPECT_EQ(m.size, glm::vec2(0.3f, 0.9f));
  EXPECT_TRUE(m.solid);
  EXPECT_TRUE(m.persistent);
  EXPECT_EQ(m.items, 16);
  ASSERT_TRUE(m.interact);
  ASSERT_TRUE(m.update);
  EXPECT_FALSE(m.callback);
  (*m.update)();
  EXPECT_EQ((*game.calls)["mob_wait"], 1);
}



TEST_F(MobTypes, SizesFollowFormattedExtraction) {
  Mob_type& m = load("[m]\nsize = 1 2\n");
  load("[m]\nsize = 3\n");
  EXPECT_EQ(m.size, glm::vec2(3, 2)); // a single number changes only the first
  load("[m]\nsize = 4 wide\n");
  EXPECT_EQ(m.size, glm::vec2(4, 0));
  load("[m]\nsize = 1 2\nsize = wide 4\n");
  EXPECT_EQ(m.size, glm::vec2(0, 2));
  load("[m]\nsize = -1 0\n");
  EXPECT_EQ(m.size, glm::vec2(-1, 0));
}

TEST_F(MobTypes, AnUnknownDropAddsAnItemType) {
  std::size_t next = item_db().size();
  Mob_type& m = load("[m]\ndrop = mob_test.egg\n");
  EXPECT_EQ(m.drop, next);
  EXPECT_EQ(item_db()[m.drop].name, "mob_test.egg");
}

TEST_F(MobTypes, UpdateFilesAreReadBelowThePack) {
  t.write("basic/ai/walk.ks", "mob_frame(@0, 1)\nmob_wait(@0, 3)\n");
  Mob_type& m = load("[m]\nupdate.fun = ai/walk.ks\n");
  ASSERT_TRUE(m.update);
  (*m.update)();
  EXPECT_EQ((*game.calls)["mob_frame"], 1);
  t.write("basic/mob_types.cfg", "[m]\nupdate.fun = ai/missing.ks\n");
  Stderr_capture err;
  EXPECT_THROW(db.load(game.scope, t.packs), std::runtime_error);
  ASSERT_TRUE(m.update); // the old script stays
}

TEST_F(MobTypes, RepeatsInOneFileOrAcrossSameNamedPacksEditOneRecord) {
  t.write("basic/mob_types.cfg", "[m]\ninteract = 1\nitems = 2\n");
  t.write("basic.extra/mob_types.cfg", "[m]\ninteract = 2\n");
  db.load(game.scope, t.packs);
  EXPECT_EQ(db.size(), 2u);
  EXPECT_EQ(db["basic.m"].items, 2);
  ASSERT_TRUE(db["basic.m"].interact);
}

TEST_F(MobTypes, UnknownKeysAreReportedAndLinesBeforeASectionIgnored) {
  Stderr_capture err;
  Mob_type& m = load("items = 3\n[m]\nspeed = 3\nitems = 4\n");
  EXPECT_EQ(m.items, 4);
  EXPECT_NE(err.get().find("unrecognized key"), std::string::npos);
  EXPECT_EQ(err.get().find("items = 3"), std::string::npos);
}

TEST_F(MobTypes, WithoutMobFilesOnlyTheLaterPlayerLookupAddsAType) {
  db.load(game.scope, t.packs);
  EXPECT_EQ(db.size(), 1u);
  Mob_type& player = db["basic.player"];
  EXPECT_EQ(player.id, 1);
  EXPECT_EQ(player.items, 0);
  EXPECT_FALSE(player.solid);
}
