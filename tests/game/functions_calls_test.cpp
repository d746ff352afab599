// Every game function refuses the calls that fit none of its signatures with
// its own message, whatever it would otherwise touch.
#include "support/fun_world.hpp"

#include <gtest/gtest.h>

using fun_world::World;
using kestrine::Val;

namespace {

std::string const place_expects =
    "error: function expects one of:\n  (Vec, Val)\n  (Vec, Val, Val, Val)\n  (Vec, Val, Val, Val, Val, Val, Val)";
std::string const paint_expects = "error: function expects one of:\n  (Vec, Int, Val)\n  (Vec, Int, Val, Val, Val, Val)";
std::string const field_expects = "error: function expects one of:\n  (Mob, Int)\n  (Mob)";
std::string const give_take_expects =
    "error: function expects one of:\n  (Mob, String)\n  (Mob, String, Int)\n  (Vec, String)\n  (Vec, String, Int)";

} // namespace

TEST(Game_functions, AreBoundInTheirOrderAndShowAsFunctions) {
  World w;
  auto const& names = w.script.scope.tags();
  ASSERT_EQ(names.size(), game_function_names.size());
  for (std::size_t i = 0; i < game_function_names.size(); ++i) {
    std::string name(game_function_names[i]);
    EXPECT_EQ(names.at(name), i) << name;
    EXPECT_EQ(w.run(name), "<func>") << name;
    EXPECT_EQ(w.run(name + " == " + name), "true") << name;
    EXPECT_EQ(w.run(name + " + 1"), "error: object does not implement add()") << name;
  }
  EXPECT_EQ(w.run("mob_state == mob_frame"), "false");
}

TEST(Game_functions, CallsThatFitNoSignatureRaiseTheirMessage) {
  World w;
  Mob* hopper = w.scene.mobs.construct(mob_db()["fun.hopper"].id, {8.5f, 8.5f, 8.5f});
  struct Case {
    char const* call;
    std::string message;
  } const cases[] = {
      {"clear(1)", "error: function expects ()"},
      {"say(1)", "error: function expects (String)"},
      {"say()", "error: function expects (String)"},
      {"rand(1)", "error: function expects (Int, Int)"},
      {"rand(1, \"2\")", "error: function expects (Int, Int)"},
      {"size()", "error: function expects (Val)"},
      {"size(1, 2)", "error: function expects (Val)"},
      {"push(\"ab\", 1)", "error: function expects (List, Val)"},
      {"pop({})", "error: function expects (List)"},
      {"here(1)", "error: function expects ()"},
      {"cubr(null)", "error: function expects ()"},
      {"cupl(@1)", "error: function expects ()"},
      {"cell(1)", "error: function expects (Vec)"},
      {"light(@0, @0)", "error: function expects (Vec)"},
      {"face(@0, @0)", "error: function expects (Vec, Int)"},
      {"face(@0, @0[0])", "error: function expects (Vec, Int)"}, // a component is no Int
      {"place(@0)", place_expects},
      {"place(@0, 1, 2)", place_expects},
      {"place(1, \"fun.stone\")", place_expects},
      {"place(@0, 1, 2, 3, 4, 5)", place_expects},
      {"spawn(@0, 1)", "error: function expects (Vec, String)"},
      {"paint(@0, 3, \"fun.stone\")", paint_expects},
      {"paint(@0)", paint_expects},
      {"paint(@0, @1, 1, 2, 3)", paint_expects},
      {"paint(@1, @0, \"fun.stone\")", paint_expects},
      {"replace(@0)", "error: function expects (Vec, String)"},
      {"browse(5)", "error: function expects (Vec)"},
      {"craft()", "error: function expects (Vec)"},
      {"cross(@0)", "error: function expects (Vec, Vec)"},
      {"mob_state()", field_expects},
      {"mob_frame(@2, 1, 2)", field_expects},
      {"mob_state(@2, \"x\")", "error: bad cast"},
      {"mob_frame(@0)", "error: bad cast"},
      {"mob_wait(@2)", "error: function expects (Mob, Int)"},
      {"mob_wait(@0, 1)", "error: function expects (Mob, Int)"},
      {"give(@2)", give_take_expects},
      {"give(@2, \"fun.apple\", \"1\")", give_take_expects},
      {"take(1, \"fun.apple\")", give_take_expects},
      {"has(@0, \"fun.apple\", 1)", "error: function expects one of:\n  (Mob, String)\n  (Vec, String)"},
      {"play(@0)", "error: function expects one of:\n  (String, Mob)\n  (String, Vec)\n  (String)"},
      {"play(\"a\", 1)", "error: function expects one of:\n  (String, Mob)\n  (String, Vec)\n  (String)"},
  };
  for (auto const& c : cases) {
    EXPECT_EQ(w.run(c.call, {Val(glm::ivec3(1, 2, 3)), Val(Face::u), mob_value(*hopper)}), c.message) << c.call;
  }
  EXPECT_TRUE(w.effects->events.empty());
  EXPECT_EQ(w.mode, mode_roaming);
}
