// Mobs that cross page borders between two saves, saved while the disk is
// full or the page they went to can't be written: no mob leaves the disk
// before another file has it, and the next good save leaves each in exactly
// one file. At the mob cap of a page file, a page whose own mobs fit is
// written in the same save once the copies it kept are filed elsewhere.
#include "support/blocked_saves.hpp"
#include "support/full_disk.hpp"
#include "support/mob_files.hpp"
#include "support/pipeline.hpp"
#include "world/page_file.hpp"

#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace pipeline;
using blocked_saves::Blocked;
using mob_files::on_disk;

namespace {

glm::ivec3 const A{-1, 1, 0}, B{0, 1, 0}, C{1, 1, 0};

void autosave(World& w) {
  *w.now += std::int64_t(120e9);
  w.frame();
  w.scene->mobs.resort_mobs(*w.scene);
}

// Every tag once: where a good save must leave them.
std::map<int, int> each_once(std::size_t n) {
  std::map<int, int> out;
  for (std::size_t i = 0; i < n; ++i) out[int(i)] = 1;
  return out;
}

// Every tag in at least one file.
void expect_all_kept(std::map<int, int> const& disk, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) EXPECT_GE(disk.count(int(i)) ? disk.at(int(i)) : 0, 1) << "mob " << i << " lost";
}

// Hoppers tagged 0, 1, ... standing in the pages given, written once.
struct Walkers {
  World w{{.view = {1, 1, 1}}};
  std::vector<Mob_ref> mobs;

  explicit Walkers(std::vector<glm::ivec3> const& at) {
    w.config.autosave_period = 1;
    w.settle();
    for (glm::ivec3 p : at) {
      Mob* m = w.scene->mobs.construct(mob_db()["basic.hopper"].id, glm::vec3(p * 16) + 8.0f);
      m->inventory[0] = mob_files::tag(std::int16_t(mobs.size()));
      mobs.push_back(m->ref());
    }
    w.scene->mobs.resort_mobs(*w.scene);
    autosave(w);
    EXPECT_EQ(on_disk(w.dir), each_once(mobs.size()));
  }
  // Mob i walks into page p (listed there at the frame's end).
  void walk(std::size_t i, glm::ivec3 p) { mobs[i].get()->body.position = glm::vec3(p * 16) + glm::vec3(3.5f, 8, 12.5f); }
};

} // namespace

TEST(Mob_saves, MobsThatCrossedBordersStayOnDiskThroughAFailedSave) {
  struct Move {
    std::size_t mob;
    glm::ivec3 to;
  };
  struct Case {
    char const* name;
    std::vector<glm::ivec3> mobs; // where each starts
    std::vector<Move> moves;
    glm::ivec3 gainer; // blocked in the second way of failing
  } const cases[] = {
      {"one of two to the neighbour", {A, A}, {{1, B}}, B},
      {"a page's only mob leaves", {A, B}, {{0, B}}, B},
      {"to a page with no file yet", {A}, {{0, C}}, C},
      {"two pages swap", {A, B}, {{0, B}, {1, A}}, B},
      {"a chain A to B to C", {A, B}, {{0, B}, {1, C}}, C},
  };
  enum class Fail { full_disk, gainer_blocked };
  enum class Then { autosave, exit };
  for (Case const& c : cases)
    for (Fail fail : {Fail::full_disk, Fail::gainer_blocked})
      for (Then then : {Then::autosave, Then::exit}) {
        SCOPED_TRACE(std::string(c.name) + (fail == Fail::full_disk ? ", full disk" : ", gainer blocked") +
                     (then == Then::exit ? ", then the exit" : ", then an autosave"));
        Walkers t(c.mobs);
        World& w = t.w;
        for (Move const& m : c.moves) t.walk(m.mob, m.to);
        w.scene->mobs.resort_mobs(*w.scene);
        {
          std::optional<Blocked> blocked;
          std::optional<full_disk::Full_disk> full;
          if (fail == Fail::gainer_blocked) blocked.emplace(Blocked::file(mob_path(w.dir, c.gainer)));
          else full.emplace();
          autosave(w);
          EXPECT_TRUE(w.builder->take_failed_saves().mob_pages != 0);
        }
        expect_all_kept(on_disk(w.dir), c.mobs.size());
        if (then == Then::autosave) {
          autosave(w);
          EXPECT_FALSE(w.builder->take_failed_saves().any());
        } else {
          w.builder.reset();
          EXPECT_FALSE(w.scene->unsaved.any());
        }
        EXPECT_EQ(on_disk(w.dir), each_once(c.mobs.size()));
      }
}

