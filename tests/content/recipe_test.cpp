#include "content/item_db.hpp"
#include "content/recipe.hpp"

#include "pack_fixture.hpp"

#include <algorithm>

namespace {

struct Recipes : ::testing::Test {
  Temp_packs t;
  Sdl_log_capture log;

  static Item_id item(char const* name) { return item_db()[name].id; }
  static Cell_id cell(char const* name) { return cell_db()[name].id; }
};

} // namespace

TEST(ToItem, ReadsANameAndAnOptionalCount) {
  Item_id stone = item_db()["r0.stone"].id;
  for (auto [text, want] : {std::pair{"r0.stone", Item{stone, 1}}, {"  r0.stone   4", {stone, 4}},
                            {"r0.stone many", {stone, 0}}, {"r0.stone 70000", {stone, 32767}},
                            {"r0.stone -70000", {stone, -32768}}, {"r0.stone -2 and more", {stone, -2}}, {"", {0, 1}}})
    EXPECT_EQ(to_item(text), want) << text;
  std::size_t next = item_db().size();
  EXPECT_EQ(to_item("r0.unheard_of 2"), (Item{Item_id(next), 2})); // added, as written
  EXPECT_EQ(item_db()[next].name, "r0.unheard_of");
}

TEST_F(Recipes, EachSectionIsOneRecipeWithItsInputsInOrder) {
  std::size_t cells = cell_db().size();
  t.write("r1/recipes.cfg", "[bench]\nresult = r1.plank 4\nfrom = r1.log\nfrom = r1.nail 2\n"
                            "[bench]\nresult = r1.a\nresult = r1.c\n[forge]\n");
  t.write("r1.more/recipes.cfg", "[bench]\nresult = r1.d\n");
  Recipe_database db(t.packs);
  EXPECT_EQ(cell_db()[cells].name, "r1.bench"); // unknown names add types
  auto const* list = db.find(cell("r1.bench"));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 3u);
  // Within a file, file order; the packs in the order they are listed.
  std::size_t at = (*list)[0].result.id == item("r1.d") ? 1 : 0;
  Recipe const& plank = (*list)[at];
  EXPECT_EQ(plank.result, (Item{item("r1.plank"), 4}));
  ASSERT_EQ(plank.from.size(), 2u);
  EXPECT_EQ(plank.from[0], (Item{item("r1.log"), 1}));
  EXPECT_EQ(plank.from[1], (Item{item("r1.nail"), 2}));
  EXPECT_EQ((*list)[at + 1].result, (Item{item("r1.c"), 1})); // a later result replaces the earlier
  EXPECT_EQ((*list)[2 - 2 * at].result.id, item("r1.d"));
  auto const* forge = db.find(cell("r1.forge"));
  ASSERT_TRUE(forge);
  EXPECT_EQ((*forge)[0].result, (Item{0, 0}));
  EXPECT_TRUE((*forge)[0].from.slots.empty());
  EXPECT_FALSE(db.find(0)); // cell type 0 never has recipes
}

TEST_F(Recipes, MalformedFilesAreReportedAndAnUnknownKeyEndsTheLoad) {
  // A syntax error keeps what was read before it; lines before the first
  // section are reported and ignored.
  t.write("r6/recipes.cfg", "[bench]\nresult = r6.a\n[bench\nresult = r6.b\n");
  t.write("r6.b/recipes.cfg", "result = r6.x\nwhatever = 1\n[bench]\nresult = r6.c\n");
  {
    Stderr_capture err;
    Recipe_database db(t.packs);
    EXPECT_TRUE(err.has("syntax error"));
    EXPECT_TRUE(err.has("expected section\n    1 | result = r6.x")) << err.get();
    EXPECT_TRUE(err.has("expected section\n    2 | whatever = 1"));
    ASSERT_EQ(db.recipes.size(), 1u);
    EXPECT_EQ(db.find(cell("r6.bench"))->size(), 2u);
  }
  t.write("r6/recipes.cfg", "[bench]\nresults = r6.x\n");
  Stderr_capture err;
  EXPECT_EQ(thrown<std::out_of_range>([&] { Recipe_database db(t.packs); }), "unordered_map::at");
  EXPECT_TRUE(err.has("unrecognized key"));
}

TEST_F(Recipes, InputsBeyondTheLimitAreRefused) {
  std::string text = "[bench]\n";
  for (int i = 0; i < 32769; ++i) text += "from = r8.x\n";
  t.write("r8/recipes.cfg", text);
  Stderr_capture err;
  Recipe_database db(t.packs);
  EXPECT_EQ(db.find(cell("r8.bench"))->at(0).from.size(), 32768u);
  EXPECT_TRUE(err.has("too many inputs"));
}
