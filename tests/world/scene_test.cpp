#include "world/scene.hpp"

#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "world/records.hpp"
#include "support/forged_files.hpp"
#include "support/sdl_log.hpp"
#include "support/terrain.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

using namespace terrain;
using namespace std::string_literals;

namespace {

// A scene over a side-8 map whose spawn is page (-3, 0), with a player of
// the type at (0, 64, 0) as the full scene makes it (or none).
struct Scene_fixture {
  Config config{Config::Defaults{}};
  World_dir world;
  std::optional<Scene> scene;

  explicit Scene_fixture(char const* player_type = "basic.player") {
    scene.emplace(config, world.dir, map(8, [](std::uint64_t i, std::uint64_t k) {
                    return Sample{k != 4 || i > 1 ? 20.0f : i == 1 ? 0.5f : -1.0f};
                  }));
    if (player_type) scene->player = scene->mobs.construct(mob_db()[player_type].id, {0.0f, 64.0f, 0.0f});
  }
  // Destroys the scene, which saves its player; returns what it logged.
  std::vector<std::string> close() {
    Sdl_log_capture log;
    scene.reset();
    return log.lines;
  }
  Mob& player() { return *scene->player; }
  fs::path file() const { return world / "world.mpk.gz"; }
};

// A world file of `count` copies of a player record of the type at (7, 8, 9)
// with `slots` slots, cut to `fields` fields.
std::string world_bytes(std::string const& type, int count = 1, int fields = 6, std::size_t slots = 1) {
  return emitted([&](mpk::Emitter& e) {
    mpk::emit_arr_head(e, static_cast<std::uint64_t>(count));
    for (int i = 0; i < count; ++i) {
      mpk::emit_arr_head(e, static_cast<std::uint64_t>(fields));
      if (fields > 0) mpk::emit_str(e, type);
      if (fields > 1) mpk::emit(e, glm::vec3(7, 8, 9));
      if (fields > 2) mpk::emit(e, glm::vec3(0.5f));
      for (int f = 3; f < std::min(fields, 5); ++f) mpk::emit(e, glm::vec2(0.5f, 1));
      if (fields > 5) {
        mpk::emit_arr_head(e, slots);
        for (std::size_t s = 0; s < std::min<std::size_t>(slots, 4); ++s)
          mpk::emit_arr_head(e, 2), mpk::emit_str(e, "test.stick"), mpk::emit_int(e, 1);
      }
    }
  });
}

// A world file of these elements: the player's record, the held stack, more.
std::string world_file(std::initializer_list<std::string> elements) {
  std::string bytes = emitted([&](mpk::Emitter& e) { mpk::emit_arr_head(e, elements.size()); });
  for (std::string const& element : elements) bytes += element;
  return bytes;
}
std::string player_record(std::string const& type) { return world_bytes(type).substr(1); }

} // namespace

TEST(Scene, ANewWorldPlacesThePlayerAboveTheSpawnPage) {
  Scene_fixture f;
  EXPECT_EQ(f.scene->fmap.spawn, glm::ivec2(-3, 0));
  f.scene->load();
  EXPECT_EQ(f.player().body.position, glm::vec3(-40, 4, 8));
}

TEST(Scene, ThePlayerIsWrittenAtTheEndAndReadBack) {
  Scene_fixture f("test.wanderer");
  Mob& p = f.player();
  p.body.position = {1.5f, -2.25f, 1e6f};
  p.body.velocity = {0.125f, 0, -3};
  p.body.angles = {-1.5f, 6.25f};
  p.body.size = {0.375f, 0.875f};
  p.inventory = Inventory(2);
  p.inventory[1] = {item_db()["test.rope"].id, -3};
  Inventory const inventory = p.inventory;
  Item const held{item_db()["test.twine"].id, 7};
  f.scene->held = held;
  f.close();
  std::string const bytes = read_gz(f.file());
  EXPECT_EQ(bytes.substr(0, 16), "\x92\x96\xadtest.wanderer");
  EXPECT_EQ(bytes.substr(bytes.size() - 29),
            std::string("\x92\x92\xa0\x00\x92\xa9test.rope\xfd", 16) + "\x92\xaatest.twine\x07");

  Scene_fixture g;
  fs::rename(f.file(), g.file());
  g.scene->load();
  Mob& q = g.player();
  EXPECT_EQ(mob_db()[q.type].name, "test.wanderer");
  EXPECT_EQ(q.body.position, glm::vec3(1.5f, -2.25f, 1e6f));
  EXPECT_EQ(q.body.velocity, glm::vec3(0.125f, 0, -3));
  EXPECT_EQ(q.body.angles, glm::vec2(-1.5f, 6.25f));
  EXPECT_EQ(q.body.box_max, glm::vec3(1.875f, -1.375f, 1e6f + 0.375f));
  EXPECT_EQ(q.inventory, inventory);
  EXPECT_EQ(g.scene->held, held);
}

