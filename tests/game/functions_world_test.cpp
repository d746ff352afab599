// The game functions on one loaded page of air around the origin; positions
// outside it are not loaded.
#include "game/fun_world.hpp"
#include "world/page_file.hpp"

#include "support/fun_world.hpp"

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include <optional>

using fun_world::cell;
using fun_world::World;
using kestrine::Val;

namespace {

glm::ivec3 const unloaded{40, 4, 4};
std::string const place_expects =
    "error: function expects one of:\n  (Vec, Val)\n  (Vec, Val, Val, Val)\n  (Vec, Val, Val, Val, Val, Val, Val)";
std::string const paint_expects =
    "error: function expects one of:\n  (Vec, Int, Val)\n  (Vec, Int, Val, Val, Val, Val)";
std::string const give_expects =
    "error: function expects one of:\n  (Mob, String)\n  (Mob, String, Int)\n  (Vec, String)\n  (Vec, String, Int)";

} // namespace

TEST(Game_functions, AreBoundInOrderAndRefuseCallsThatFitNoSignature) {
  World w;
  for (std::size_t i = 0; i < game_function_names.size(); ++i) {
    std::string const name(game_function_names[i]);
    EXPECT_EQ(w.script.scope.tags().at(name), i);
    EXPECT_EQ(w.run(name + " == " + name + " and " + name), "<func>");
  }
  std::pair<char const*, std::string> const calls[] = {
      {"clear(1)", "error: function expects ()"},          {"say(1)", "error: function expects (String)"},
      {"rand(1, \"2\")", "error: function expects (Int, Int)"}, {"size()", "error: function expects (Val)"},
      {"push(\"ab\", 1)", "error: function expects (List, Val)"}, {"pop({})", "error: function expects (List)"},
      {"cupl(@1)", "error: function expects ()"},          {"light(@0, @0)", "error: function expects (Vec)"},
      {"face(@0, @0[0])", "error: function expects (Vec, Int)"}, {"place(@0)", place_expects},
      {"place(@0, 1, 2)", place_expects},                  {"place(1, 2)", place_expects},
      {"spawn(@0, 1)", "error: function expects (Vec, String)"}, {"paint(@0, 3, \"fun.stone\")", paint_expects},
      {"paint(@0, @1, 1, 2, 3)", paint_expects},           {"paint(@1, @0, 1)", paint_expects},
      {"replace(@0)", "error: function expects (Vec, String)"}, {"browse(5)", "error: function expects (Vec)"},
      {"cross(@0)", "error: function expects (Vec, Vec)"},
      {"mob_state()", "error: function expects one of:\n  (Mob, Int)\n  (Mob)"},
      {"mob_state(@2, \"x\")", "error: bad cast"},          {"mob_frame(@0)", "error: bad cast"},
      {"mob_wait(@0, 1)", "error: function expects (Mob, Int)"}, {"give(@2, \"a\", \"1\")", give_expects},
      {"take(1, \"a\")", give_expects},
      {"has(@0, \"a\", 1)", "error: function expects one of:\n  (Mob, String)\n  (Vec, String)"},
      {"play(\"a\", 1)", "error: function expects one of:\n  (String, Mob)\n  (String, Vec)\n  (String)"},
      {"size(1)", "error: object does not implement size()"}, {"rand(3, 2)", "error: rand expects a <= b"},
  };
  for (auto const& [code, message] : calls)
    EXPECT_EQ(w.run(code, {Val(glm::ivec3(1, 2, 3)), Val(Face::u), mob_value(*w.scene.player)}), message) << code;
  EXPECT_EQ(w.happened(), "");
}

