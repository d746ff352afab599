// The debug pane: its short numbers, rolling graphs and cell rows, and the
// window drawn without a game.
#include "game/debug_pane.hpp"

#include "world/raycast.hpp"

#include "support/gui_player.hpp"
#include "support/hand_world.hpp"

#include <gtest/gtest.h>

#include <optional>

TEST(Debug_pane, ShortNumbers) {
  struct Case {
    float v;
    char const* shown;
  } const cases[] = {
      {0, "0"},          {999, "999"},         {999.9f, "999"},       {-5, "-5"},           {1000, "1.0K"},
      {1234, "1.2K"},    {9999, "10.0K"},      {10000, "10K"},        {12345, "12K"},       {999999, "999K"},
      {1e6f, "1.0M"},    {2.5e6f, "2.5M"},     {12.3e6f, "12M"},      {999e6f, "999M"},     {1e9f, "1.0G"},
      {1e10f, "10G"},    {999e9f, "999G"},     {1e12f, "1.0T"},       {9.9e12f, "9.9T"},    {1e13f, "10T"},
      {3e15f, "3000T"},
  };
  for (auto c : cases) EXPECT_EQ(short_number(c.v), c.shown) << c.v;
}

TEST(Debug_pane, GraphsRollOverThirtyFramesAndKeepTheirTop) {
  Debug_pane::Graph g;
  g.push(60);
  EXPECT_EQ(g.average(), 2) << "empty slots count as zeros";
  for (int i = 1; i < 30; ++i) g.push(30);
  EXPECT_EQ(g.next, 0u);
  EXPECT_EQ(g.average(), 31);
  g.push(10);
  EXPECT_EQ(g.next, 1u);
  EXPECT_EQ(g.values[0], 10);
  EXPECT_EQ(g.max, 60) << "the top of the scale never falls";
  EXPECT_EQ(g.average(), 29);

  Debug_pane::Graph halves;
  for (int i = 0; i < 30; ++i) halves.push(0.5f);
  EXPECT_EQ(halves.average(), 0) << "each step of the sum is a whole number";

  Debug_pane::Graph huge;
  for (int i = 0; i < 30; ++i) huge.push(1e12f);
  EXPECT_GT(huge.average(), 70000000) << "a sum past 32 bits stays at its end";
}

namespace {

struct Pane : testing::Test {
  hand_world::World world;
  Cell_id const stone = hand_world::cells().stone;

  Wmap_page& page() { return world.load({0, 0, 0}, 0); }
  std::optional<std::array<std::string, 8>> row(glm::ivec3 c) { return cell_row(world.scene, "cursor.in", c); }
};

} // namespace

TEST_F(Pane, CellRowsDescribeLoadedCellsOnly) {
  EXPECT_FALSE(row({1, 2, 3})) << "page not loaded";
  Wmap_page& p = page();
  EXPECT_FALSE(row({1, 2, 3})) << "air of id 0";
  world.set({1, 2, 3}, stone);
  p.light = Page<Light>(0x3a);
  auto r = row({1, 2, 3});
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, (std::array<std::string, 8>{"cursor.in   ", "   1", "   2", "   3", "hand.stone              ", "3a",
                                            "0", ""}))
      << "no flat page: an empty last column";

  world.scene.fmap.pages.insert({0, 0}).columns[16 * 1 + 3].l0 = -7;
  Mob* m = world.scene.mobs.construct(hand_world::mob_type("pane.mob", {0.4f, 0.4f}, true), {1.5f, 2.5f, 3.5f});
  world.scene.mobs.resort_mobs(world.scene);
  ASSERT_EQ(m->body.position.x, 1.5f);
  r = row({1, 2, 3});
  ASSERT_TRUE(r);
  EXPECT_EQ((*r)[6], "1");
  EXPECT_EQ((*r)[7], "-7");
}

TEST_F(Pane, WindowRowsAndGraphsWhetherOpenOrCollapsed) {
  Headless_gui gui;
  std::array<Debug_pane::Graph, 7> graphs{};
  Raycast_result cursor;
  Mob* me = world.scene.mobs.construct(hand_world::mob_type("pane.me", {0.3f, 0.9f}, true), {5.5f, 3.9f, 5.5f});
  world.scene.player = me;
  Debug_pane::Figures figures{30, 1234, 3, 2, 1, 40, 12};
  auto draw = [&](bool collapsed) {
    gui.frame([&] {
      ImGui::SetNextWindowSize(ImVec2(1200, 600));
      if (collapsed) ImGui::SetNextWindowCollapsed(true);
      draw_debug_pane(graphs, figures, world.scene, cursor);
    });
  };
  for (int i = 0; i < 30; ++i) draw(false);
  auto text = [] { return Gui_player::drawn_text(Headless_gui::drawn("Debug")); };
  // The player stands in an unloaded page: only the two cursor labels.
  EXPECT_NE(text().find("Cellscursor.incursor.outProfiling"), std::string::npos) << text();
  EXPECT_NE(text().find("1.2KTriangles"), std::string::npos) << text();

  page();
  world.set({5, 3, 5}, stone);
  cursor.kind = Raycast_result::Kind::cell;
  cursor.cell = {5, 3, 5};
  cursor.adjacent = {5, 4, 5}; // air: no row
  draw(false);
  draw(false); // new rows' columns fit their text in the next frame
  EXPECT_NE(text().find("Cellsplayer535hand.stone"), std::string::npos) << text();
  EXPECT_NE(text().find("cursor.in535hand.stone"), std::string::npos) << text();
  EXPECT_EQ(text().find("cursor.out"), std::string::npos) << text();
  EXPECT_NE(text().find("mobs:1"), std::string::npos) << text();
  EXPECT_EQ(graphs[1].next, 2u);

  draw(true);
  draw(true);
  EXPECT_EQ(text().find("Cells"), std::string::npos) << text();
  EXPECT_EQ(graphs[1].next, 4u) << "the graphs go on while collapsed";
  world.scene.player = nullptr;
}
