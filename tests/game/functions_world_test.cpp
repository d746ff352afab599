// The functions on the world around the player, on one loaded page of air
// with the player in it; positions outside that page are not loaded.
#include "game/fun_world.hpp"

#include "support/fun_world.hpp"

#include <gtest/gtest.h>

#include <optional>

using fun_world::cells;
using fun_world::World;
using kestrine::Val;

namespace {

Val vec(int x, int y, int z) { return Val(glm::ivec3(x, y, z)); }

glm::ivec3 const unloaded{40, 4, 4};

} // namespace

TEST(World_functions, PositionsComeFromThePlayerAndTheCursor) {
  World w;
  std::pair<glm::vec3, char const*> const players[] = {
      {{-0.5f, 10.2f, 3.9f}, "[0,10,3]"}, {{-1.7f, -0.2f, 2.0f}, "[-1,0,2]"}, {{3e9f, -3e9f, 0.0f}, "[1073741824,-1073741824,0]"}};
  for (auto [at, shown] : players) {
    w.scene.player->body.position = at;
    EXPECT_EQ(w.run("here()"), shown);
  }
  w.cursor = {Raycast_result::Kind::cell, {1, -2, 30}, {1, -1, 30}, Face::u, {}};
  EXPECT_EQ(w.run("cubr()"), "[1,-2,30]");
  EXPECT_EQ(w.run("cupl()"), "[1,-1,30]");
  w.scene.player = nullptr;
  EXPECT_EQ(w.run("here()"), "error: no player");
}

TEST(World_functions, CellsReadAsTheirTypeLightAndPaint) {
  World w;
  glm::ivec3 const p{1, 2, 3};
  w.set(p, cells().stone);
  Wmap_page& page = *w.wmap.find({0, 0, 0});
  page.light.set(cell_index(1, 2, 3), 0x3a);
  Cell_id const brick = cell_db()["fun.brick"].id;
  page.paints[static_cast<std::int16_t>(3 * 4096 + cell_index(1, 2, 3))] = brick;
  page.paints[static_cast<std::int16_t>(cell_index(1, 2, 3))] = cells().glass;
  struct Case {
    char const* code;
    glm::ivec3 at;
    char const* shown;
  } const cases[] = {
      {"cell(@0)", p, "fun.stone"},        {"cell(@0)", {1, 2, 4}, "fun.air"},
      {"cell(@0)", unloaded, ""},          {"light(@0)", p, "58"},
      {"light(@0)", {1, 2, 4}, "0"},       {"light(@0)", unloaded, "15"},
      {"face(@0, 3)", p, "fun.brick"},     {"face(@0, 0)", p, "fun.glass"},
      {"face(@0, 16)", p, "fun.glass"},    {"face(@0, -16)", p, "fun.glass"},
      {"face(@0, 6)", p, "null"},          {"face(@0, 2)", p, "null"},
      {"face(@0, 3)", {1, 2, 4}, "null"},  {"face(@0, 3)", unloaded, "null"},
  };
  page.light.set(cell_index(1, 2, 4), 0);
  for (auto const& c : cases) EXPECT_EQ(w.run(c.code, {Val(c.at)}), c.shown) << c.code << fun_world::text(c.at);
}

TEST(World_functions, AxesAreTriedFromTheOneTheViewRunsMostAlong) {
  struct Case {
    glm::vec3 view;
    std::array<int, 3> order;
  } const cases[] = {
      {{0.1f, 0.3f, 0.9f}, {2, 1, 0}},  {{0.1f, 0.9f, 0.3f}, {1, 2, 0}},   {{0.3f, 0.9f, 0.1f}, {1, 0, 2}},
      {{0.3f, 0.1f, 0.9f}, {2, 0, 1}},  {{0.9f, 0.1f, 0.3f}, {0, 2, 1}},   {{0.9f, 0.3f, 0.1f}, {0, 1, 2}},
      {{-0.5f, 0.5f, 0.7f}, {2, 1, 0}}, {{0.5f, -0.7f, 0.7f}, {1, 2, 0}},  {{0.5f, 0.7f, -0.5f}, {1, 0, 2}},
      {{0.7f, 0.5f, -0.7f}, {0, 2, 1}}, {{-0.7f, 0.7f, 0.5f}, {0, 1, 2}},  {{0.5f, 0.5f, 0.5f}, {0, 1, 2}},
      {{0.0f, -1.0f, 0.0f}, {1, 0, 2}}, {{0.0f, 0.0f, 0.0f}, {0, 1, 2}},   {{NAN, NAN, NAN}, {0, 1, 2}},
  };
  for (auto const& c : cases)
    EXPECT_EQ(axis_order(c.view), c.order) << c.view.x << " " << c.view.y << " " << c.view.z;
}

