// Pages that leave the loaded world while their saves fail: held apart with
// their mobs, saved again at each autosave, released once written, and put
// back whole when the view comes back to them first.
#include "support/blocked_saves.hpp"
#include "support/page_edits.hpp"
#include "support/pipeline.hpp"
#include "support/terrain.hpp"
#include "support/world.hpp"
#include "world/held_pages.hpp"

#include <algorithm>
#include <string>

using namespace pipeline;
using blocked_saves::Blocked;
using page_edits::Edits;

namespace {

glm::ivec3 const start{0, 1, 0}, west{-1, 1, 0};

// How the page west of the player's leaves the loaded world: the player
// walks a page east (the box follows on the 30th frame), or the view
// distance shrinks to the centre's column.
enum class Way { walk, view };
char const* name(Way way) { return way == Way::walk ? "walk" : "view"; }

void frames_on(World& w, glm::ivec3 p, int n) {
  w.scene->player->body.position = glm::vec3(p * 16 + 8);
  while (n-- > 0) w.frame();
}

// A frame's end as the game has it: the mobs regrouped.
void regroup(World& w) { w.scene->mobs.resort_mobs(*w.scene); }

void leave(World& w, Way way) {
  if (way == Way::walk) frames_on(w, start + glm::ivec3(1, 0, 0), 30);
  else w.config.view_distance = {0, 1, 1}, w.frame();
  regroup(w);
}

// Back by the way it left, or (`view` after a walk) by a wider view.
void come_back(World& w, Way left, Way back) {
  if (back == Way::walk) frames_on(w, start, 30);
  else w.config.view_distance = left == Way::walk ? glm::ivec3(2, 1, 1) : glm::ivec3(1, 1, 1), w.frame();
  w.settle();
  regroup(w);
}

void autosave(World& w) {
  *w.now += std::int64_t(120e9);
  w.frame();
  regroup(w);
}

bool in_scene(World& w, Mob_ref const& m) {
  return std::any_of(w.scene->mobs.begin(), w.scene->mobs.end(), [&](auto const& p) { return p.get() == m.get(); });
}

// A small world whose west page carries every kind of edit.
struct Edited {
  World w{{.view = {1, 1, 1}}};
  Edits edits{west};
  Edited() {
    w.config.autosave_period = 1;
    w.settle();
    edits.make(w);
  }
};

} // namespace

TEST(Held_pages_in_play, APageWhoseSaveFailedIsSavedOnceTheFolderIsMended) {
  struct Case {
    std::vector<char const*> folders; // those that can't be written
    bool page_held;                   // the cell page (not only its flat page)
  };
  Case const cases[] = {
      {{"cells"}, true}, {{"mobs"}, true}, {{"flat"}, false}, {{"cells", "mobs", "flat"}, true}};
  for (Way way : {Way::walk, Way::view})
    for (Case const& c : cases) {
      SCOPED_TRACE(std::string(name(way)) + " " + c.folders[0] + " " + std::to_string(c.folders.size()));
      Edited e;
      World& w = e.w;
      {
        std::vector<Blocked> blocks;
        for (char const* f : c.folders) blocks.push_back(Blocked::folder(w.dir / f));
        leave(w, way);
        EXPECT_FALSE(w.page(west));
        EXPECT_TRUE(w.builder->take_failed_saves().any());
        // Held with its page: out of the world, neither stepped nor dropped.
        EXPECT_EQ(bool(e.edits.hopper), c.page_held);
        EXPECT_FALSE(in_scene(w, e.edits.hopper));
        autosave(w); // still no room: tried again, said again
        EXPECT_EQ(bool(e.edits.hopper), c.page_held);
        EXPECT_TRUE(w.builder->take_failed_saves().any());
      }
      autosave(w);
      EXPECT_FALSE(w.builder->take_failed_saves().any());
      EXPECT_FALSE(e.edits.hopper) << "released once written";
      e.edits.expect_in_files(w.dir);
    }
}