TEST(Mob_saves, APageLeavingTheViewLetsGoOfAMobOnlyOnceItsNewPageHasIt) {
  // The west column leaves as the player walks a page east; its hopper
  // crossed into the page that stays.
  glm::ivec3 const west{-1, 1, 0}, stays{0, 1, 0};
  enum class Gainer { writes, blocked, not_read };
  struct Case {
    char const* name;
    Gainer gainer;
    bool failed; // said as not saved
  } const cases[] = {
      {"its new page is written first", Gainer::writes, false},
      {"its new page can't be written", Gainer::blocked, true},
      {"its new page's mobs are not read yet", Gainer::not_read, false},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    Walkers t({west, west});
    World& w = t.w;
    t.walk(1, stays);
    w.scene->mobs.resort_mobs(*w.scene);
    {
      std::optional<Blocked> blocked;
      if (c.gainer == Gainer::blocked) blocked.emplace(Blocked::file(mob_path(w.dir, stays)));
      if (c.gainer == Gainer::not_read) w.page(stays)->clear(Wmap_page::populated);
      w.scene->player->body.position = glm::vec3((stays + glm::ivec3(1, 0, 0)) * 16 + 8);
      for (int i = 0; i < 30; ++i) w.frame();
      w.scene->mobs.resort_mobs(*w.scene);
      ASSERT_FALSE(w.page(west));
      EXPECT_EQ(w.builder->take_failed_saves().any(), c.failed);
      expect_all_kept(on_disk(w.dir), 2);
      EXPECT_TRUE(t.mobs[1]) << "it lives on in the page that stays";
      EXPECT_EQ(bool(t.mobs[0]), c.gainer != Gainer::writes) << "the west page is held while its file keeps mob 1";
      if (c.gainer == Gainer::writes) {
        EXPECT_EQ(on_disk(w.dir), each_once(2));
      }
      if (c.gainer == Gainer::not_read) w.page(stays)->set(Wmap_page::populated);
    }
    autosave(w);
    EXPECT_FALSE(w.builder->take_failed_saves().any());
    EXPECT_FALSE(t.mobs[0]) << "released with the west page";
    EXPECT_EQ(on_disk(w.dir), each_once(2));
  }
}