TEST(World_functions, PlaceFillsAnEmptyCellWithTheFirstTrueCandidateOfTheView) {
  glm::ivec3 const p{4, 4, 4}, stone{4, 3, 4};
  glm::vec3 const along_x{0.9f, 0.3f, -0.2f}, along_z{0.2f, 0.1f, -0.97f}, down{0.0f, -1.0f, 0.0f};
  struct Case {
    glm::vec3 view;
    char const* code;
    char const* result;
    char const* placed; // what p holds afterwards
  } const cases[] = {
      {along_z, "place(@0, \"fun.glass\")", "true", "fun.glass"},
      {along_x, "place(@0, null, \"fun.glass\", null)", "true", "fun.glass"},
      {along_z, "place(@0, null, \"fun.glass\", null)", "true", "fun.glass"},
      {along_z, "place(@0, \"fun.stone\", \"fun.glass\", \"fun.water\")", "true", "fun.water"},
      {along_x, "place(@0, \"fun.stone\", \"fun.glass\", \"fun.water\")", "true", "fun.stone"},
      {along_x, "place(@0, 0, \"fun.glass\", \"fun.water\")", "true", "fun.glass"},
      {along_x, "place(@0, null, null, null)", "false", "fun.air"},
      {along_x, "place(@0, 5, \"fun.glass\", null)", "error: bad cast", "fun.air"},
      // Looking down: -y, then -x before -z; the other three are never looked at.
      {down, "place(@0, 5, \"fun.glass\", 5, \"fun.stone\", 5, \"fun.water\")", "true", "fun.stone"},
      {down, "place(@0, 5, \"fun.glass\", 5, null, 5, \"fun.water\")", "true", "fun.glass"},
      {down, "place(@0, 5, null, 5, null, 5, \"fun.water\")", "true", "fun.water"},
      {{0.5f, 0.9f, 0.6f}, "place(@0, 5, \"fun.glass\", \"fun.stone\", 5, \"fun.water\", 5)", "true", "fun.stone"},
      {{0.5f, 0.9f, 0.6f}, "place(@0, 5, \"fun.glass\", null, 5, \"fun.water\", 5)", "true", "fun.water"},
      {along_x, "place(@0, \"\")", "false", "fun.air"},
      {along_x, "place(@0, null)", "error: bad cast", "fun.air"},
  };
  for (auto const& c : cases) {
    World w;
    w.view = c.view;
    EXPECT_EQ(w.run(c.code, {Val(p)}), c.result) << c.code;
    EXPECT_EQ(cell_db()[w.wmap.get_cell(p)].name, c.placed) << c.code;
    std::vector<std::string> events;
    if (std::string(c.result) == "true")
      events = {"cell [4,4,4] " + std::string(c.placed), "place sound of " + std::string(c.placed)};
    EXPECT_EQ(w.effects->events, events) << c.code;
  }
  // A cell that is not empty, or not loaded, refuses before its candidate is even read.
  for (glm::ivec3 at : {stone, unloaded}) {
    World w;
    w.set(stone, cells().stone);
    for (char const* code : {"place(@0, \"fun.glass\")", "place(@0, 5)", "place(@0, \"fun.glass\", 5, 5)"})
      EXPECT_EQ(w.run(code, {Val(at)}), "false") << code;
    EXPECT_EQ(w.wmap.get_cell(stone), cells().stone);
    EXPECT_TRUE(w.effects->events.empty());
  }
}

