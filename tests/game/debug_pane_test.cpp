// The debug pane: short numbers, rolling graphs, cell rows, and the window
// drawn without a game.
#include "game/debug_pane.hpp"

#include "world/raycast.hpp"

#include "support/gui_player.hpp"
#include "support/hand_world.hpp"

#include <gtest/gtest.h>

TEST(Debug_pane, ShortNumbers) {
  for (auto [v, shown] :
       {std::pair{0.0f, "0"}, {999.9f, "999"}, {-5.0f, "-5"}, {1000.0f, "1.0K"}, {1234.0f, "1.2K"}, {9999.0f, "10.0K"},
        {12345.0f, "12K"}, {999999.0f, "999K"}, {2.5e6f, "2.5M"}, {12.3e6f, "12M"}, {1e9f, "1.0G"}, {1e10f, "10G"},
        {1e12f, "1.0T"}, {1e13f, "10T"}, {3e15f, "3000T"}})
    EXPECT_EQ(short_number(v), shown) << v;
}

TEST(Debug_pane, GraphsRollOverThirtyFramesAndKeepTheirTop) {
  Debug_pane::Graph g;
  g.push(60);
  EXPECT_EQ(g.average(), 2) << "empty slots count as zeros";
  for (int i = 1; i < 31; ++i) g.push(i < 30 ? 30 : 10);
  EXPECT_TRUE(g.next == 1 && g.values[0] == 10 && g.max == 60 && g.average() == 29);
  Debug_pane::Graph halves, huge;
  for (int i = 0; i < 30; ++i) halves.push(0.5f), huge.push(1e12f);
  EXPECT_EQ(halves.average(), 0) << "the sum is a whole number at each step";
  EXPECT_GT(huge.average(), 70000000) << "a sum past 32 bits stays at its end";
}

TEST(Debug_pane, RowsOfLoadedCellsAndTheWindowOpenOrCollapsed) {
  hand_world::World world;
  Cell_id const stone = hand_world::cells().stone;
  auto row = [&](glm::ivec3 c) { return cell_row(world.scene, "cursor.in", c); };
  EXPECT_FALSE(row({1, 2, 3})) << "page not loaded";
  Wmap_page& page = world.load({0, 0, 0}, 0);
  EXPECT_FALSE(row({1, 2, 3})) << "id 0";
  world.set({1, 2, 3}, stone);
  page.light = Page<Light>(0x3a);
  using Row = std::array<std::string, 8>;
  EXPECT_EQ(row({1, 2, 3}), (Row{"cursor.in   ", "   1", "   2", "   3", "hand.stone              ", "3a", "0", ""}))
      << "no flat page: an empty last column";
  world.scene.fmap.pages.insert({0, 0}).columns[16 * 1 + 3].l0 = -7;
  world.scene.mobs.construct(hand_world::mob_type("pane.mob", {0.4f, 0.4f}, true), {1.5f, 2.5f, 3.5f});
  world.scene.mobs.resort_mobs(world.scene);
  EXPECT_TRUE((*row({1, 2, 3}))[6] == "1" && (*row({1, 2, 3}))[7] == "-7");

  Headless_gui gui;
  std::array<Debug_pane::Graph, 7> graphs{};
  Raycast_result cursor;
  world.scene.player = world.scene.mobs.construct(hand_world::mob_type("pane.me", {0.3f, 0.9f}, true), {5, 20, 5});
  auto draw = [&](int frames, bool collapsed = false) {
    for (int i = 0; i < frames; ++i)
      gui.frame([&] {
        ImGui::SetNextWindowSize(ImVec2(1200, 600));
        ImGui::SetNextWindowCollapsed(collapsed);
        draw_debug_pane(graphs, {30, 1234, 3, 2, 1, 40, 12}, world.scene, cursor);
      });
    return Gui_player::drawn_text(Headless_gui::drawn("Debug"));
  };
  // The player stands in an unloaded page: only the cursor's two labels.
  EXPECT_NE(draw(30).find("Cellscursor.incursor.outProfiling30FPS1.2KTriangles"), std::string::npos) << draw(0);
  world.scene.player->body.position = {1.5f, 2.9f, 3.5f};
  cursor.kind = Raycast_result::Kind::cell;
  cursor.cell = {1, 2, 3};
  cursor.adjacent = {1, 3, 3}; // id 0: no row
  std::string const text = draw(2); // new rows fit their columns in their second frame
  EXPECT_NE(text.find("Cellsplayer123hand.stone3a1-7cursor.in123hand.stone3a1-7Profiling"), std::string::npos) << text;
  EXPECT_NE(text.find("mobs:2"), std::string::npos) << text;
  EXPECT_EQ(draw(2, true).find("Cells"), std::string::npos);
  EXPECT_EQ(graphs[0].next, 4u) << "34 frames pushed, collapsed ones too";
}
