// The stack held at the inventory screen's pointer outlives the run: the exit
// and every autosave write it with the player, so a restart finds it held,
// and the chest, the player's slots and the hand never add up to more or
// less than there was.
#include "game/inventory_menu.hpp"
#include "world/raycast.hpp"

#include "support/gui_player.hpp"
#include "support/pipeline.hpp"
#include "support/restart.hpp"
#include "support/terrain.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace pipeline;

namespace {

glm::ivec3 const chest{5, 30, 5};
int const planks_there = 15; // 10 and 5 in the chest, none on the player

Item planks(std::int16_t n) { return Item{item_db()["basic.planks"].id, n}; }
int planks_in(Inventory const& inv) { return inv.count(planks(1).id); }

ImTextureID icon_of(Item_id id) { return reinterpret_cast<ImTextureID>(std::intptr_t{1000} + id); }

// The inventory screen over a scene, pointed at the chest, played by clicks.
struct Screen {
  Headless_gui gui{{1280, 720}};
  Raycast_result cursor;
  Inventory_kind kind = kind_container;
  Inventory_menu menu;
  Gui_player player{gui, [this] { menu.update({1280, 720}); }};

  Screen(Config const& config, Scene& scene)
      : menu({config, scene, cursor, kind, {}, {}, icon_of, [](Cell_id) { return nullptr; }}) {
    cursor.kind = Raycast_result::Kind::cell;
    cursor.cell = chest;
  }
  // A left click on slot i of the player's pane ("##left") or the chest's.
  void click(char const* pane, std::size_t i) {
    player.frames(2);
    ImGuiWindow* s = Gui_player::child(Gui_player::child(Headless_gui::drawn("###ui.inventory"), pane),
                                       ("##" + std::to_string(i)).c_str());
    ASSERT_TRUE(s && s->LastFrameActive == ImGui::GetFrameCount()) << pane << i;
    player.click(Headless_gui::centre(s));
  }
  // The planks drawn at the pointer, away from every slot.
  bool held_drawn() {
    player.hovered_at({20, 20});
    for (ImDrawCmd const& cmd : ImGui::GetForegroundDrawList()->CmdBuffer)
      if (cmd.TextureId == icon_of(planks(1).id) && cmd.ElemCount > 0) return true;
    return false;
  }
};

// Everything there is after a restart, wherever it lies.
int total(Restart const& r) {
  return planks_in(r.container(chest)) + planks_in(r.player().inventory) + r.scene->held.count;
}

} // namespace

TEST(Held_stack, ARestartFindsTheStackHeldAsTheLastSaveLeftIt) {
  enum Step { take, put_back, autosave };
  struct Case {
    char const* what;
    std::vector<Step> steps;
    bool killed; // after the steps, no destructor runs: the files are as the last autosave left them
    Item held;   // what the restart holds
    int in_chest;
  } const cases[] = {
      {"the exit with the stack held", {take}, false, planks(5), 10},
      {"the exit once it is put back", {take, put_back}, false, {}, 15},
      {"a kill after an autosave with it held", {take, autosave}, true, planks(5), 10},
      {"a kill after it is put back, unsaved", {take, autosave, put_back}, true, planks(5), 10},
      {"a kill after it is taken, unsaved", {autosave, take}, true, {}, 15},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.what);
    World w({.view = {1, 1, 1}});
    w.config.autosave_period = 1;
    w.settle();
    w.builder->change_cell(chest, cell_id("basic.chest"));
    w.settle();
    ASSERT_TRUE(w.scene->wmap.get_data(chest));
    Inventory& box = w.scene->wmap.get_data(chest)->inventory;
    box[0] = planks(10), box[1] = planks(5);
    w.page(page_of(chest))->set(Wmap_page::dirty);

    std::optional<Screen> screen(std::in_place, w.config, *w.scene);
    for (Step s : c.steps) {
      if (s == autosave) {
        *w.now += std::int64_t(120e9);
        w.frame();
        ASSERT_FALSE(w.builder->take_failed_saves().any());
      } else {
        screen->click("##right", 1);
        EXPECT_EQ(w.scene->held, s == take ? planks(5) : Item{});
      }
    }
    std::optional<Restart> r;
    if (c.killed) r.emplace(w.dir);
    screen.reset(); // before the scene, as the game's context ends
    w.close();
    if (!c.killed) r.emplace(w.dir);

    EXPECT_EQ(r->scene->held, c.held);
    EXPECT_EQ(planks_in(r->container(chest)), c.in_chest);
    EXPECT_EQ(total(*r), planks_there);

    // Opened again, the screen has the stack at the pointer; put down and
    // saved, it is in the player's slots alone.
    {
      Screen again(r->config, *r->scene);
      EXPECT_EQ(&again.menu.held(), &r->scene->held);
      EXPECT_EQ(again.held_drawn(), c.held.count > 0);
      again.click("##left", 0);
    }
    r->scene.reset();
    r->open();
    EXPECT_EQ(r->scene->held, Item{});
    EXPECT_EQ(planks_in(r->scene->player->inventory), c.held.count);
    EXPECT_EQ(total(*r), planks_there);
  }
}