TEST(World_functions, PaintCoversAFaceOfAnOpaqueCellWithTheCandidateOfItsPaintingDirection) {
  glm::ivec3 const stone{4, 3, 4}, glass{4, 4, 4};
  struct Case {
    glm::ivec3 at;
    Face face;
    glm::vec3 view;
    char const* code;
    char const* result;
    char const* painted; // the face's paint afterwards
  } const cases[] = {
      {stone, Face::u, {0, 0, -1}, "paint(@0, @1, \"fun.brick\")", "true", "fun.brick"},
      {stone, Face::l, {0, 0, -1}, "paint(@0, @1, \"fun.brick\")", "true", "fun.brick"}, // face l is false, yet used
      {stone, Face::u, {1, 0, 0}, "paint(@0, @1, \"a.0\", \"a.1\", \"a.2\", \"a.3\")", "true", "a.0"},
      {stone, Face::u, {-1, 0, 0}, "paint(@0, @1, \"a.0\", \"a.1\", \"a.2\", \"a.3\")", "true", "a.1"},
      {stone, Face::u, {0, 0, 1}, "paint(@0, @1, \"a.0\", \"a.1\", \"a.2\", \"a.3\")", "true", "a.2"},
      {stone, Face::u, {0, -1, 0}, "paint(@0, @1, \"a.0\", \"a.1\", \"a.2\", \"a.3\")", "true", "a.3"},
      {stone, Face::l, {0, 0, -1}, "paint(@0, @1, \"a.0\", \"a.1\", \"a.2\", \"a.3\")", "true", "a.0"},
      {stone, Face::f, {0.5f, 0.5f, -1}, "paint(@0, @1, \"a.0\", \"a.1\", \"a.2\", \"a.3\")", "true", "a.2"},
      {stone, Face::u, {0, 0, -1}, "paint(@0, @1, \"\")", "false", "null"},
      {stone, Face::u, {0, 0, -1}, "paint(@0, @1, 5)", "error: bad cast", "null"},
      {stone, Face::u, {0, -1, 0}, "paint(@0, @1, 5, 5, 5, null)", "error: bad cast", "null"},
      {glass, Face::u, {0, 0, -1}, "paint(@0, @1, \"fun.brick\")", "false", "null"},
      {glass, Face::u, {0, 0, -1}, "paint(@0, @1, 5)", "false", "null"},
      {{4, 5, 4}, Face::u, {0, 0, -1}, "paint(@0, @1, \"fun.brick\")", "false", "null"}, // air
      {unloaded, Face::u, {0, 0, -1}, "paint(@0, @1, \"fun.brick\")", "false", "null"},
  };
  for (auto const& c : cases) {
    World w;
    w.set(stone, cells().stone);
    w.set(glass, cells().glass);
    w.view = c.view;
    EXPECT_EQ(w.run(c.code, {Val(c.at), Val(c.face)}), c.result) << c.code;
    EXPECT_EQ(w.run("face(@0, " + std::to_string(int(c.face)) + ")", {Val(c.at)}), c.painted) << c.code;
    std::vector<std::string> events;
    if (std::string(c.result) == "true")
      events = {"face " + fun_world::text(c.at) + " " + std::to_string(int(c.face)) + " " + c.painted,
                "play basic.place_wallpaper"};
    EXPECT_EQ(w.effects->events, events) << c.code;
  }
}