TEST(Game_functions, PositionsAndCellsRead) {
  World w;
  w.scene.player->body.position = {-0.5f, 10.2f, 3.9f};
  w.cursor = {Raycast_result::Kind::mob, {1, -2, 30}, {1, -1, 30}, Face::u, {}};
  EXPECT_EQ(w.run("[here(), cubr(), cupl()]") + w.run("print(here(), cubr(), cupl())"), "[[...],[...],[...]]null");
  EXPECT_EQ(w.script.transcript.text(), "[0,10,3][1,-2,30][1,-1,30]\n");
  glm::ivec3 const p{1, 2, 3};
  w.set(p, cell("fun.stone"));
  Wmap_page& page = *w.wmap.find({0, 0, 0});
  page.light.set(cell_index(1, 2, 3), 0x3a);
  page.paints[std::int16_t(3 * 4096 + cell_index(1, 2, 3))] = cell_db()["fun.brick"].id;
  page.paints[std::int16_t(cell_index(1, 2, 3))] = cell("fun.glass");
  std::tuple<char const*, glm::ivec3, char const*> const reads[] = {
      {"cell(@0)", p, "fun.stone"},     {"cell(@0)", unloaded, ""},        {"light(@0)", p, "58"},
      {"light(@0)", unloaded, "15"},    {"face(@0, 3)", p, "fun.brick"},   {"face(@0, 16)", p, "fun.glass"},
      {"face(@0, -16)", p, "fun.glass"}, {"face(@0, 6)", p, "null"},       {"face(@0, 3)", unloaded, "null"},
  };
  for (auto [code, at, shown] : reads) EXPECT_EQ(w.run(code, {Val(at)}), shown) << code << fun_world::text(at);
}

TEST(Game_functions, PlaceTriesTheAxesFromTheOneTheViewRunsMostAlong) {
  std::pair<glm::vec3, std::array<int, 3>> const orders[] = {
      {{0.1f, 0.3f, 0.9f}, {2, 1, 0}},  {{0.3f, 0.9f, 0.1f}, {1, 0, 2}}, {{0.9f, 0.1f, 0.3f}, {0, 2, 1}},
      {{0.5f, -0.7f, 0.7f}, {1, 2, 0}}, {{0.5f, 0.5f, 0.5f}, {0, 1, 2}}, {{NAN, NAN, NAN}, {0, 1, 2}}};
  for (auto [view, order] : orders) EXPECT_EQ(axis_order(view), order) << view.x << " " << view.y << " " << view.z;

  glm::vec3 const x{0.9f, 0.3f, -0.2f}, z{0.2f, 0.1f, -0.97f}, down{0.0f, -1.0f, 0.0f}, up{0.5f, 0.9f, 0.6f};
  std::tuple<glm::vec3, char const*, char const*> const cases[] = { // view, call, what p holds ("error: ..." raised)
      {z, "\"fun.stone\", \"fun.glass\", \"fun.water\"", "fun.water"},
      {x, "\"fun.stone\", \"fun.glass\", \"fun.water\"", "fun.stone"},
      {x, "0, \"fun.glass\", \"fun.water\"", "fun.glass"},
      {x, "5, \"fun.glass\", null", "error: bad cast"},
      {down, "5, \"fun.glass\", 5, \"fun.stone\", 5, \"fun.water\"", "fun.stone"}, // -y, then -x before -z
      {up, "5, \"fun.glass\", \"fun.stone\", 5, \"fun.water\", 5", "fun.stone"},
      {x, "\"\"", "fun.air"},
      {x, "null", "error: bad cast"},
  };
  for (auto [view, args, placed] : cases) {
    World w;
    w.view = view;
    std::string const code = "place(@0, " + std::string(args) + ")", p = "[4,4,4]";
    bool const made = std::string(placed) != "fun.air" && placed[0] != 'e';
    EXPECT_EQ(w.run(code, {Val(glm::ivec3(4, 4, 4))}), placed[0] == 'e' ? placed : made ? "true" : "false") << code;
    EXPECT_EQ(w.happened(), made ? "cell " + p + " " + placed + "; place sound of " + placed : "") << code;
  }
  // A cell that is not empty, or not loaded, refuses before any candidate is read.
  World w;
  w.set({4, 3, 4}, cell("fun.glass"));
  for (glm::ivec3 at : {glm::ivec3(4, 3, 4), unloaded})
    EXPECT_EQ(w.run("[place(@0, \"fun.stone\"), place(@0, 5), place(@0, \"fun.stone\", 5, 5)]", {Val(at)}),
              "[false,false,false]");
  EXPECT_EQ(w.happened(), "");
}

