#include "world/scene.hpp"

#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "support/sdl_log.hpp"
#include "support/terrain.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>

using namespace terrain;

namespace {

// A scene over a side-8 map whose spawn is page (-3, 0), with a player mob
// of the given type at (0, 64, 0) as the full scene makes it.
struct Scene_fixture {
  Config config{Config::Defaults{}};
  World_dir world;
  std::optional<Scene> scene;

  explicit Scene_fixture(char const* player_type = "basic.player") { open(player_type); }

  void open(char const* player_type = "basic.player") {
    scene.emplace(config, world.dir, map(8, [](std::uint64_t i, std::uint64_t k) {
                    return Sample{k == 4 && i < 2 ? (i == 1 ? 0.5f : -1.0f) : 20.0f};
                  }));
    if (player_type) {
      scene->player = scene->mobs.construct(mob_db()[player_type].id, {0.0f, 64.0f, 0.0f});
      scene->wmap.player = scene->player;
      scene->mobs.keep = scene->player;
    }
  }
  // Destroys the scene (saving its player) and logs what it printed.
  std::vector<std::string> close() {
    Sdl_log_capture log;
    scene.reset();
    return log.lines;
  }
  Mob& player() { return *scene->player; }
  fs::path file() const { return world / "world.mpk.gz"; }
};

// Bytes of a world file holding `record` as its only element.
std::string world_bytes(std::function<void(mpk::Emitter&)> const& record, int elements = 1) {
  return emitted([&](mpk::Emitter& e) {
    mpk::emit_arr_head(e, static_cast<std::uint64_t>(elements));
    for (int i = 0; i < elements; ++i) record(e);
  });
}

// A mob record from its parts; `slots` item names with count 1 ("" for empty).
std::function<void(mpk::Emitter&)> record(std::string type, glm::vec3 position,
                                          std::vector<std::string> slots = {}, int fields = 6) {
  return [=](mpk::Emitter& e) {
    mpk::emit_arr_head(e, static_cast<std::uint64_t>(fields));
    if (fields > 0) mpk::emit_str(e, type);
    if (fields > 1) mpk::emit(e, position);
    if (fields > 2) mpk::emit(e, glm::vec3(0.25f, -0.5f, 0));
    if (fields > 3) mpk::emit(e, glm::vec2(0.1f, 3.0f));
    if (fields > 4) mpk::emit(e, glm::vec2(0.3f, 0.9f));
    if (fields > 5) {
      mpk::emit_arr_head(e, slots.size());
      for (auto const& s : slots) mpk::emit_arr_head(e, 2), mpk::emit_str(e, s), mpk::emit_int(e, s.empty() ? 0 : 1);
    }
    for (int i = 6; i < fields; ++i) mpk::emit_str(e, "more");
  };
}

} // namespace

TEST(Scene, ANewWorldPlacesThePlayerAboveTheSpawnPage) {
  Scene_fixture f;
  EXPECT_EQ(f.scene->fmap.spawn, glm::ivec2(-3, 0));
  f.scene->load();
  EXPECT_EQ(f.player().body.position, glm::vec3(-40, 4, 8));
  EXPECT_EQ(f.player().body.box_min.y, 4.0f - f.player().body.size.y);
}

TEST(Scene, ThePlayerIsWrittenAtTheEndAndReadBack) {
  Scene_fixture f("test.wanderer");
  Mob& p = f.player();
  p.body.position = {1.5f, -2.25f, 1e6f};
  p.body.velocity = {0.125f, 0, -3};
  p.body.angles = {-1.5f, 6.25f};
  p.body.size = {0.375f, 0.875f};
  p.inventory = Inventory(3);
  p.inventory[0] = {item_db()["test.apple"].id, -3};
  p.inventory[2] = {item_db()["test.rope"].id, 32767};
  Inventory const inventory = p.inventory;
  f.close();
  ASSERT_TRUE(fs::exists(f.file()));
  std::string const bytes = read_gz(f.file());
  EXPECT_EQ(bytes.substr(0, 16), std::string("\x91\x96\xadtest.wanderer", 16));
  EXPECT_EQ(bytes.substr(bytes.size() - 31),
            std::string("\x93\x92\xaatest.apple\xfd\x92\xa0\x00\x92\xa9test.rope\xcd\x7f\xff", 31));

  f.open(nullptr);
  f.scene->player = f.scene->mobs.construct(mob_db()["basic.player"].id, {0, 64, 0});
  f.scene->load();
  Mob& q = f.player();
  EXPECT_EQ(mob_db()[q.type].name, "test.wanderer");
  EXPECT_EQ(q.body.position, glm::vec3(1.5f, -2.25f, 1e6f));
  EXPECT_EQ(q.body.velocity, glm::vec3(0.125f, 0, -3));
  EXPECT_EQ(q.body.angles, glm::vec2(-1.5f, 6.25f));
  EXPECT_EQ(q.body.size, glm::vec2(0.375f, 0.875f));
  EXPECT_EQ(q.body.box_max, glm::vec3(1.875f, -1.375f, 1e6f + 0.375f));
  EXPECT_EQ(q.inventory, inventory);
}

