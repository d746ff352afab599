// The inventory screen and the hotbar: stack moves, the palette, crafting
// and containers, by their rules and by clicks through the GUI.
#include "content/item_db.hpp"
#include "foundation/str_db.hpp"
#include "game/crafting.hpp"
#include "game/inventory_menu.hpp"
#include "game/stack_moves.hpp"
#include "world/raycast.hpp"

#include "support/gui_player.hpp"
#include "support/hand_world.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

Item_id const stone = item_db()["inv.stone"].id;
Item_id const dirt = item_db()["inv.dirt"].id;
Item_id const brick = item_db()["inv.brick"].id;

std::ostream& operator<<(std::ostream& os, Item const& i) { return os << '(' << i.id << ", " << i.count << ')'; }

Inventory inventory(std::initializer_list<Item> slots) {
  Inventory inv;
  for (Item const& i : slots) inv.slots.push_back(i);
  return inv;
}

} // namespace

TEST(Stack_moves, OneClickOnASlot) {
  struct Case {
    char const* what;
    Item held, slot;
    bool whole;
    Item held_after, slot_after;
  } const cases[] = {
      {"pick up", {}, {stone, 5}, true, {stone, 5}, {}},
      {"put down", {stone, 5}, {}, true, {}, {stone, 5}},
      {"merge", {stone, 5}, {stone, 3}, true, {}, {stone, 8}},
      {"exchange", {stone, 5}, {dirt, 2}, true, {dirt, 2}, {stone, 5}},
      {"merge up to the limit", {stone, 10}, {stone, 32760}, true, {stone, 3}, {stone, 32767}},
      {"nothing on nothing", {}, {}, true, {}, {}},
      {"take half", {}, {stone, 5}, false, {stone, 2}, {stone, 3}},
      {"no half of one", {}, {stone, 1}, false, {}, {stone, 1}},
      {"no half of nothing", {}, {}, false, {}, {}},
      {"one into an empty slot", {stone, 3}, {}, false, {stone, 2}, {stone, 1}},
      {"the last one", {stone, 1}, {}, false, {}, {stone, 1}},
      {"one onto its kind", {stone, 3}, {stone, 4}, false, {stone, 2}, {stone, 5}},
      {"one onto a full stack", {stone, 3}, {stone, 32767}, false, {stone, 3}, {stone, 32767}},
      {"one onto another kind", {stone, 3}, {dirt, 2}, false, {dirt, 2}, {stone, 3}},
  };
  for (auto const& c : cases) {
    Item held = c.held, slot = c.slot;
    drop(held, slot, c.whole);
    EXPECT_EQ(held, c.held_after) << c.what;
    EXPECT_EQ(slot, c.slot_after) << c.what;
  }
}

TEST(Stack_moves, PaletteClicksAddToTheHandOrDropIt) {
  Item held;
  struct Step {
    Item_id id;
    short n;
    Item after;
  } const steps[] = {{stone, 1, {stone, 1}}, {stone, 1, {stone, 2}},  {stone, 1, {stone, 3}},
                     {stone, 16, {stone, 19}}, {dirt, 1, {}},         {dirt, 16, {dirt, 16}}};
  for (auto const& s : steps) {
    take_from_palette(held, s.id, s.n);
    EXPECT_EQ(held, s.after);
  }
  held = {stone, 32760};
  take_from_palette(held, stone, 16);
  EXPECT_EQ(held, (Item{stone, 32767}));
}

