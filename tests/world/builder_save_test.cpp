// What the pipeline writes when it ends, and what it keeps when it can't.
#include "support/blocked_saves.hpp"
#include "support/page_edits.hpp"
#include "support/pipeline.hpp"
#include "support/sdl_log.hpp"
#include "support/terrain.hpp"

#include <fstream>
#include <optional>

using namespace pipeline;

TEST(Builder_save, AnEditSurvivesTheEndOfTheGame) {
  World w({.view = {1, 1, 1}});
  w.settle();
  glm::ivec3 const lamp{6, 25, 9}, p = page_of(lamp);
  w.builder->change_cell(lamp, cell_id("basic.lamp"));
  w.settle();
  std::vector<Light> const light(w.page(p)->light.data(), w.page(p)->light.data() + page_cells);
  Sdl_log_capture log;
  w.reopen();
  EXPECT_NE(log.joined().find("Cleaning up...\n"), std::string::npos);
  EXPECT_NE(log.joined().find(" operations done in "), std::string::npos);
  w.settle();
  EXPECT_EQ(w.cell(lamp), cell_id("basic.lamp"));
  EXPECT_EQ(std::vector<Light>(w.page(p)->light.data(), w.page(p)->light.data() + page_cells), light);

  // Saved in the middle of its light: the light is finished first.
  w.builder->change_cell(lamp, cell_id("basic.none"));
  w.frame();
  ASSERT_EQ(w.stage(p), 2);
  w.builder.reset();
  EXPECT_EQ(w.stage(p), 5);
  EXPECT_FALSE(w.page(p)->has(Wmap_page::dirty));

  // No statistics when no frame ran an operation.
  log.lines.clear();
  w.builder = std::make_unique<Builder>(*w.scene, w.jobs(), w.clock());
  w.builder.reset();
  EXPECT_EQ(log.joined(), "Cleaning up...\n");
}

TEST(Builder_save, AFailedSaveKeepsTheDirtyBitAndIsReportedOnce) {
  World w({.view = {1, 1, 1}});
  w.config.autosave_period = 1;
  w.settle();
  glm::ivec3 const at{6, 25, 9}, p = page_of(at);
  w.builder->change_cell(at, cell_id("basic.stone"));
  std::ofstream(w.dir / "cells") << "in the way"; // no directory can be made there
  auto dirty_pages = [&w] {
    Unsaved u;
    w.scene->wmap.for_each([&u](glm::ivec3, Wmap_page const& page) { u.cell_pages += page.has(Wmap_page::dirty); });
    return u;
  };
  Unsaved const all_cells = dirty_pages();
  ASSERT_GT(all_cells.cell_pages, 0);
  Sdl_log_capture log;
  *w.now += std::int64_t(120e9);
  w.frame();
  EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
  EXPECT_EQ(describe(w.builder->take_failed_saves()), describe(all_cells));
  EXPECT_FALSE(w.builder->take_failed_saves().any()); // said once
  fs::remove(w.dir / "cells");
  *w.now += std::int64_t(120e9);
  w.frame(); // the next autosave writes it
  EXPECT_FALSE(w.page(p)->has(Wmap_page::dirty));
  EXPECT_TRUE(fs::exists(cell_path(w.dir, p)));
  EXPECT_FALSE(w.builder->take_failed_saves().any());
  w.builder->change_cell(at, cell_id("basic.dirt"));
  fs::rename(w.dir / "cells", w.dir / "cells.old");
  std::ofstream(w.dir / "cells") << "in the way";
  Unsaved const edited = dirty_pages(); // the edited page and those its light reaches
  w.builder.reset(); // the last save fails too
  EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
  EXPECT_EQ(describe(w.scene->unsaved), describe(edited));

  // The scene's end hands on the builder's failures with its own.
  fs::remove(w.dir / "world.mpk.gz"); // as the autosaves wrote it
  fs::create_directories(w.dir / "world.mpk.gz"); // the player's file can't replace a folder
  std::optional<Unsaved> closed;
  w.scene->on_closed = [&closed](Unsaved const& u) { closed = u; };
  w.scene.reset();
  ASSERT_TRUE(closed);
  Unsaved with_player = edited;
  with_player.player = true;
  EXPECT_EQ(describe(*closed), describe(with_player));
  EXPECT_TRUE(fs::is_directory(w.dir / "world.mpk.gz"));
}

TEST(Builder_save, PagesHeldForWantOfRoomAreReportedAtTheEndAndTheirOldFilesStay) {
  glm::ivec3 const start{0, 1, 0}, west{-1, 1, 0};
  for (bool const by_view : {false, true}) {
    SCOPED_TRACE(by_view ? "the view shrinks" : "the player walks away");
    World w({.view = {1, 1, 1}});
    w.config.autosave_period = 1;
    w.settle();
    page_edits::Edits e(west);
    e.make(w);
    *w.now += std::int64_t(120e9);
    w.frame(); // the files the failed saves must leave alone
    std::vector<fs::path> const files{cell_path(w.dir, west), mob_path(w.dir, west), flat_path(w.dir, e.flat())};
    std::vector<std::string> old;
    for (fs::path const& f : files) old.push_back(terrain::read_gz(f));
    w.builder->change_cell(west * 16 + glm::ivec3(2, 14, 2), cell_id("basic.wood")); // its column rises too
    w.settle();
    std::vector<blocked_saves::Blocked> full;
    for (fs::path const& f : files) full.push_back(blocked_saves::Blocked::file(f));
    if (by_view) {
      w.config.view_distance = {0, 1, 1};
      w.frame();
    } else {
      w.scene->player->body.position = glm::vec3((start + glm::ivec3(1, 0, 0)) * 16 + 8);
      for (int i = 0; i < 30; ++i) w.frame();
    }
    w.scene->mobs.resort_mobs(*w.scene);
    ASSERT_FALSE(w.page(west));
    EXPECT_TRUE(e.hopper) << "held";
    w.builder.reset();
    EXPECT_EQ(describe(w.scene->unsaved), "1 cell page, 1 mob page and 1 flat page");
    EXPECT_FALSE(e.hopper) << "ended with the builder";
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(terrain::read_gz(files[i]), old[i]) << files[i];
  }
}

TEST(Unsaved, NamesEveryKindThatFailed) {
  struct Case { Unsaved unsaved; char const* text; } const cases[] = {
      {{}, ""},
      {{.cell_pages = 1}, "1 cell page"},
      {{.mob_pages = 2, .player = true}, "2 mob pages and the player"},
      {{.cell_pages = 3, .mob_pages = 1, .flat_pages = 2, .player = true},
       "3 cell pages, 1 mob page, 2 flat pages and the player"},
      {{.flat_pages = 1, .stopped = true}, "1 flat page and the pages after the error"},
  };
  for (auto const& c : cases) {
    EXPECT_EQ(describe(c.unsaved), c.text);
    EXPECT_EQ(c.unsaved.any(), *c.text != '\0') << c.text;
  }
  Unsaved sum{.cell_pages = 1};
  sum += Unsaved{.cell_pages = 2, .player = true};
  EXPECT_EQ(describe(sum), "3 cell pages and the player");
}