TEST(World_functions, ReplaceSpawnBrowseAndCraft) {
  World w;
  glm::ivec3 const p{4, 3, 4};
  w.set(p, cells().stone);
  std::size_t const types = cell_db().size();
  EXPECT_EQ(w.run("replace(@0, \"fun.glass\")", {Val(p)}), "true");
  EXPECT_EQ(w.run("replace(@0, \"\")", {Val(p)}), "false");
  EXPECT_EQ(w.run("replace(@0, \"fun.never_defined\")", {Val(unloaded)}), "false");
  EXPECT_EQ(cell_db().size(), types) << "an unloaded page registers no type";
  EXPECT_EQ(w.effects->events, std::vector<std::string>{"cell [4,3,4] fun.glass"}) << "no sound";

  std::size_t const mobs = w.scene.mobs.size();
  EXPECT_EQ(w.run("spawn(@0, \"fun.hopper\")", {vec(-3, 7, 2)}), "false");
  ASSERT_EQ(w.scene.mobs.size(), mobs + 1);
  Mob const& spawned = *w.scene.mobs[mobs];
  EXPECT_EQ(spawned.type, mob_db()["fun.hopper"].id);
  EXPECT_EQ(spawned.body.position, glm::vec3(-2.5f, 7.0f, 2.5f));

  EXPECT_EQ(w.run("browse(@0)", {vec(9, 9, 9)}), "true");
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_container));
  w.mode = mode_console;
  EXPECT_EQ(w.run("craft(@0)", {vec(9, 9, 9)}), "true");
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_target_recipes));
}

TEST(World_functions, CrossStepsThePlayerThroughOntoTheFirstBlockingCellBelow) {
  struct Case {
    glm::ivec3 a, b;
    std::vector<std::pair<glm::ivec3, Cell_id>> cells;
    std::optional<glm::vec3> feet; // the player's lowest point afterwards; none: refused
  };
  fun_world::Cells const& c = cells();
  Case const cases[] = {
      {{5, 5, 5}, {5, 5, 5}, {{{5, 4, 5}, c.stone}}, glm::vec3(5.5f, 5.001f, 5.5f)},
      {{5, 10, 5}, {5, 10, 4}, {}, glm::vec3(5.5f, 10.5f - 0.9f, 6.5f)},
      {{5, 10, 5}, {4, 10, 5}, {{{6, 8, 5}, c.stone}}, glm::vec3(6.5f, 9.001f, 5.5f)},
      {{5, 10, 5}, {4, 10, 5}, {{{6, 9, 5}, c.ladder}}, glm::vec3(6.5f, 10.001f, 5.5f)},
      {{5, 10, 5}, {4, 10, 5}, {{{6, 9, 5}, c.water}, {{6, 8, 5}, c.glass}}, glm::vec3(6.5f, 10.5f - 0.9f, 5.5f)},
      {{5, 10, 5}, {4, 10, 5}, {{{6, 9, 5}, 0}}, glm::vec3(6.5f, 10.001f, 5.5f)}, // the nameless type blocks
      {{5, 1, 5}, {5, 2, 5}, {}, glm::vec3(5.5f, 0.001f, 5.5f)},                  // below the page: not loaded
      {{5, 10, 5}, {4, 10, 5}, {{{6, 10, 5}, c.stone}}, std::nullopt},
      {{5, 10, 5}, {4, 10, 5}, {{{6, 10, 5}, c.ladder}}, std::nullopt},
      {{5, 10, 5}, {4, 10, 5}, {{{6, 10, 5}, 0}}, std::nullopt},
      {{15, 10, 5}, {14, 10, 5}, {}, std::nullopt}, // t in the next page, not loaded
  };
  for (auto const& k : cases) {
    World w;
    for (auto [at, id] : k.cells) w.set(at, id);
    Body& body = w.scene.player->body;
    body.velocity = {0.1f, 0.2f, 0.3f};
    glm::vec3 const before = body.position;
    EXPECT_EQ(w.run("cross(@0, @1)", {Val(k.a), Val(k.b)}), k.feet ? "true" : "false");
    glm::vec3 const feet = body.position - glm::vec3(0.0f, body.size.y, 0.0f);
    if (k.feet) {
      EXPECT_NEAR(feet.x, k.feet->x, 1e-5f);
      EXPECT_NEAR(feet.y, k.feet->y, 1e-5f);
      EXPECT_NEAR(feet.z, k.feet->z, 1e-5f);
      EXPECT_EQ(body.box_min.y, feet.y);
    } else {
      EXPECT_EQ(body.position, before);
    }
    EXPECT_EQ(body.velocity, glm::vec3(0.1f, 0.2f, 0.3f));
  }
}