TEST(Crafting, TakesTheInputsOnlyWhenTheResultFits) {
  Recipe const bricks{{brick, 1}, inventory({{stone, 2}})};
  Recipe const twice{{brick, 1}, inventory({{stone, 1}, {stone, 1}})};
  struct Case {
    char const* what;
    Inventory before;
    Recipe const& recipe;
    bool afforded, made;
    Inventory after;
  } const cases[] = {
      {"afforded", inventory({{stone, 3}, {}}), bricks, true, true, inventory({{stone, 1}, {brick, 1}})},
      {"too few", inventory({{stone, 1}, {}}), bricks, false, false, inventory({{stone, 1}, {}})},
      {"spread over slots", inventory({{stone, 1}, {stone, 1}, {}}), bricks, true, true,
       inventory({{brick, 1}, {}, {}})},
      {"a kind listed twice is needed twice", inventory({{stone, 1}, {}}), twice, false, false,
       inventory({{stone, 1}, {}})},
      {"no room", inventory({{stone, 5}, {dirt, 1}}), bricks, true, false, inventory({{stone, 5}, {dirt, 1}})},
      {"room made by the inputs", inventory({{stone, 2}, {dirt, 1}}), bricks, true, true,
       inventory({{brick, 1}, {dirt, 1}})},
      {"a full stack of the result", inventory({{stone, 2}, {brick, 32767}, {}}), bricks, true, false,
       inventory({{stone, 2}, {brick, 32767}, {}})},
  };
  for (auto const& c : cases) {
    Inventory inv = c.before;
    EXPECT_EQ(affords(inv, c.recipe), c.afforded) << c.what;
    EXPECT_EQ(craft(inv, c.recipe), c.made) << c.what;
    EXPECT_TRUE(inv == c.after) << c.what;
  }
}

namespace {

ImTextureID texture(std::intptr_t name) { return reinterpret_cast<ImTextureID>(name); }
ImTextureID icon_of(Item_id id) { return texture(1000 + id); }
ImTextureID const frame_image = texture(7);

bool draws(ImDrawList const* list, ImTextureID t) {
  for (ImDrawCmd const& cmd : list->CmdBuffer)
    if (cmd.TextureId == t && cmd.ElemCount > 0) return true;
  return false;
}

struct Screen : testing::Test {
  static constexpr glm::ivec2 display{1280, 720};
  Headless_gui gui{{display.x, display.y}};
  hand_world::World world;
  Mob* player = nullptr;
  Raycast_result cursor;
  Inventory_kind kind = kind_palette;
  std::vector<std::string> sounds;
  int callbacks = 0;
  std::unordered_map<Cell_id, std::vector<Recipe>> recipes;
  Inventory_menu menu{{world.config, world.scene, cursor, kind, [this](char const* s) { sounds.push_back(s); },
                       [this] { ++callbacks; }, icon_of,
                       [this](Cell_id c) -> std::vector<Recipe> const* {
                         auto it = recipes.find(c);
                         return it == recipes.end() ? nullptr : &it->second;
                       },
                       frame_image}};
  bool hotbar = false;
  int selected = -1;
  Gui_player player_gui{gui, [this] {
                          if (hotbar)
                            menu.hotbar(selected, display);
                          else
                            menu.update(display);
                        }};

  Screen() {
    str_db().strings.clear();
    world.config.ui_scale = 3;
    player = world.scene.mobs.construct(hand_world::mob_type("inv.player", {0.3f, 0.9f}, true), {0.5f, 1.0f, 0.5f});
    player->inventory = Inventory(8);
    world.scene.player = player;
  }
  ~Screen() override { str_db().strings.clear(); }

  Item& held() { return menu.held(); }
  static ImGuiWindow* slot(ImGuiWindow* pane, std::size_t i) {
    return Gui_player::child(pane, ("##" + std::to_string(i)).c_str());
  }
  ImGuiWindow* pane(char const* name) {
    return Gui_player::child(Headless_gui::drawn("###ui.inventory"), name);
  }
  void click(char const* pane_name, std::size_t i, int button = 0) {
    player_gui.frames(2);
    ImGuiWindow* s = slot(pane(pane_name), i);
    ASSERT_NE(s, nullptr) << pane_name << " " << i;
    ASSERT_EQ(s->LastFrameActive, ImGui::GetFrameCount()) << pane_name << " " << i;
    player_gui.click(Headless_gui::centre(s), button);
  }
};

} // namespace