TEST(Held_pages_in_play, APageThatComesBackBeforeItIsSavedIsTheHeldOne) {
  struct Case {
    Way left, back;
  } const cases[] = {{Way::walk, Way::walk}, {Way::view, Way::view}, {Way::walk, Way::view}};
  for (Case const& c : cases) {
    SCOPED_TRACE(std::string(name(c.left)) + " back by " + name(c.back));
    Edited e;
    World& w = e.w;
    Wmap_page const* const page = w.page(west);
    {
      Blocked cells = Blocked::folder(w.dir / "cells"), mobs = Blocked::folder(w.dir / "mobs"),
              flat = Blocked::folder(w.dir / "flat");
      leave(w, c.left);
      ASSERT_FALSE(w.page(west));
    }
    // Stale files where the page's own belong, which can't be replaced yet
    // (a view change saves everything first): none may stand in for it.
    Wmap_page air;
    ASSERT_TRUE(air.save_cells(w.dir, west));
    Mob other(mob_db()["basic.hopper"], glm::vec3(west * 16) + 1.5f);
    air.mobs.push_back(&other);
    ASSERT_TRUE(air.save_mobs(w.dir, west));
    Fmap_page terrain;
    w.scene->fmap.generate(e.edits.flat(), terrain);
    ASSERT_TRUE(terrain.save(w.dir, e.edits.flat()));
    {
      Blocked cells = Blocked::file(cell_path(w.dir, west)), mobs = Blocked::file(mob_path(w.dir, west)),
              flat = Blocked::file(flat_path(w.dir, e.edits.flat()));
      come_back(w, c.left, c.back);
    }
    EXPECT_EQ(w.page(west), page);
    e.edits.expect_loaded(w);
    EXPECT_EQ(w.page(west)->mobs.size(), 1u);
    EXPECT_TRUE(w.page(west)->has(Wmap_page::dirty) && w.page(west)->has(Wmap_page::populated));
    EXPECT_TRUE(in_scene(w, e.edits.hopper));
    EXPECT_EQ(w.stage(west), 7);
    EXPECT_EQ(w.meshes.count(west), 1u) << "drawn again";
    autosave(w);
    e.edits.expect_in_files(w.dir);
  }
}

namespace {

// A bare scene with room for a few pages, and the mobs it ends.
struct Store {
  std::vector<Mob const*> ended;
  terrain::World_dir dir;
  Config config{Config::Defaults{}};
  Scene scene{config, dir.dir, terrain::flat_map({})};
  Held_pages held{scene};
  Mob_id const kind = world_test::mob_type("test.held", true).id; // written to mob files

  Store() {
    scene.wmap.resize({4, 4, 4});
    scene.fmap.pages.resize({4, 4});
    scene.mobs.on_destroy = [this](Mob const* m) { ended.push_back(m); };
  }

  // A built page at p, dirty and populated, listing a new mob.
  Wmap_page& page(glm::ivec3 p, Mob** mob = nullptr) {
    Wmap_page& page = scene.wmap.insert(p);
    page.stage = 7;
    page.set(Wmap_page::dirty);
    page.set(Wmap_page::populated);
    Mob* m = scene.mobs.construct(kind, glm::vec3(p * 16) + 8.0f);
    page.mobs.push_back(m);
    if (mob) *mob = m;
    return page;
  }
  bool listed(Mob const* m) const {
    return std::any_of(scene.mobs.begin(), scene.mobs.end(), [m](auto const& p) { return p.get() == m; });
  }
};

} // namespace