TEST(Scene, WorldFileReadsWhatTheFormAllows) {
  mob_db()["test.pocketed"].items = 4;
  struct Case {
    std::string bytes;
    char const* type;
    glm::vec3 position;
    std::size_t slots;
  };
  glm::vec3 const there(7, 8, 9), unmoved(0, 64, 0);
  std::size_t const own = mob_db()["basic.player"].items; // 0, or as the packs say when a test loaded them
  Case const cases[] = {
      // The first record is the player's; one past the held stack is skipped.
      {world_file({player_record("test.first"), "\x92\xa0\x00"s, player_record("test.second")}), "test.first",
       there, 1},
      {world_bytes("test.none", 0), "basic.player", unmoved, own},   // an empty array
      {world_bytes("test.short", 1, 1), "test.short", unmoved, own}, // missing fields keep theirs
      {world_bytes("test.pocketed"), "test.pocketed", there, 4},     // slots padded to the type's
  };
  for (auto const& c : cases) {
    Scene_fixture f;
    write_gz(f.file(), c.bytes);
    f.scene->load();
    EXPECT_EQ(mob_db()[f.player().type].name, c.type);
    EXPECT_EQ(f.player().body.position, c.position) << c.type;
    EXPECT_EQ(f.player().inventory.size(), c.slots) << c.type;
    EXPECT_FALSE(fs::exists(bad(f.file()))) << c.type;
  }
}

TEST(Scene, AnUnreadableWorldFileIsKeptAndThePlayerKeepsItsDefaults) {
  std::string const good = world_bytes("test.good");
  std::vector<std::string> cases = {world_bytes("test.x", 1, 6, 32769), good + "\xc0"};
  for (std::size_t n = 0; n < good.size(); ++n) cases.push_back(good.substr(0, n));
  for (auto const& bytes : cases) {
    Scene_fixture f;
    write_gz(f.file(), bytes);
    Sdl_log_capture log;
    f.scene->load();
    EXPECT_EQ(mob_db()[f.player().type].name, "basic.player") << bytes.size();
    EXPECT_EQ(f.player().body.position, glm::vec3(0, 64, 0)) << bytes.size();
    f.close();
    EXPECT_EQ(read_gz(bad(f.file())), bytes);
    EXPECT_TRUE(fs::exists(f.file())); // written afresh at the end
  }
}

