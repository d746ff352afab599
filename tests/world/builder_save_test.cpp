// What the pipeline writes when it ends, and what it keeps when it can't.
#include "support/pipeline.hpp"
#include "support/sdl_log.hpp"

#include <fstream>

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

TEST(Builder_save, AFailedSaveKeepsTheDirtyBit) {
  World w({.view = {1, 1, 1}});
  w.config.autosave_period = 1;
  w.settle();
  glm::ivec3 const at{6, 25, 9}, p = page_of(at);
  w.builder->change_cell(at, cell_id("basic.stone"));
  std::ofstream(w.dir / "cells") << "in the way"; // no directory can be made there
  Sdl_log_capture log;
  *w.now += std::int64_t(120e9);
  w.frame();
  EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
  fs::remove(w.dir / "cells");
  *w.now += std::int64_t(120e9);
  w.frame(); // the next autosave writes it
  EXPECT_FALSE(w.page(p)->has(Wmap_page::dirty));
  EXPECT_TRUE(fs::exists(cell_path(w.dir, p)));
  w.builder->change_cell(at, cell_id("basic.dirt"));
  fs::rename(w.dir / "cells", w.dir / "cells.old");
  std::ofstream(w.dir / "cells") << "in the way";
  w.builder.reset(); // the last save fails too
  EXPECT_TRUE(w.page(p)->has(Wmap_page::dirty));
}
