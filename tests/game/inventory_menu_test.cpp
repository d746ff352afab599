// The inventory screen and the hotbar: stack moves, the palette, crafting
// and containers, by their rules and by clicks through the GUI.
#include "content/item_db.hpp"
#include "foundation/str_db.hpp"
#include "game/crafting.hpp"
#include "game/inventory_menu.hpp"
#include "game/slot_layout.hpp"
#include "game/stack_moves.hpp"
#include "world/raycast.hpp"

#include "support/gui_player.hpp"
#include "support/hand_world.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

Item_id const stone = item_db()["inv.stone"].id, dirt = item_db()["inv.dirt"].id, brick = item_db()["inv.brick"].id;

Inventory slots(std::initializer_list<Item> items) {
  Inventory inv;
  for (Item const& i : items) inv.slots.push_back(i);
  return inv;
}

} // namespace

TEST(Stack_moves, OneClickOnASlot) {
  struct Case { Item held, slot; bool whole; Item held_after, slot_after; } const cases[] = {
      {{}, {stone, 5}, true, {stone, 5}, {}},                         // pick up
      {{stone, 5}, {stone, 3}, true, {}, {stone, 8}},                 // merge
      {{stone, 5}, {dirt, 2}, true, {dirt, 2}, {stone, 5}},           // exchange
      {{stone, 10}, {stone, 32760}, true, {stone, 3}, {stone, 32767}}, // the rest stays held
      {{}, {stone, 5}, false, {stone, 2}, {stone, 3}},                // half
      {{}, {stone, 1}, false, {}, {stone, 1}},                        // no half of one
      {{stone, 3}, {}, false, {stone, 2}, {stone, 1}},                // one down
      {{stone, 1}, {stone, 4}, false, {}, {stone, 5}},                // the last one
      {{stone, 3}, {stone, 32767}, false, {stone, 3}, {stone, 32767}}, // no room for one
      {{stone, 3}, {dirt, 2}, false, {dirt, 2}, {stone, 3}},          // exchange
  };
  for (auto const& c : cases) {
    Item held = c.held, slot = c.slot;
    drop(held, slot, c.whole);
    EXPECT_TRUE(held == c.held_after && slot == c.slot_after) << c.held.count << " on " << c.slot.count << c.whole;
  }
  Item held{stone, 32760};
  take_from_palette(held, stone, 16);
  EXPECT_EQ(held.count, 32767);
}

TEST(Crafting, TakesTheInputsOnlyWhenTheResultFits) {
  Recipe const bricks{{brick, 1}, slots({{stone, 2}})};
  Recipe const twice{{brick, 1}, slots({{stone, 1}, {stone, 1}})};
  struct Case { Inventory before; Recipe const& recipe; bool afforded; Inventory after; } const cases[] = {
      {slots({{stone, 3}, {}}), bricks, true, slots({{stone, 1}, {brick, 1}})},
      {slots({{stone, 1}, {stone, 1}, {}}), bricks, true, slots({{brick, 1}, {}, {}})},
      {slots({{stone, 1}, {}}), bricks, false, slots({{stone, 1}, {}})},
      {slots({{stone, 1}, {}}), twice, false, slots({{stone, 1}, {}})}, // a kind listed twice is needed twice
      {slots({{stone, 5}, {dirt, 1}}), bricks, true, slots({{stone, 5}, {dirt, 1}})},   // no room
      {slots({{stone, 2}, {dirt, 1}}), bricks, true, slots({{brick, 1}, {dirt, 1}})},   // room made by the inputs
      {slots({{stone, 2}, {brick, 32767}, {}}), bricks, true, slots({{stone, 2}, {brick, 32767}, {}})},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    Inventory inv = cases[i].before;
    EXPECT_EQ(affords(inv, cases[i].recipe), cases[i].afforded) << i;
    bool const made = craft(inv, cases[i].recipe);
    EXPECT_EQ(made, !(inv == cases[i].before)) << i;
    EXPECT_TRUE(inv == cases[i].after) << i;
  }
}