TEST(Scene, AWorldFileAtTheLimitsReadsBackAndOnePastThePositionLimitIsRefused) {
  // The longest type and item names, the most slots, and positions as far
  // out as a file holds them: a player beyond is stored at the edge.
  std::string const type = "test." + std::string(max_name_bytes - 5, 'p');
  std::string const item = "test." + std::string(max_name_bytes - 5, 'i');
  struct Case {
    glm::vec3 position, stored;
  };
  for (Case const& c : {Case{{max_position, -max_position, 0.5f}, {max_position, -max_position, 0.5f}},
                        Case{{3e10f, -cell_limit, 1e30f}, {max_position, -max_position, max_position}}}) {
    Scene_fixture f(type.c_str());
    f.player().body.position = c.position;
    f.player().inventory = Inventory(max_inventory_slots);
    f.player().inventory[max_inventory_slots - 1] = {item_db()[item].id, 5};
    Inventory const inventory = f.player().inventory;
    f.close();
    Scene_fixture g;
    fs::rename(f.file(), g.file());
    g.scene->load();
    EXPECT_EQ(mob_db()[g.player().type].name, type);
    EXPECT_EQ(g.player().body.position, c.stored);
    EXPECT_EQ(g.player().inventory, inventory);
  }

  // Written by something else: x = 3e10 or 2^30 is refused like a non-finite
  // number, the file kept aside and the player left at its defaults.
  for (float x : {3e10f, cell_limit, -cell_limit}) {
    Scene_fixture f;
    write_gz(f.file(), emitted([x](mpk::Emitter& e) {
               mpk::emit_arr_head(e, 1), mpk::emit_arr_head(e, 2), mpk::emit_str(e, "test.far");
               mpk::emit(e, glm::vec3(x, 8, 9));
             }));
    Sdl_log_capture log;
    f.scene->load();
    EXPECT_EQ(f.player().body.position, glm::vec3(0, 64, 0)) << x;
    EXPECT_EQ(mob_db()[f.player().type].name, "basic.player") << x;
    EXPECT_NE(log.joined().find(f.file().string() + ": position out of range"), std::string::npos) << log.joined();
    EXPECT_TRUE(fs::exists(bad(f.file()))) << x;
  }
}

TEST(Scene, ProfileTableHasSevenRowsInOrder) {
  for (bool threads : {false, true}) {
    Scene_fixture f(nullptr);
    f.config.multithreading = threads;
    f.scene->regen.total = 5'500'000;
    f.scene->regen.ops = 2;
    f.scene->render.ops = 3;
    std::vector<std::string> want = {
        "Session profile:",
        "operation           time     ops     avg",
        "Regen                  5       2   2.500",
        "Light (init)           0       0   0.000",
        "Light (spread)         0       0   0.000",
        "Populate               0       0   0.000",
        "Redraw (HD)            0       0   0.000",
        "Redraw (LD)            0       0   0.000",
        "Render                 0       3   0.000",
    };
    if (threads)
      want.push_back("- time is ms until operation completion across " +
                     std::to_string(std::thread::hardware_concurrency()) + " concurrent threads");
    want.push_back("- clock resolution is 1e-09");
    EXPECT_EQ(f.close(), want);
    EXPECT_FALSE(fs::exists(f.file())); // no player, no world file
  }
}

TEST(Scene, AWorldFileAtTheSizeCapReadsAndOnePastItIsSetAside) {
  // A third element is skipped whatever it holds: it pads the file.
  std::string const record = player_record("test.padded");
  for (std::size_t total : {max_file_bytes, max_file_bytes + 1}) {
    Scene_fixture f;
    std::string const bytes = forged::padded("\x93" + record + "\x92\xa0\x00"s, total);
    write_gz(f.file(), bytes);
    Sdl_log_capture log;
    f.scene->load();
    bool const within = total <= max_file_bytes;
    EXPECT_EQ(mob_db()[f.player().type].name, within ? "test.padded" : "basic.player") << log.joined();
    if (!within) {
      EXPECT_EQ(log.lines.at(1), f.file().string() + ": too large (over 16777216 bytes)");
      EXPECT_EQ(read_gz(bad(f.file())), bytes);
    }
  }
}

TEST(Scene, AnUnreadableWorldFileWithNoNameLeftIsNeverSavedOver) {
  // Each session finds what the last one left.
  std::string bytes = "the player's damaged bytes";
  for (int session = 0; session < 2; ++session) {
    Scene_fixture f;
    forged::put_on_disk(f.file(), bytes);
    forged::take_bad_names(f.file());
    f.scene->load();
    EXPECT_EQ(f.player().body.position, glm::vec3(0, 64, 0));
    f.player().body.position = {1, 2, 3};
    Sdl_log_capture log;
    EXPECT_FALSE(f.scene->save());
    std::string const refused = f.file().string() + ": unreadable, left as it is: not saved over it";
    EXPECT_EQ(log.lines, std::vector<std::string>{refused});
    Unsaved told;
    f.scene->on_closed = [&told](Unsaved const& u) { told = u; };
    f.close();
    EXPECT_TRUE(told.player) << "said at the end";
    bytes = forged::on_disk(f.file());
  }
  EXPECT_EQ(bytes, "the player's damaged bytes");
}