TEST(Scene, WorldFileReadsWhatTheFormAllows) {
  mob_db()["test.pocketed"].items = 4;
  struct Case {
    char const* what;
    std::string bytes;
    char const* type;
    glm::vec3 position;
    std::size_t slots;
  };
  glm::vec3 const there(7, 8, 9);
  Case const cases[] = {
      {"two records: the first counts", world_bytes(record("test.first", there), 2), "test.first", there, 0},
      {"an empty array changes nothing", world_bytes(record("", there), 0), "basic.player", {0, 64, 0}, 0},
      {"a type no pack defines", world_bytes(record("test.unheard_of", there)), "test.unheard_of", there, 0},
      {"missing fields keep theirs", world_bytes(record("test.short", there, {}, 1)), "test.short", {0, 64, 0}, 0},
      {"extra fields are skipped", world_bytes(record("test.long", there, {"", "x.y"}, 9)), "test.long", there, 2},
      {"slots padded to the type's", world_bytes(record("test.pocketed", there, {"a.b"})), "test.pocketed", there, 4},
  };
  for (auto const& c : cases) {
    Scene_fixture f;
    write_gz(f.file(), c.bytes);
    Sdl_log_capture log;
    f.scene->load();
    EXPECT_EQ(mob_db()[f.player().type].name, c.type) << c.what;
    EXPECT_EQ(f.player().body.position, c.position) << c.what;
    EXPECT_EQ(f.player().inventory.size(), c.slots) << c.what;
    EXPECT_FALSE(fs::exists(fs::path(f.file()) += ".bad")) << c.what;
  }
}

TEST(Scene, AnUnreadableWorldFileIsKeptAndThePlayerKeepsItsDefaults) {
  std::string const good = world_bytes(record("test.good", {1, 2, 3}, {"a.b", ""}));
  struct Case {
    char const* what;
    std::string bytes;
    std::string message;
  };
  std::vector<Case> cases = {
      {"not an array", emitted([](mpk::Emitter& e) { mpk::emit_int(e, 5); }), "expected array"},
      {"a position of two", world_bytes([](mpk::Emitter& e) {
         mpk::emit_arr_head(e, 2), mpk::emit_str(e, "test.x"), mpk::emit(e, glm::vec2(1, 2));
       }),
       "bad array size"},
      {"a non-finite position", world_bytes(record("test.x", {1, INFINITY, 3})), "non-finite value"},
      {"a name too long", world_bytes(record(std::string(257, 'n'), {1, 2, 3})), "name too long"},
      {"too many slots", world_bytes([](mpk::Emitter& e) {
         mpk::emit_arr_head(e, 6), mpk::emit_str(e, "t.x");
         mpk::emit(e, glm::vec3(0)), mpk::emit(e, glm::vec3(0)), mpk::emit(e, glm::vec2(0)), mpk::emit(e, glm::vec2(0));
         mpk::emit_arr_head(e, 32769);
       }),
       "too many slots"},
      {"data after the end", good + "\xc0", "unexpected data after the end"},
  };
  for (std::size_t n = 0; n < good.size(); ++n) cases.push_back({"a prefix", good.substr(0, n), ""});
  for (auto const& c : cases) {
    Scene_fixture f;
    write_gz(f.file(), c.bytes);
    Sdl_log_capture log;
    f.scene->load();
    EXPECT_EQ(mob_db()[f.player().type].name, "basic.player") << c.what << " " << c.bytes.size();
    EXPECT_EQ(f.player().body.position, glm::vec3(0, 64, 0)) << c.what << " " << c.bytes.size();
    if (!c.message.empty()) {
      EXPECT_EQ(log.lines.at(1), f.file().string() + ": " + c.message) << c.what;
    }
    fs::path bad = fs::path(f.file()) += ".bad";
    ASSERT_FALSE(fs::exists(f.file())) << c.what;
    f.close();
    EXPECT_EQ(read_gz(bad), c.bytes) << c.what;
    EXPECT_TRUE(fs::exists(f.file())) << c.what;
  }
}

TEST(Scene, ProfileTableHasSevenRowsInOrder) {
  for (bool threads : {false, true}) {
    Scene_fixture f(nullptr);
    f.config.multithreading = threads;
    f.scene->regen.total = 5'500'000;
    f.scene->regen.ops = 2;
    f.scene->render.ops = 3;
    std::vector<std::string> lines = f.close();
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
    EXPECT_EQ(lines, want);
    EXPECT_FALSE(fs::exists(f.file())); // no player, no world file
  }
}