TEST_F(Screen, PlayerSlotsMoveStacksThroughTheHand) {
  kind = Inventory_kind(99); // no right pane
  player->inventory[0] = {stone, 5};
  click("##left", 0);
  EXPECT_EQ(held(), (Item{stone, 5}));
  EXPECT_EQ(player->inventory[0], Item{});
  click("##left", 3, 1);
  EXPECT_EQ(player->inventory[3], (Item{stone, 1}));
  click("##left", 3);
  EXPECT_EQ(player->inventory[3], (Item{stone, 5}));
  EXPECT_EQ(held(), Item{});
  EXPECT_EQ(sounds, std::vector<std::string>(3, "ui.move_item"));
}

TEST_F(Screen, TheHeldStackFollowsThePointerAndSlotsNameTheirItems) {
  held() = {stone, 5};
  player->inventory[1] = {dirt, 1};
  player_gui.frames(2);
  ImGuiWindow* s = slot(pane("##left"), 1);
  ASSERT_NE(s, nullptr);
  player_gui.move(Headless_gui::centre(s));
  player_gui.frame();
  ImDrawList const* top = ImGui::GetForegroundDrawList();
  ASSERT_TRUE(draws(top, icon_of(stone)));
  ImVec2 const corner = top->VtxBuffer[0].pos;
  EXPECT_NEAR(corner.x, Headless_gui::centre(s).x - 24, 0.5f);
  EXPECT_NEAR(corner.y, Headless_gui::centre(s).y - 24, 0.5f);
  EXPECT_TRUE(draws(s->DrawList, icon_of(dirt)));
  ImGuiWindow* tip = Headless_gui::drawn("##Tooltip_00");
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(Gui_player::drawn_text(tip), "inv.dirt") << "the tooltip's key is the full name";

  held() = {};
  player_gui.frame();
  EXPECT_FALSE(draws(ImGui::GetForegroundDrawList(), icon_of(stone)));
}

TEST_F(Screen, PaletteClicksFillOrEmptyTheHand) {
  kind = kind_palette;
  for (int i = 0; i < 3; ++i) click("##right", stone - 1u);
  EXPECT_EQ(held(), (Item{stone, 3}));
  click("##right", stone - 1u, 1);
  EXPECT_EQ(held(), (Item{stone, 19}));
  click("##right", dirt - 1u);
  EXPECT_EQ(held(), Item{}) << "another kind drops the held stack";
  EXPECT_EQ(sounds.size(), 5u);
}

TEST_F(Screen, RecipesCraftWhenTheInputsAreThere) {
  recipes[0] = {Recipe{{brick, 2}, inventory({{stone, 2}})}};
  kind = kind_hand_recipes;
  player->inventory[0] = {stone, 1};
  click("##right", 0);
  EXPECT_EQ(player->inventory[0], (Item{stone, 1})) << "not afforded: nothing happens";
  EXPECT_TRUE(sounds.empty());
  click("##right", 0, 1);
  EXPECT_EQ(player->inventory[0], (Item{stone, 1})) << "the right button does nothing on a recipe";

  player->inventory[0] = {stone, 3};
  click("##right", 0);
  EXPECT_EQ(player->inventory[0], (Item{stone, 1}));
  EXPECT_EQ(player->inventory[1], (Item{brick, 2}));
  EXPECT_EQ(sounds, std::vector<std::string>{"ui.move_item"});
  EXPECT_EQ(held(), Item{});
}

