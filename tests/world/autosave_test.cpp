// What an autosave leaves for a game killed right after it: the pages and the
// player's world file of the same moment.
#include "support/blocked_saves.hpp"
#include "support/pipeline.hpp"
#include "support/restart.hpp"
#include "support/sdl_log.hpp"
#include "support/terrain.hpp"

#include <string>

using namespace pipeline;

namespace {

Item wood(std::int16_t n) { return Item{item_db()["basic.wood"].id, n}; }

void autosave(World& w) {
  *w.now += std::int64_t(120e9);
  w.frame();
}

// The chest's slot as its page file has it (0 wood when the file has no chest).
Item chest_slot(Restart const& r, glm::ivec3 cell) {
  Inventory const inv = r.container(cell);
  return inv.size() ? inv[0] : Item{};
}

} // namespace

TEST(Autosave, AKillRightAfterItFindsThePlayerAndTheChestOfThatAutosave) {
  // Each step moves the player and the wood, autosaves, and is then killed.
  struct Step {
    glm::vec3 player;
    std::int16_t in_chest; // of 15
  } const steps[] = {{{10.5f, 24.0f, 5.25f}, 15}, {{3.0f, 25.5f, 12.75f}, 0}, {{7.0f, 24.0f, 7.0f}, 15}};
  for (bool const played_before : {false, true}) {
    SCOPED_TRACE(played_before ? "a world played before" : "a new world");
    World w({.view = {1, 1, 1}});
    w.config.autosave_period = 1;
    w.settle();
    glm::ivec3 const chest{5, 30, 5};
    w.builder->change_cell(chest, cell_id("basic.chest"));
    w.settle();
    ASSERT_TRUE(w.scene->wmap.get_data(chest));
    w.scene->player->inventory[0] = wood(15);
    if (played_before) { // an older world file: the player with the wood
      w.reopen();
      w.settle();
      ASSERT_TRUE(fs::exists(w.dir / "world.mpk.gz"));
    }
    for (Step const& s : steps) {
      SCOPED_TRACE(s.in_chest);
      // As the inventory screen moves a stack.
      w.scene->wmap.get_data(chest)->inventory[0] = s.in_chest ? wood(s.in_chest) : Item{};
      w.scene->player->inventory[0] = s.in_chest ? Item{} : wood(15);
      w.page(page_of(chest))->set(Wmap_page::dirty);
      w.scene->player->body.position = s.player;
      autosave(w);
      EXPECT_FALSE(w.builder->take_failed_saves().any());
      Restart r(w.dir);
      EXPECT_EQ(r.player().body.position, s.player);
      EXPECT_EQ(chest_slot(r, chest), s.in_chest ? wood(s.in_chest) : Item{});
      EXPECT_EQ(r.player().inventory[0], s.in_chest ? Item{} : wood(15));
    }
  }
}

TEST(Autosave, AWorldFileThatCanNotBeWrittenIsNotSaved) {
  World w({.view = {1, 1, 1}});
  w.config.autosave_period = 1;
  w.settle();
  {
    auto blocked = blocked_saves::Blocked::file(w.dir / "world.mpk.gz");
    Sdl_log_capture log;
    autosave(w);
    Unsaved const failed = w.builder->take_failed_saves();
    EXPECT_EQ(describe(failed), "the player");
    EXPECT_NE(log.joined().find("Autosaving...\n"), std::string::npos);
  }
  autosave(w); // mended: written, nothing to say
  EXPECT_FALSE(w.builder->take_failed_saves().any());
  EXPECT_TRUE(fs::exists(w.dir / "world.mpk.gz"));
}

TEST(Autosave, TheEndOfTheGameWritesTheWorldFileOnce) {
  World w({.view = {1, 1, 1}});
  w.settle();
  Sdl_log_capture log;
  w.close();
  std::string const saving = "Saving " + (w.dir / "world.mpk.gz").string() + "\n";
  std::string const all = log.joined();
  std::size_t const first = all.find(saving);
  ASSERT_NE(first, std::string::npos) << all;
  EXPECT_EQ(all.find(saving, first + 1), std::string::npos) << all;
}