TEST(Held_pages, HoldsAPageWithItsOwnMobsAndPutsItBackInsideTheBox) {
  Store s;
  Mob *mob, *erased, *keep;
  Wmap_page& page = s.page({1, 0, 0}, &mob);
  erased = s.scene.mobs.construct(s.kind, glm::vec3(20.0f, 8.0f, 8.0f));
  erased->body.flags |= Body::erased;
  keep = s.scene.mobs.construct(s.kind, glm::vec3(24.0f, 8.0f, 8.0f));
  s.scene.mobs.keep = keep;
  page.mobs.push_back(erased);
  page.mobs.push_back(keep);
  s.held.hold({1, 0, 0}, true);
  s.held.hold({2, 0, 0}, true); // not loaded: nothing to hold
  EXPECT_FALSE(s.scene.wmap.find({1, 0, 0}));
  ASSERT_EQ(s.held.cell_pages(), 1u);
  EXPECT_EQ(s.held.find({1, 0, 0}), &page);
  // Its own mob leaves the scene's list; the erased one and the kept one
  // stay for the mob update.
  EXPECT_FALSE(s.listed(mob));
  EXPECT_TRUE(s.listed(erased) && s.listed(keep));
  EXPECT_EQ(std::vector<Mob*>(page.mobs.begin(), page.mobs.end()), std::vector<Mob*>{mob});

  s.held.restore({2, -1, -1}, {3, 1, 1}); // outside: stays held
  EXPECT_EQ(s.held.cell_pages(), 1u);
  s.held.restore({1, 0, 0}, {1, 0, 0});
  EXPECT_EQ(s.held.cell_pages(), 0u);
  EXPECT_EQ(s.scene.wmap.find({1, 0, 0}), &page);
  EXPECT_EQ(page.stage.load(), 6) << "its mesh is made again";
  EXPECT_TRUE(page.has(Wmap_page::dirty) && page.has(Wmap_page::populated));
  EXPECT_TRUE(s.listed(mob));
  EXPECT_TRUE(s.ended.empty());
  s.scene.mobs.keep = nullptr;
}

TEST(Held_pages, APositionIsHeldOnceAndTheTablesCopyWins) {
  Store s;
  Mob *first, *second;
  s.page({0, 0, 0}, &first);
  s.held.hold({0, 0, 0}, true);
  s.page({0, 0, 0}, &second);
  s.held.hold({0, 0, 0}, false);
  EXPECT_EQ(s.held.cell_pages(), 1u);
  EXPECT_EQ(s.ended, std::vector<Mob const*>{first});
  ASSERT_TRUE(s.held.find({0, 0, 0}));
  EXPECT_EQ(std::vector<Mob*>(s.held.find({0, 0, 0})->mobs.begin(), s.held.find({0, 0, 0})->mobs.end()),
            std::vector<Mob*>{second});
}

TEST(Held_pages, ASaveReleasesWhatItWroteAndKeepsTheRest) {
  Store s;
  struct Page {
    glm::ivec3 at;
    bool dirty, mobs_behind, blocked;
    bool kept; // still held after the save
  } const pages[] = {
      {{0, 0, 0}, true, true, false, false},
      {{1, 0, 0}, true, false, true, true},   // its cells can't be written
      {{2, 0, 0}, false, true, true, true},   // its mobs can't be written
      {{3, 0, 0}, false, false, true, false}, // nothing left to write
  };
  std::vector<Mob*> mobs;
  std::vector<Blocked> blocks;
  for (Page const& p : pages) {
    Mob* m;
    Wmap_page& page = s.page(p.at, &m);
    if (!p.dirty) page.clear(Wmap_page::dirty);
    mobs.push_back(m);
    s.held.hold(p.at, p.mobs_behind);
    if (p.blocked) blocks.push_back(Blocked::file(p.dirty ? cell_path(s.dir.dir, p.at) : mob_path(s.dir.dir, p.at)));
  }
  Unsaved failed = s.held.save();
  EXPECT_EQ(describe(failed), "1 cell page and 1 mob page");
  for (std::size_t i = 0; i < std::size(pages); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(bool(s.held.find(pages[i].at)), pages[i].kept);
    EXPECT_EQ(std::count(s.ended.begin(), s.ended.end(), mobs[i]), pages[i].kept ? 0 : 1);
  }
  EXPECT_TRUE(fs::exists(cell_path(s.dir.dir, {0, 0, 0})) && fs::exists(mob_path(s.dir.dir, {0, 0, 0})));
  blocks.clear();
  EXPECT_FALSE(s.held.save().any());
  EXPECT_EQ(s.held.cell_pages(), 0u);
  EXPECT_EQ(s.ended.size(), std::size(pages));
}