TEST_F(Screen, TargetRecipesFollowThePointedCell) {
  Cell_id const bench = hand_world::cells().glass;
  recipes[bench] = {Recipe{{brick, 1}, inventory({{stone, 1}})}, Recipe{{dirt, 1}, inventory({{stone, 1}})}};
  kind = kind_target_recipes;
  player->inventory[0] = {stone, 2};
  cursor.kind = Raycast_result::Kind::cell;
  cursor.cell = {1, 2, 3};
  world.load({0, 0, 0});
  world.set(cursor.cell, bench);
  click("##right", 1);
  EXPECT_EQ(player->inventory[1], (Item{dirt, 1}));

  world.wmap.erase({0, 0, 0}); // an unloaded page: the recipes of type 0, none here
  player_gui.frames(2);
  EXPECT_EQ(slot(pane("##right"), 0)->LastFrameActive < ImGui::GetFrameCount(), true);
}

TEST_F(Screen, ContainerClicksRunTheCallbackAndMarkCellPages) {
  kind = kind_container;
  Wmap_page& page = world.load({0, 0, 0});
  glm::ivec3 const chest{4, 5, 6};
  page.data[static_cast<std::int16_t>(cell_index(chest.x, chest.y, chest.z))].inventory =
      inventory({{}, {stone, 4}, {}, {}});
  cursor.kind = Raycast_result::Kind::cell;
  cursor.cell = chest;
  click("##right", 1);
  EXPECT_EQ(held(), (Item{stone, 4}));
  EXPECT_EQ(callbacks, 1);
  EXPECT_TRUE(page.has(Wmap_page::dirty));
  EXPECT_EQ(sounds, std::vector<std::string>{"ui.move_item"});

  // A mob's inventory: its callback runs, no page is marked.
  page.clear(Wmap_page::dirty);
  Mob* mule = world.scene.mobs.construct(hand_world::mob_type("inv.mule", {0.4f, 0.4f}, true), {2.5f, 2.5f, 2.5f});
  mule->inventory = Inventory(2);
  cursor.kind = Raycast_result::Kind::mob;
  cursor.mob = mule->ref();
  click("##right", 1, 1);
  EXPECT_EQ(mule->inventory[1], (Item{stone, 1}));
  EXPECT_EQ(held(), (Item{stone, 3}));
  EXPECT_EQ(callbacks, 2);
  EXPECT_FALSE(page.has(Wmap_page::dirty));

  // A cell without container data shows nothing.
  cursor.kind = Raycast_result::Kind::cell;
  cursor.cell = chest + 1;
  player_gui.frames(2);
  EXPECT_LT(slot(pane("##right"), 0)->LastFrameActive, ImGui::GetFrameCount());
}

TEST_F(Screen, TheHotbarFramesTheHandSlotSixteenToARow) {
  hotbar = true;
  player->inventory = Inventory(20);
  player->inventory[5] = {dirt, 3};
  selected = 3; // an empty slot is framed too
  player_gui.frames(2);
  ImGuiWindow* bar = Headless_gui::drawn("###ui.hotbar");
  ASSERT_NE(bar, nullptr);
  EXPECT_NEAR(Headless_gui::centre(bar).x, 640, 0.5f);
  EXPECT_NEAR(Headless_gui::centre(bar).y, 720 - 45, 0.5f);
  EXPECT_EQ(bar->Size.x, 960);
  ImGuiWindow* first = slot(bar, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Size.x, 48);
  for (std::size_t i = 1; i < 20; ++i) {
    ImGuiWindow* s = slot(bar, i);
    ASSERT_NE(s, nullptr) << i;
    if (i < 16) {
      EXPECT_EQ(s->Pos.y, first->Pos.y) << i;
      EXPECT_GT(s->Pos.x, slot(bar, i - 1)->Pos.x) << i;
    } else {
      EXPECT_EQ(s->Pos.x, slot(bar, i - 16)->Pos.x) << i;
      EXPECT_GT(s->Pos.y, first->Pos.y + 40) << "a second row, below the bar's own height";
    }
    EXPECT_EQ(draws(s->DrawList, frame_image), i == 3u) << i;
  }
  EXPECT_TRUE(draws(slot(bar, 5)->DrawList, icon_of(dirt)));
}
