#include "content/item_db.hpp"
#include "content/recipe.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <gtest/gtest.h>

namespace {

struct Recipes : ::testing::Test {
  Temp_packs t;
  Sdl_log_capture log;

  Item_id item(char const* name) { return item_db()[name].id; }
  Cell_id cell(char const* name) { return cell_db()[name].id; }
};

} // namespace

TEST(ToItem, ReadsANameAndAnOptionalCount) {
  Item_id stone = item_db()["r0.stone"].id;
  EXPECT_EQ(to_item("r0.stone"), (Item{stone, 1}));
  EXPECT_EQ(to_item("  r0.stone   4"), (Item{stone, 4}));
  EXPECT_EQ(to_item("r0.stone many"), (Item{stone, 0}));
  EXPECT_EQ(to_item("r0.stone 70000"), (Item{stone, 32767}));
  EXPECT_EQ(to_item("r0.stone -70000"), (Item{stone, -32768}));
  EXPECT_EQ(to_item("r0.stone -2 and more"), (Item{stone, -2}));
  EXPECT_EQ(to_item(""), (Item{0, 1}));
  std::size_t next = item_db().size();
  EXPECT_EQ(to_item("r0.unheard_of 2").id, next); // added, as written
  EXPECT_EQ(item_db()[next].name, "r0.unheard_of");
}

TEST_F(Recipes, ASectionIsOneRecipeWithItsInputsInOrder) {
  t.write("r1/recipes.cfg", "[bench]\nresult = r1.plank 4\nfrom = r1.log\nfrom = r1.nail 2\n");
  Recipe_database db(t.packs);
  auto const* list = db.find(cell("r1.bench"));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 1u);
  Recipe const& r = (*list)[0];
  EXPECT_EQ(r.result, (Item{item("r1.plank"), 4}));
  ASSERT_EQ(r.from.size(), 2u);
  EXPECT_EQ(r.from[0], (Item{item("r1.log"), 1}));
  EXPECT_EQ(r.from[1], (Item{item("r1.nail"), 2}));
}

TEST_F(Recipes, RepeatedSectionsAddRecipesInReadingOrder) {
  t.write("r2/recipes.cfg", "[bench]\nresult = r2.a\n[bench]\nresult = r2.b\nresult = r2.c\n");
  t.write("r2.more/recipes.cfg", "[bench]\nresult = r2.d\n");
  Recipe_database db(t.packs);
  auto const* list = db.find(cell("r2.bench"));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 3u);
  // Inside one file, file order; a later "result" replaces the earlier one.
  std::vector<Item_id> got;
  for (auto const& r : *list) got.push_back(r.result.id);
  auto a = std::find(got.begin(), got.end(), item("r2.a"));
  ASSERT_NE(a, got.end());
  ASSERT_NE(a + 1, got.end());
  EXPECT_EQ(*(a + 1), item("r2.c"));
  EXPECT_NE(std::find(got.begin(), got.end(), item("r2.d")), got.end());
}

TEST_F(Recipes, EmptySectionsGiveEmptyRecipes) {
  t.write("r3/recipes.cfg", "[bench]\n");
  Recipe_database db(t.packs);
  auto const* list = db.find(cell("r3.bench"));
  ASSERT_TRUE(list);
  EXPECT_EQ((*list)[0].result, (Item{0, 0}));
  EXPECT_EQ((*list)[0].from.size(), 0u);
}

TEST_F(Recipes, UnknownNamesAddCellAndItemTypes) {
  std::size_t cells = cell_db().size(), items = item_db().size();
  t.write("r4/recipes.cfg", "[forge]\nfrom = r4.ore\n");
  Recipe_database db(t.packs);
  EXPECT_EQ(cell_db()[cells].name, "r4.forge");
  EXPECT_EQ(item_db()[items].name, "r4.ore");
  EXPECT_TRUE(db.find(Cell_id(cells)));
  EXPECT_FALSE(db.find(0)); // cell type 0 never has recipes
}

TEST_F(Recipes, LinesBeforeTheFirstSectionAreReportedAndIgnored) {
  t.write("r5/recipes.cfg", "result = r5.x\nwhatever = 1\n[bench]\nresult = r5.y\n");
  Stderr_capture err;
  Recipe_database db(t.packs);
  EXPECT_NE(err.get().find("expected section\n    1 | result = r5.x"), std::string::npos) << err.get();
  EXPECT_NE(err.get().find("expected section\n    2 | whatever = 1"), std::string::npos);
  ASSERT_EQ(db.recipes.size(), 1u);
  EXPECT_EQ(db.find(cell("r5.bench"))->at(0).result.id, item("r5.y"));
}

TEST_F(Recipes, AnUnknownKeyEndsTheLoad) {
  t.write("r6/recipes.cfg", "[bench]\nresults = r6.x\n");
  Stderr_capture err;
  try {
    Recipe_database db(t.packs);
    FAIL();
  } catch (std::out_of_range const& e) {
    EXPECT_STREQ(e.what(), "unordered_map::at");
  }
  EXPECT_NE(err.get().find("unrecognized key"), std::string::npos);
}

TEST_F(Recipes, ASyntaxErrorKeepsTheRecipesReadSoFar) {
  t.write("r7/recipes.cfg", "[bench]\nresult = r7.a\n[bench\nresult = r7.b\n");
  t.write("r7.b/recipes.cfg", "[bench]\nresult = r7.c\n");
  Stderr_capture err;
  Recipe_database db(t.packs);
  EXPECT_EQ(db.find(cell("r7.bench"))->size(), 2u);
}

TEST_F(Recipes, InputsBeyondTheLimitAreRefused) {
  std::string text = "[bench]\n";
  for (int i = 0; i < 32769; ++i) text += "from = r8.x\n";
  t.write("r8/recipes.cfg", text);
  Stderr_capture err;
  Recipe_database db(t.packs);
  EXPECT_EQ(db.find(cell("r8.bench"))->at(0).from.size(), 32768u);
  EXPECT_NE(err.get().find("too many inputs"), std::string::npos);
}