TEST(Scene, TheHeldStackIsTheWorldFilesSecondElement) {
  Item_id const twine = item_db()["test.twine"].id;
  Item const before{item_db()["test.stick"].id, 2}; // the scene's until the file is read
  struct Case {
    char const* what;
    std::string element; // none: a file written before the held stack was saved
    Item held;
  };
  Case const cases[] = {
      {"a file from before", "", {}},
      {"a stack", "\x92\xaatest.twine\x07", {twine, 7}},
      {"nothing held", "\x92\xa0\x00"s, {}},
      {"the largest stack", "\x92\xaatest.twine\xcd\x7f\xff", {twine, 32767}},
      {"the lowest count", "\x92\xaatest.twine\xd1\x80\x00"s, {twine, -32768}},
      // Counts are kept to their low 16 bits, as in every item record.
      {"a wider count", "\x92\xaatest.twine\xce\x00\x01\x86\xa0"s, {twine, -31072}}, // 100000
      {"a field past the form", "\x93\xaatest.twine\x07\xa4more", {twine, 7}},
      {"no fields", "\x90", {}},
  };
  for (Case const& c : cases) {
    Scene_fixture f;
    f.scene->held = before;
    write_gz(f.file(), c.element.empty() ? world_file({player_record("test.holder")})
                                         : world_file({player_record("test.holder"), c.element}));
    f.scene->load();
    EXPECT_EQ(mob_db()[f.player().type].name, "test.holder") << c.what;
    EXPECT_EQ(f.scene->held, c.held) << c.what;
    EXPECT_FALSE(fs::exists(bad(f.file()))) << c.what;
  }

  // A type no pack defines is added, as the inventory's names are.
  std::size_t const types = item_db().size();
  Scene_fixture f;
  write_gz(f.file(), world_file({player_record("test.holder"), "\x92\xb1test.held.unknown\x03"}));
  f.scene->load();
  EXPECT_EQ(item_db().size(), types + 1);
  EXPECT_EQ(item_db()[f.scene->held.id].name, "test.held.unknown");
  EXPECT_EQ(f.scene->held.count, 3);
}

TEST(Scene, AnUnreadableHeldStackSetsTheWorldFileAside) {
  Item const before{item_db()["test.stick"].id, 2};
  std::string const long_name = emitted([](mpk::Emitter& e) {
    mpk::emit_arr_head(e, 2), mpk::emit_str(e, "test." + std::string(max_name_bytes, 'n')), mpk::emit_int(e, 1);
  });
  struct Case {
    char const* why;
    std::string element;
  } const cases[] = {
      {"expected array", "\xa5twine"},
      {"expected array", "\xc0"},
      {"expected integer", "\x92\xaatest.twine\xa1" "7"},
      {"name too long", long_name},
      {"unexpected end of data", "\x92\xaatest.twine"}, // the file ends inside it
  };
  for (Case const& c : cases) {
    Scene_fixture f;
    f.scene->held = before;
    std::string const bytes = world_file({player_record("test.holder"), c.element});
    write_gz(f.file(), bytes);
    Sdl_log_capture log;
    f.scene->load();
    EXPECT_EQ(mob_db()[f.player().type].name, "basic.player") << c.why;
    EXPECT_EQ(f.scene->held, before) << c.why;
    EXPECT_NE(log.joined().find(f.file().string() + ": " + c.why), std::string::npos) << log.joined();
    f.close();
    EXPECT_EQ(read_gz(bad(f.file())), bytes) << c.why;
    // Written afresh at the end, with the stack the scene kept.
    Scene_fixture g;
    fs::rename(f.file(), g.file());
    g.scene->load();
    EXPECT_EQ(g.scene->held, before) << c.why;
  }
}