namespace {

ImTextureID icon_of(Item_id id) { return reinterpret_cast<ImTextureID>(std::intptr_t{1000} + id); }
ImTextureID const frame_image = reinterpret_cast<ImTextureID>(std::intptr_t{7});

bool draws(ImDrawList const* list, ImTextureID t) {
  for (ImDrawCmd const& cmd : list->CmdBuffer)
    if (cmd.TextureId == t && cmd.ElemCount > 0) return true;
  return false;
}

struct Screen : testing::Test {
  Headless_gui gui{{1280, 720}, true}; // the game's font: counts as wide as they are drawn
  hand_world::World world;
  Mob* me = world.scene.mobs.construct(hand_world::mob_type("inv.me", {0.3f, 0.9f}, true), {0.5f, 1.0f, 0.5f});
  Raycast_result cursor;
  Inventory_kind kind = kind_palette;
  std::vector<Recipe> recipes;
  int sounds = 0, callbacks = 0;
  Inventory_menu menu{{world.config, world.scene, cursor, kind, [this](char const*) { ++sounds; },
                       [this] { ++callbacks; }, icon_of, [this](Cell_id) { return &recipes; }, frame_image}};
  int hotbar = -2; // the selected slot when the hotbar is drawn instead
  Gui_player player{gui, [this] { hotbar > -2 ? menu.hotbar(hotbar, {1280, 720}) : menu.update({1280, 720}); }};

  Screen() {
    str_db().strings.clear();
    world.config.ui_scale = 3;
    me->inventory = Inventory(8);
    world.scene.player = me;
  }
  ~Screen() override { str_db().strings.clear(); }

  ImGuiWindow* slot(char const* pane, std::size_t i) {
    player.frames(2);
    ImGuiWindow* s = Gui_player::child(Gui_player::child(Headless_gui::drawn("###ui.inventory"), pane),
                                       ("##" + std::to_string(i)).c_str());
    return s && s->LastFrameActive == ImGui::GetFrameCount() ? s : nullptr;
  }
  void click(char const* pane, std::size_t i, int button = 0) {
    ImGuiWindow* s = slot(pane, i);
    ASSERT_NE(s, nullptr) << pane << i;
    player.click(Headless_gui::centre(s), button);
  }
};

} // namespace

TEST_F(Screen, SlotsMoveStacksThroughTheHeldItemAtThePointer) {
  me->inventory[0] = {stone, 5};
  click("##left", 0);
  click("##left", 3, 1);
  EXPECT_TRUE(menu.held() == (Item{stone, 4}) && me->inventory[3] == (Item{stone, 1}));
  ImDrawList const* top = ImGui::GetForegroundDrawList();
  ASSERT_TRUE(draws(top, icon_of(stone)));
  EXPECT_EQ(top->VtxBuffer[0].pos.x, ImGui::GetIO().MousePos.x - 24);
  player.frames(); // a tooltip fits its text from its second frame
  EXPECT_EQ(Gui_player::drawn_text(Headless_gui::drawn("##Tooltip_00")), "inv.stone") << "keyed by the full name";

  // The palette: three of a kind, sixteen more, another kind drops them.
  for (int i = 0; i < 3; ++i) click("##right", stone - 1u);
  click("##right", stone - 1u, 1);
  EXPECT_EQ(menu.held(), (Item{stone, 23}));
  click("##right", dirt - 1u);
  EXPECT_EQ(menu.held(), Item{});
  EXPECT_EQ(sounds, 7);
}

TEST_F(Screen, RecipesCraftOnlyWhatTheInputsAllow) {
  recipes = {Recipe{{brick, 2}, slots({{stone, 2}})}};
  kind = kind_target_recipes;
  EXPECT_EQ(slot("##right", 0), nullptr) << "no target cell, no recipes";
  kind = kind_hand_recipes;
  me->inventory[0] = {stone, 3};
  click("##right", 0);
  click("##right", 0, 1); // the right button does nothing here
  EXPECT_TRUE(me->inventory[0] == (Item{stone, 1}) && me->inventory[1] == (Item{brick, 2}) && sounds == 1);
}

TEST_F(Screen, ContainerClicksRunTheCallbackAndMarkCellPages) {
  kind = kind_container;
  Wmap_page& page = world.load({0, 0, 0});
  page.data[cell_index(4, 5, 6)].inventory = slots({{}, {stone, 4}});
  cursor.kind = Raycast_result::Kind::cell;
  cursor.cell = {4, 5, 6};
  click("##right", 1);
  EXPECT_TRUE(menu.held() == (Item{stone, 4}) && callbacks == 1 && page.has(Wmap_page::dirty) && sounds == 1);

  page.clear(Wmap_page::dirty);
  Mob* mule = world.scene.mobs.construct(hand_world::mob_type("inv.mule", {0.4f, 0.4f}, true), {2.5f, 2.5f, 2.5f});
  mule->inventory = Inventory(2);
  cursor.kind = Raycast_result::Kind::mob;
  cursor.mob = mule->ref();
  click("##right", 1, 1);
  EXPECT_TRUE(mule->inventory[1] == (Item{stone, 1}) && callbacks == 2 && !page.has(Wmap_page::dirty));

  cursor.kind = Raycast_result::Kind::cell;
  cursor.cell = {4, 5, 7}; // no container there
  EXPECT_EQ(slot("##right", 0), nullptr);
}