TEST(Game_functions, PaintCoversAFaceOfAnOpaqueCellWithTheCandidateOfItsPaintingDirection) {
  glm::ivec3 const stone{4, 3, 4}, glass{4, 4, 4};
  char const* const four = "\"a.0\", \"a.1\", \"a.2\", \"a.3\"";
  std::tuple<glm::ivec3, Face, glm::vec3, std::string, char const*> const cases[] = { // ..., painted or result
      {stone, Face::u, {0, 0, -1}, "\"fun.brick\"", "fun.brick"},
      {stone, Face::l, {0, 0, -1}, "\"fun.brick\"", "fun.brick"}, // face l is false, and still a face
      {stone, Face::u, {1, 0, 0}, four, "a.0"},
      {stone, Face::u, {0, -1, 0}, four, "a.3"},
      {stone, Face::u, {0, 0, -1}, "\"\"", "false"},
      {stone, Face::u, {0, -1, 0}, "5, 5, 5, null", "error: bad cast"},
      {glass, Face::u, {0, 0, -1}, "5", "false"},
      {unloaded, Face::u, {0, 0, -1}, "\"fun.brick\"", "false"},
  };
  for (auto [at, face, view, args, painted] : cases) {
    World w;
    w.set(stone, cell("fun.stone"));
    w.set(glass, cell("fun.glass"));
    w.view = view;
    std::string const code = "paint(@0, @1, " + args + ")", f = std::to_string(int(face));
    bool const made = std::string(painted) != "false" && painted[0] != 'e';
    EXPECT_EQ(w.run(code, {Val(at), Val(face)}), made ? "true" : painted) << code;
    EXPECT_EQ(w.run("face(@0, " + f + ")", {Val(at)}), made ? painted : "null") << code;
    std::string const event = "face " + fun_world::text(at) + " " + f + " " + painted + "; play basic.place_wallpaper";
    EXPECT_EQ(w.happened(), made ? event : "") << code;
  }
}

TEST(Game_functions, ReplaceSpawnBrowseAndCraft) {
  World w;
  std::size_t const types = cell_db().size(), mobs = w.scene.mobs.size();
  w.set({4, 3, 4}, cell("fun.stone"));
  EXPECT_EQ(w.run("[replace(@0, \"fun.glass\"), replace(@0, \"\"), replace(@1, \"fun.not_a_type\")]",
                  {Val(glm::ivec3(4, 3, 4)), Val(unloaded)}),
            "[true,false,false]");
  EXPECT_EQ(cell_db().size(), types) << "an unloaded page registers no type";
  EXPECT_EQ(w.happened(), "cell [4,3,4] fun.glass") << "and no sound";
  EXPECT_EQ(w.run("spawn(@0, \"fun.hopper\")", {Val(glm::ivec3(-3, 7, 2))}), "false");
  ASSERT_EQ(w.scene.mobs.size(), mobs + 1);
  EXPECT_EQ(std::tuple(w.scene.mobs[mobs]->type, w.scene.mobs[mobs]->body.position),
            std::tuple(mob_db()["fun.hopper"].id, glm::vec3(-2.5f, 7.0f, 2.5f)));
  EXPECT_EQ(w.run("browse(@0)", {Val(unloaded)}), "true");
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_container));
  EXPECT_EQ(w.run("craft(@0)", {Val(unloaded)}), "true");
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_target_recipes));
}