TEST(Mob_saves, APageAtTheCapIsSavedOnceTheCopiesItKeptAreFiled) {
  using mob_files::once;
  using mob_files::tally;
  int const cap = int(max_page_mobs);
  struct Group {
    glm::ivec3 at;
    int count; // hoppers standing there, written once
  };
  struct Walk {
    glm::ivec3 from;
    int count; // the next hoppers that started in `from`
    glm::ivec3 to;
  };
  // autosave: the save of the whole world. west_leaves: the player walks a
  // page east, so A leaves the view. west_held: so too, while A's mob file
  // can't be written (A is held), then an autosave with the file mended.
  // full_disk: an autosave while no file can be written.
  enum class Save { autosave, west_leaves, west_held, full_disk };
  struct Case {
    char const* name;
    std::vector<Group> start;
    std::vector<Walk> walks;
    Save save;
    std::int64_t unsaved;  // mob pages said not saved
    bool whole;            // then each hopper in exactly one file
    std::int64_t refused;  // mob pages not saved by a save after a restart
  } const cases[] = {
      {"gains and loses hoppers at the cap", {{B, cap}, {A, 4}}, {{B, 14, C}, {A, 4, B}}, Save::autosave, 0, true, 0},
      {"the cap exactly once its lost hoppers are filed",
       {{B, cap}, {A, 20}},
       {{B, 20, C}, {A, 20, B}},
       Save::autosave,
       0,
       true,
       0},
      {"a chain of full pages, each waiting for the next",
       {{A, 4}, {B, cap}, {C, cap}},
       {{A, 4, B}, {B, 14, C}, {C, 14, A}},
       Save::autosave,
       0,
       true,
       0},
      {"a full page swaps hoppers with a page leaving the view",
       {{B, cap}, {A, 4}},
       {{B, 14, A}, {A, 4, B}},
       Save::west_leaves,
       0,
       true,
       0},
      {"a full page's lost hoppers are filed by a held page",
       {{B, cap}, {C, 4}},
       {{B, 14, A}, {C, 4, B}},
       Save::west_held,
       0,
       true,
       0},
      {"gains and loses hoppers at the cap on a full disk",
       {{B, cap}, {A, 4}},
       {{B, 14, C}, {A, 4, B}},
       Save::full_disk,
       3,
       true,
       0},
      // Its old file stays, and so does the copy its hopper's old page keeps.
      {"its own hoppers pass the cap", {{B, cap}, {A, 1}}, {{A, 1, B}}, Save::autosave, 1, true, 1},
      // The hoppers that left it stay in its old file, not taken by the page
      // they walked into: each is in one file, and the save says it failed.
      {"its own hoppers pass the cap as others leave it",
       {{B, cap}, {A, 30}},
       {{A, 30, B}, {B, 10, C}},
       Save::autosave,
       1,
       true,
       1},
      {"its own hoppers pass the cap as others leave it, with its neighbour leaving the view",
       {{B, cap}, {A, 30}},
       {{A, 30, B}, {B, 10, A}},
       Save::west_leaves,
       1,
       true,
       1},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<glm::ivec3> at;
    for (Group const& g : c.start) at.insert(at.end(), std::size_t(g.count), g.at);
    int const n = int(at.size());
    Walkers t(at);
    World& w = t.w;
    std::vector<bool> walked(at.size());
    for (Walk const& k : c.walks)
      for (std::size_t i = 0, left = std::size_t(k.count); i < at.size() && left != 0; ++i) {
        if (at[i] != k.from || walked[i]) continue;
        walked[i] = true;
        t.walk(i, k.to);
        --left;
      }
    w.scene->mobs.resort_mobs(*w.scene);
    glm::vec3 const home = w.scene->player->body.position;
    if (c.save == Save::west_leaves || c.save == Save::west_held) {
      std::optional<Blocked> blocked;
      if (c.save == Save::west_held) blocked.emplace(Blocked::file(mob_path(w.dir, A)));
      w.scene->player->body.position = glm::vec3((B + glm::ivec3(1, 0, 0)) * 16 + 8);
      for (int i = 0; i < 30; ++i) w.frame();
      w.scene->mobs.resort_mobs(*w.scene);
      ASSERT_FALSE(w.page(A));
      if (c.save == Save::west_held) {
        EXPECT_EQ(w.builder->take_failed_saves().mob_pages, 1);
        blocked.reset();
        autosave(w);
      }
    } else {
      std::optional<full_disk::Full_disk> full;
      if (c.save == Save::full_disk) full.emplace();
      autosave(w);
    }
    EXPECT_EQ(w.builder->take_failed_saves().mob_pages, c.unsaved);
    mob_files::Tally const disk = tally(on_disk(w.dir), n);
    EXPECT_EQ(disk.missing, 0);
    if (!c.whole) continue;
    EXPECT_EQ(disk, once(n));
    // A new world over the folder has each hopper once, and so have the files
    // its own save leaves.
    w.close();
    w.open(home);
    w.settle();
    w.scene->mobs.resort_mobs(*w.scene);
    EXPECT_EQ(tally(mob_files::in_world(w.scene->mobs, w.scene->player), n), once(n));
    autosave(w);
    EXPECT_EQ(w.builder->take_failed_saves().mob_pages, c.refused);
    EXPECT_EQ(tally(on_disk(w.dir), n), once(n));
  }
}