TEST_F(Screen, TheHotbarFramesTheHandSlotSixteenToARow) {
  me->inventory = Inventory(20);
  me->inventory[5] = {dirt, 3};
  hotbar = 3; // empty, and framed all the same
  player.frames(2);
  ImGuiWindow* bar = Headless_gui::drawn("###ui.hotbar");
  ASSERT_NE(bar, nullptr);
  auto at = [&](std::size_t i) { return Gui_player::child(bar, ("##" + std::to_string(i)).c_str()); };
  EXPECT_TRUE(at(15)->Pos.y == at(0)->Pos.y && at(15)->Pos.x > at(14)->Pos.x);
  EXPECT_TRUE(at(16)->Pos.x == at(0)->Pos.x && at(16)->Pos.y > at(0)->Pos.y + 40);
  for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(draws(at(i)->DrawList, frame_image), i == 3u) << i;
  EXPECT_TRUE(draws(at(5)->DrawList, icon_of(dirt)));
}

TEST(Slot_layout, CountsSitRightAlignedAndShrinkOnlyToStayWhole) {
  struct Case { float slot; glm::vec2 text; Count_layout wanted; } const cases[] = {
      {48, {13, 20}, {{35, 24}, 1}},      // one digit at the usual scale
      {48, {38, 20}, {{10, 24}, 1}},      // three
      {48, {96, 20}, {{0, 24}, 0.5f}},    // too wide: half size
      {16, {7, 20}, {{10.4f, 0}, 0.8f}},  // taller than the slot
      {16, {16, 8}, {{0, 8}, 1}},         // exactly as wide
      {16, {0, 0}, {{16, 8}, 1}},         // nothing to show
  };
  for (auto const& c : cases) {
    Count_layout const got = count_layout(c.slot, c.text);
    EXPECT_NEAR(got.scale, c.wanted.scale, 1e-5f) << c.slot << " " << c.text.x;
    EXPECT_NEAR(got.at.x, c.wanted.at.x, 1e-4f) << c.slot << " " << c.text.x;
    EXPECT_NEAR(got.at.y, c.wanted.at.y, 1e-4f) << c.slot << " " << c.text.x;
  }
  EXPECT_EQ(row_width(16, 48, 8), 16 * 48 + 15 * 8);
  EXPECT_EQ(row_width(1, 16, 8), 16);
  EXPECT_EQ(row_width(0, 16, 8), 0);
}

TEST_F(Screen, CountsShowWholeInTheirSlotsAndTheHotbarAllSixteenAtEveryScale) {
  me->inventory = Inventory(16);
  auto whole = [](ImGuiWindow const* slot, std::vector<Gui_player::Glyph> const& glyphs) {
    std::string text;
    for (auto const& g : glyphs) text += slot->InnerClipRect.Contains(g.at) ? g.c : '?'; // '?': cut
    return text;
  };
  for (int scale : {1, 2, 3}) {
    world.config.ui_scale = scale;
    for (int count : {7, 112, 32767}) {
      // The fourth column of the screen's pane, and the hotbar's last slot.
      me->inventory[3] = me->inventory[15] = {stone, static_cast<std::int16_t>(count)};
      hotbar = -2;
      ImGuiWindow* const in_pane = slot("##left", 3);
      ASSERT_NE(in_pane, nullptr);
      EXPECT_EQ(whole(in_pane, Gui_player::drawn_glyphs(in_pane)), std::to_string(count)) << "scale " << scale;
      hotbar = 0;
      player.frames(2);
      ImGuiWindow* const bar = Headless_gui::drawn("###ui.hotbar");
      ASSERT_NE(bar, nullptr);
      ImGuiWindow* const last = Gui_player::child(bar, "##15");
      EXPECT_EQ(whole(last, Gui_player::drawn_glyphs(last)), std::to_string(count)) << "hotbar, scale " << scale;
      for (std::size_t i = 0; i < 16; ++i)
        EXPECT_TRUE(bar->InnerClipRect.Contains(Gui_player::child(bar, ("##" + std::to_string(i)).c_str())->Rect()))
            << "hotbar slot " << i << " cut at scale " << scale;
    }
  }
}