TEST(Game_functions, SpawnRefusesAMobPastWhatAPageFileHolds) {
  World w; // the player stands in page (0, 0, 0)
  Mob_id const hopper = mob_db()["fun.hopper"].id;
  while (w.scene.mobs.size() < max_page_mobs - 3) w.scene.mobs.construct(hopper, {15.5f, 0.0f, 0.0f});
  w.scene.mobs.construct(hopper, {16.0f, 0.0f, 0.0f}); // page (1, 0, 0)
  std::vector<Val> const at = {Val(glm::ivec3(1, 2, 3)), Val(glm::ivec3(16, 2, 3))};
  // Mobs made in this very script count before the regrouping lists them.
  EXPECT_EQ(w.run("i = 0\nwhile i < 5:\n    spawn(@0, \"fun.hopper\")\n    i = i + 1\n", at),
            "error: too many mobs in the page");
  EXPECT_EQ(w.run("i", at), "3");
  EXPECT_EQ(w.scene.mobs.size(), max_page_mobs + 1);
  EXPECT_EQ(w.run("spawn(@1, \"fun.hopper\")", at), "false") << "another page has room";
  w.scene.mobs[w.scene.mobs.size() - 2]->body.flags |= Body::erased;
  EXPECT_EQ(w.run("spawn(@0, \"fun.hopper\")", at), "false") << "an erased mob leaves its place";
  EXPECT_EQ(w.run("spawn(@0, \"fun.hopper\")", at), "error: too many mobs in the page");
}

TEST(Game_functions, NothingChangesInAPageBeforeItsFillOrBeyondTheLevelRange) {
  World w;
  w.set({4, 3, 4}, cell("fun.stone"));
  w.wmap.find({0, 0, 0})->stage = 0;
  w.load({0, 2047, 0}, cell("fun.air")).stage = 7; // up to y 32767
  std::vector<Val> const at = {Val(glm::ivec3(4, 4, 4)), Val(glm::ivec3(4, 3, 4)), Val(Face::u),
                               Val(glm::ivec3(4, 32767, 4))};
  EXPECT_EQ(w.run("[place(@0, \"fun.glass\"), replace(@0, \"fun.glass\"), paint(@1, @2, \"fun.glass\"), "
                  "cross(@0, @0)]", at),
            "[false,false,false,false]");
  EXPECT_EQ(w.run("[place(@3, \"fun.glass\"), replace(@3, \"fun.glass\"), place(@3 + @1 - @0, \"fun.glass\")]", at),
            "[false,false,true]");
  EXPECT_EQ(w.happened(), "cell [4,32766,4] fun.glass; place sound of fun.glass");
}

TEST(Game_functions, CrossStepsThePlayerThroughOntoTheFirstBlockingCellBelow) {
  glm::ivec3 const a{5, 10, 5}, b{4, 10, 5}; // t = (6, 10, 5)
  using Cells = std::vector<std::pair<glm::ivec3, Cell_id>>;
  std::tuple<glm::ivec3, glm::ivec3, Cells, std::optional<float>> const cases[] = { // a, b, cells, feet
      {{5, 5, 5}, {5, 5, 5}, {{{5, 4, 5}, cell("fun.stone")}}, 5.001f}, // the feet just above the stone
      {a, b, {}, 10.5f - 0.9f},
      {a, b, {{{6, 9, 5}, cell("fun.ladder")}}, 10.001f},
      {a, b, {{{6, 9, 5}, 0}}, 10.001f},
      {a, b, {{{6, 9, 5}, cell("fun.water")}, {{6, 8, 5}, cell("fun.glass")}}, 10.5f - 0.9f},
      {{5, 1, 5}, {5, 2, 5}, {}, 0.001f}, // the page below is not loaded
      {a, b, {{{6, 10, 5}, cell("fun.ladder")}}, std::nullopt},
      {{15, 10, 5}, {14, 10, 5}, {}, std::nullopt},
  };
  for (auto const& [from, to, cells, feet] : cases) {
    World w;
    for (auto [at, id] : cells) w.set(at, id);
    Body& body = w.scene.player->body;
    body.velocity = {0.1f, 0.2f, 0.3f};
    glm::vec3 const before = body.position, t = 2 * from - to;
    EXPECT_EQ(w.run("cross(@0, @1)", {Val(from), Val(to)}), feet ? "true" : "false");
    glm::vec3 const want = feet ? glm::vec3(t.x + 0.5f, *feet + 0.9f, t.z + 0.5f) : before;
    EXPECT_LT(glm::distance(body.position, want), 1e-5f) << fun_world::text(from);
    EXPECT_TRUE(!feet || body.box_min.y == body.position.y - 0.9f) << "the box moves along";
    EXPECT_EQ(body.velocity, glm::vec3(0.1f, 0.2f, 0.3f));
  }
}
