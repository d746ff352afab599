// Scopes, the three entry points and host bindings.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "support/kestrine_util.hpp"

namespace {

// Host types standing in for a game's cell position and creature.
struct Cell {
  int x, y, z;
  bool operator==(Cell const&) const = default;
};
struct Critter {
  long state = 0;
  long frame = 0;
};

} // namespace

template <> struct kestrine::Type_name<Cell> {
  static constexpr char const* value = "Vec";
};
template <> struct kestrine::Type_name<Critter*> {
  static constexpr char const* value = "Mob";
};

namespace kestrine {
namespace {

using kestrine_util::error_of;

TEST(Scope, AddKeepsTheFirstBinding) {
  Scope s;
  s.add("a", Val(Int{1}));
  s.add("b", Val(Int{2}));
  s.add("a", Val(Int{3}));
  EXPECT_EQ(s.tags().at("b"), 1u);
  ASSERT_EQ(s.vals().size(), 2u);
  EXPECT_EQ(s.vals()[0].get<Int>(), 1);
}

TEST(Eval, ArgumentsAndGlobals) {
  Scope s;
  s.add("g", Val(Int{1}));
  Val args[] = {Val(Int{5}), Val("five")};
  EXPECT_EQ(eval(s, "@0 * 2", args, 2).get<Int>(), 10);
  EXPECT_EQ(eval(s, "@1", args, 2).get<String>(), "five");
  EXPECT_TRUE(eval(s, "@2", args, 2).is<Null>());
  EXPECT_EQ(eval(s, "g = g + 1").get<Int>(), 2);
  EXPECT_EQ(s.vals()[0].get<Int>(), 2);
}

TEST(Interactive, KeepsLocalsAcrossCallsAndFailures) {
  Scope s;
  Interactive console;
  EXPECT_EQ(console(s, "a = 1").get<Int>(), 1);
  EXPECT_EQ(console(s, "y = [a]\na = 2").get<Int>(), 2);
  EXPECT_EQ(console(s, "y[0] + a").get<Int>(), 3);
  // Names of a failed compile stay, as null.
  testing::internal::CaptureStderr();
  EXPECT_THROW(console(s, "b = c +"), std::runtime_error);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(console(s, "c").is<Null>());
  // A run-time error keeps what was stored before it.
  EXPECT_THROW(console(s, "a = 5\na + null"), std::runtime_error);
  EXPECT_EQ(console(s, "a").get<Int>(), 5);
}

TEST(Standalone, FreshLocalsEveryRunGlobalsPersist) {
  Scope s;
  s.add("count", Val(Int{0}));
  Standalone f(s, "seen = seen == null\ncount = count + 1\nseen");
  EXPECT_TRUE(f().get<bool>());
  EXPECT_TRUE(f().get<bool>());
  EXPECT_EQ(s.vals()[0].get<Int>(), 2);
  // The host may replace a global between runs.
  Standalone g(s, "count * 10");
  s.vals()[0] = Val(Int{7});
  EXPECT_EQ(g().get<Int>(), 70);
  Val a[] = {Val(Int{1})};
  EXPECT_EQ(Standalone(s, "v = @0 + 1\nv + count")(a, 1).get<Int>(), 9);
}

TEST(Standalone, ANameBoundLaterIsALocal) {
  Scope s;
  Standalone early(s, "late");
  s.add("late", Val(Int{9}));
  EXPECT_TRUE(early().is<Null>());
  EXPECT_EQ(Standalone(s, "late")().get<Int>(), 9);
  // A script compiled before the binding writes its own local.
  Standalone local_writer(s, "q = 2");
  s.add("q", Val(Int{0}));
  local_writer();
  EXPECT_EQ(s.vals()[1].get<Int>(), 0);
}

// ---- Host functions ----

long twice(long v) { return v * 2; }
Cell up(Cell const& c) { return {c.x, c.y + 1, c.z}; }
void append(List& l, Val const& v) { l.push_back(v); }
int small() { return 3; }

TEST(Fun, CallsWithExactTypesAndNamesTheSignature) {
  Scope s;
  s.add("twice", Val(Fun(&twice)));
  s.add("up", Val(Fun(&up)));
  s.add("append", Val(Fun(&append)));
  s.add("small", Val(Fun(&small)));
  Val c[] = {Val(Cell{1, 2, 3})};
  EXPECT_EQ(eval(s, "up(@0)", c, 1).get<Cell>(), (Cell{1, 3, 3}));
  // Any integer result is an Int; no result is null.
  EXPECT_EQ(eval(s, "small()").get<Int>(), 3);
  EXPECT_TRUE(eval(s, "append([], 1)").is<Null>());
  // A list parameter is the script's own list.
  EXPECT_EQ(eval(s, "l = [1]\nappend(l, 2)\nl").get<List>().size(), 2u);
  std::pair<char const*, char const*> mismatches[] = {
      {"up()", "(Vec)"},          {"up(1)", "(Vec)"},         {"append({}, 1)", "(List, Val)"},
      {"append([])", "(List, Val)"}, {"small(1)", "()"},
      {"twice(true)", "(Int)"}, // no conversions
  };
  for (auto const& [text, signature] : mismatches)
    EXPECT_EQ(error_of([&] { eval(s, text); }), std::string("function expects ") + signature);
}

TEST(Fun, CarriesHostStateAndPassesErrorsOn) {
  Scope s;
  std::ostringstream out;
  s.add("say", Val(Fun([&](String const& text) { out << text; })));
  s.add("fail", Val(Fun([](long code) -> long {
          throw std::runtime_error("host failed " + std::to_string(code));
        })));
  eval(s, "say(\"a\")\nsay(\"b\")");
  EXPECT_EQ(out.str(), "ab");
  EXPECT_EQ(error_of([&] { eval(s, "fail(7)"); }), "host failed 7");
}

std::string who;
void on_mob(Critter* const&, String const&) { who = "mob"; }
void on_vec(Cell const&, String const&) { who = "vec"; }
void on_name(String const&) { who = "name"; }
void on_any(Val const&) { who = "any"; }

TEST(Funs, TheFirstMatchingOverloadIsCalled) {
  Scope s;
  s.add("give", Val(make_funs(&on_mob, &on_vec)));
  s.add("pick", Val(make_funs(&on_name, &on_any)));
  Critter c;
  Val args[] = {Val(Cell{0, 0, 0}), Val(&c)};
  std::pair<char const*, char const*> calls[] = {
      {"give(@0, \"x\")", "vec"}, {"give(@1, \"x\")", "mob"}, {"pick(\"s\")", "name"}, {"pick(1)", "any"}};
  for (auto const& [text, callee] : calls) {
    eval(s, text, args, 2);
    EXPECT_EQ(who, callee) << text;
  }
  EXPECT_EQ(error_of([&] { eval(s, "give(@1, 1)", args, 2); }),
            "function expects one of:\n  (Mob, String)\n  (Vec, String)");
  EXPECT_EQ(error_of([&] { eval(s, "pick()"); }), "function expects one of:\n  (String)\n  (Val)");
}

TEST(Field, ReadsAndWritesAMember) {
  Scope s;
  s.add("mob_state", Val(Field(&Critter::state)));
  Critter c;
  c.state = 4;
  Val args[] = {Val(&c)};
  EXPECT_EQ(eval(s, "mob_state(@0)", args, 1).get<Int>(), 4);
  EXPECT_TRUE(eval(s, "mob_state(@0, 7)", args, 1).is<Null>());
  EXPECT_EQ(c.state, 7);
  EXPECT_EQ(c.frame, 0);
  EXPECT_EQ(error_of([&] { eval(s, "mob_state(@0, \"x\")", args, 1); }), "bad cast");
  EXPECT_EQ(error_of([&] { eval(s, "mob_state(1)"); }), "bad cast");
  EXPECT_EQ(c.state, 7);
  for (char const* text : {"mob_state()", "mob_state(@0, 1, 2)"})
    EXPECT_EQ(error_of([&] { eval(s, text, args, 1); }), "function expects one of:\n  (Mob, Int)\n  (Mob)");
}

} // namespace
} // namespace kestrine
