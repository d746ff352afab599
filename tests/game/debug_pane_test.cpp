// The debug pane: short numbers, rolling graphs, cell rows, and the window
// drawn without a game.
#include "game/debug_pane.hpp"

#include "world/raycast.hpp"

#include "support/gui_player.hpp"
#include "support/hand_world.hpp"

#include <gtest/gtest.h>

TEST(Debug_pane, ShortNumbers) {
  for (auto [v, shown] :
       {std::pair{0.0f, "0"}, {999.9f, "999"}, {-5.0f, "-5"}, {1000.0f, "1.0K"}, {9999.0f, "10.0K"}, {12345.0f, "12K"},
        {999999.0f, "999K"}, {2.5e6f, "2.5M"}, {1e9f, "1.0G"}, {1e13f, "10T"}, {3e15f, "3000T"}})
    EXPECT_EQ(short_number(v), shown) << v;
}

TEST(Debug_pane, GraphsRollOverThirtyFramesAndKeepTheirTop) {
  Debug_pane::Graph g, halves, huge;
  for (int i = 0; i < 31; ++i) g.push(i == 0 ? 60 : i < 30 ? 30 : 10);
  EXPECT_TRUE(g.next == 1 && g.values[0] == 10 && g.max == 60 && g.average() == 29);
  for (int i = 0; i < 30; ++i) halves.push(0.5f), huge.push(1e12f);
  EXPECT_EQ(halves.average(), 0) << "the sum is a whole number at each step";
  EXPECT_GT(huge.average(), 70000000) << "a sum past 32 bits stays at its end";
}

TEST(Debug_pane, RowsOfLoadedCellsAndTheWindowOpenOrCollapsed) {
  hand_world::World world;
  auto row = [&](glm::ivec3 c) { return cell_row(world.scene, "cursor.in", c); };
  EXPECT_FALSE(row({1, 2, 3})) << "page not loaded";
  Wmap_page& page = world.load({0, 0, 0}, 0);
  EXPECT_FALSE(row({1, 2, 3})) << "id 0";
  world.set({1, 2, 3}, hand_world::cells().stone);
  page.light = Page<Light>(0x3a);
  using Row = std::array<std::string, 8>;
  EXPECT_EQ(row({1, 2, 3}), (Row{"cursor.in   ", "   1", "   2", "   3", "hand.stone              ", "3a", "0", ""}))
      << "no flat page: an empty last column";
  world.scene.fmap.pages.insert({0, 0}).columns[16 * 1 + 3].l0 = -7;

  Headless_gui gui;
  std::array<Debug_pane::Graph, 7> graphs{};
  Raycast_result cursor{Raycast_result::Kind::cell, {1, 2, 3}, {1, 3, 3}, Face::u, {}}; // id 0 in front: no row
  Mob_id const me = hand_world::mob_type("pane.me", {0.3f, 0.9f}, true);
  world.scene.player = world.scene.mobs.construct(me, {1.5f, 2.9f, 3.5f});
  world.scene.mobs.resort_mobs(world.scene);
  auto draw = [&](int frames, bool collapsed = false) {
    for (int i = 0; i < frames; ++i)
      gui.frame([&] {
        ImGui::SetNextWindowSize(ImVec2(1200, 600));
        ImGui::SetNextWindowCollapsed(collapsed);
        draw_debug_pane(graphs, {30, 1234, 3, 2, 1, 40, 12}, world.scene, cursor);
      });
    return Gui_player::drawn_text(Headless_gui::drawn("Debug"));
  };
  std::string const text = draw(30);
  EXPECT_NE(text.find("Cellsplayer123hand.stone3a1-7cursor.in123hand.stone3a1-7Profiling30FPS1.2KTriangles"),
            std::string::npos) << text;
  EXPECT_NE(text.find("mobs:1"), std::string::npos) << text;
  EXPECT_EQ(draw(2, true).find("Cells"), std::string::npos);
  EXPECT_EQ(graphs[0].next, 2u) << "collapsed frames push too";
}

TEST(Debug_pane, OpensWideEnoughForEveryLabelAndColumn) {
  hand_world::World world;
  world.load({0, 0, 0}, 0);
  world.set({1, 2, 3}, hand_world::cells().stone);
  world.scene.fmap.pages.insert({0, 0}).columns[16 * 1 + 3].l0 = -32768;
  Raycast_result cursor{Raycast_result::Kind::cell, {1, 2, 3}, {1, 3, 3}, Face::u, {}};
  Headless_gui gui({1280, 720}, true);
  std::array<Debug_pane::Graph, 7> graphs{};
  for (int i = 0; i < 4; ++i) // no stored size: the window fits itself
    gui.frame([&] { draw_debug_pane(graphs, {30, 123456, 3, 2, 1, 40, 12}, world.scene, cursor); });
  ImGuiWindow* w = Headless_gui::drawn("Debug");
  ASSERT_NE(w, nullptr);
  std::string text;
  for (auto const& g : Gui_player::drawn_glyphs(w)) // '?': cut at the window's edge
    text += g.at.Min.x >= w->InnerClipRect.Min.x && g.at.Max.x <= w->InnerClipRect.Max.x ? g.c : '?';
  EXPECT_NE(text.find("cursor.in123hand.stone0f0-32768"), std::string::npos) << text;
  for (char const* label : Debug_pane::labels) {
    std::string whole(label);
    std::erase(whole, ' ');
    EXPECT_NE(text.find(whole), std::string::npos) << label << " in " << text;
  }
}
