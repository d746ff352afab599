// Scopes, the three entry points and host bindings.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

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

std::string error_of(auto&& f) {
  try {
    f();
  } catch (std::runtime_error const& e) {
    return e.what();
  }
  return "no error";
}

TEST(Scope, AddKeepsTheFirstBinding) {
  Scope s;
  s.add("a", Val(Int{1}));
  s.add("b", Val(Int{2}));
  s.add("a", Val(Int{3}));
  EXPECT_EQ(s.tags().at("a"), 0u);
  EXPECT_EQ(s.tags().at("b"), 1u);
  ASSERT_EQ(s.vals().size(), 2u);
  EXPECT_EQ(s.vals()[0].get<Int>(), 1);
}

TEST(Eval, ReturnsTheLastExpressionAndSeesArguments) {
  Scope s;
  EXPECT_EQ(eval(s, "x = 4").get<Int>(), 4);
  Val args[] = {Val(Int{5}), Val("five")};
  EXPECT_EQ(eval(s, "@0 * 2", args, 2).get<Int>(), 10);
  EXPECT_EQ(eval(s, "@1", args, 2).get<String>(), "five");
  // Arguments past the count read as null.
  EXPECT_TRUE(eval(s, "@2", args, 2).is<Null>());
  EXPECT_TRUE(eval(s, "if 1: 2\n3").is<Null>());
}

TEST(Eval, GlobalsAreSharedAndWritable) {
  Scope s;
  s.add("g", Val(Int{1}));
  EXPECT_EQ(eval(s, "g = g + 1").get<Int>(), 2);
  EXPECT_EQ(s.vals()[0].get<Int>(), 2);
  EXPECT_EQ(eval(s, "g").get<Int>(), 2);
}

TEST(Eval, ErrorsPassThroughUnchanged) {
  Scope s;
  EXPECT_EQ(error_of([&] { eval(s, "1 + null"); }), "bad cast");
  EXPECT_EQ(error_of([&] { eval(s, "null + 1"); }), "object does not implement add()");
  EXPECT_EQ(error_of([&] { eval(s, "f() = 1"); }), "expected lvalue");
  EXPECT_EQ(error_of([&] { eval(s, "if 1:\n  a\n\tb"); }), "indentation mismatch");
  testing::internal::CaptureStderr();
  EXPECT_EQ(error_of([&] { eval(s, "x ="); }), "compilation failed");
  testing::internal::GetCapturedStderr();
}

TEST(Interactive, KeepsLocalsAcrossCalls) {
  Scope s;
  Interactive console;
  EXPECT_EQ(console(s, "x = 1").get<Int>(), 1);
  EXPECT_EQ(console(s, "x").get<Int>(), 1);
  EXPECT_EQ(console(s, "y = [x]\nx = 2").get<Int>(), 2);
  EXPECT_EQ(console(s, "y[0] + x").get<Int>(), 3);
}

TEST(Interactive, NamesOfAFailedCompileAppearAsNull) {
  Scope s;
  Interactive console;
  console(s, "a = 1");
  testing::internal::CaptureStderr();
  EXPECT_THROW(console(s, "b = c +"), std::runtime_error);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(console(s, "c").is<Null>());
  EXPECT_EQ(console(s, "a").get<Int>(), 1);
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
  Standalone g(s, "count * 10");
  EXPECT_EQ(g().get<Int>(), 20);
  // The host may replace a global between runs.
  s.vals()[0] = Val(Int{7});
  EXPECT_EQ(g().get<Int>(), 70);
}

TEST(Standalone, ManyLocalsAndArguments) {
  Scope s;
  std::string text;
  for (int i = 0; i < 40; ++i) text.append("v").append(std::to_string(i)).append(" = @0 + ").append(std::to_string(i)).append("\n");
  text += "v39 + v0";
  Standalone f(s, text);
  Val a[] = {Val(Int{1})};
  EXPECT_EQ(f(a, 1).get<Int>(), 41);
  EXPECT_EQ(error_of([&] { f(); }), "object does not implement add()");
}

TEST(Standalone, ANameBoundLaterIsALocal) {
  Scope s;
  Standalone early(s, "late");
  s.add("late", Val(Int{9}));
  Standalone after(s, "late");
  EXPECT_TRUE(early().is<Null>());
  EXPECT_EQ(after().get<Int>(), 9);
  // The early script's assignment stays in its own local.
  Standalone writer(s, "late = 1");
  EXPECT_EQ(writer().get<Int>(), 1);
  EXPECT_EQ(s.vals()[0].get<Int>(), 1);
  Standalone local_writer(s, "q = 2");
  s.add("q", Val(Int{0}));
  local_writer();
  EXPECT_EQ(s.vals()[1].get<Int>(), 0);
}

// ---- Host functions ----

long twice(long v) { return v * 2; }
Cell up(Cell const& c) { return {c.x, c.y + 1, c.z}; }
void append(List& l, Val const& v) { l.push_back(v); }
bool is_empty(String const& s) { return s.empty(); }
int small() { return 3; }

TEST(Fun, CallsWithExactTypesAndWrapsResults) {
  Scope s;
  s.add("twice", Val(Fun(&twice)));
  s.add("up", Val(Fun(&up)));
  s.add("append", Val(Fun(&append)));
  s.add("is_empty", Val(Fun(&is_empty)));
  s.add("small", Val(Fun(&small)));
  EXPECT_EQ(eval(s, "twice(21)").get<Int>(), 42);
  Val c[] = {Val(Cell{1, 2, 3})};
  EXPECT_EQ(eval(s, "up(@0)", c, 1).get<Cell>(), (Cell{1, 3, 3}));
  EXPECT_TRUE(eval(s, "is_empty(\"\")").get<bool>());
  // Any integer result is an Int; no result is null.
  EXPECT_EQ(eval(s, "small()").get<Int>(), 3);
  EXPECT_TRUE(eval(s, "append([], 1)").is<Null>());
  // A list parameter is the script's own list.
  EXPECT_EQ(eval(s, "l = [1]\nappend(l, 2)\nl").get<List>().size(), 2u);
}

TEST(Fun, MismatchesNameTheSignature) {
  Scope s;
  s.add("up", Val(Fun(&up)));
  s.add("append", Val(Fun(&append)));
  s.add("small", Val(Fun(&small)));
  EXPECT_EQ(error_of([&] { eval(s, "up()"); }), "function expects (Vec)");
  EXPECT_EQ(error_of([&] { eval(s, "up(1)"); }), "function expects (Vec)");
  EXPECT_EQ(error_of([&] { eval(s, "append({}, 1)"); }), "function expects (List, Val)");
  EXPECT_EQ(error_of([&] { eval(s, "append([])"); }), "function expects (List, Val)");
  EXPECT_EQ(error_of([&] { eval(s, "small(1)"); }), "function expects ()");
  // No conversions: true is no Int.
  s.add("twice", Val(Fun(&twice)));
  EXPECT_EQ(error_of([&] { eval(s, "twice(true)"); }), "function expects (Int)");
}

TEST(Fun, CarriesHostStateAndPassesErrorsOn) {
  Scope s;
  std::ostringstream out;
  int calls = 0;
  s.add("say", Val(Fun([&](String const& text) {
          ++calls;
          out << text;
        })));
  s.add("fail", Val(Fun([](long code) -> long {
          throw std::runtime_error(std::string("host failed ").append(std::to_string(code)));
        })));
  eval(s, "say(\"a\")\nsay(\"b\")");
  EXPECT_EQ(out.str(), "ab");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(error_of([&] { eval(s, "fail(7)"); }), "host failed 7");
}

TEST(Fun, HostValuesPrintAsFunctions) {
  Scope s;
  s.add("twice", Val(Fun(&twice)));
  std::ostringstream o;
  o << eval(s, "twice") << eval(s, "[twice]");
  EXPECT_EQ(o.str(), "<func>[<func>]");
  EXPECT_TRUE(eval(s, "twice == twice").get<bool>());
  EXPECT_FALSE(eval(s, "twice == 1").get<bool>());
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
  eval(s, "give(@0, \"x\")", args, 2);
  EXPECT_EQ(who, "vec");
  eval(s, "give(@1, \"x\")", args, 2);
  EXPECT_EQ(who, "mob");
  eval(s, "pick(\"s\")");
  EXPECT_EQ(who, "name");
  eval(s, "pick(1)");
  EXPECT_EQ(who, "any");
  EXPECT_EQ(error_of([&] { eval(s, "give(@1, 1)", args, 2); }),
            "function expects one of:\n  (Mob, String)\n  (Vec, String)");
  EXPECT_EQ(error_of([&] { eval(s, "pick()"); }),
            "function expects one of:\n  (String)\n  (Val)");
  std::ostringstream o;
  o << s.vals()[0];
  EXPECT_EQ(o.str(), "<func>");
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
  EXPECT_EQ(error_of([&] { eval(s, "mob_state()"); }),
            "function expects one of:\n  (Mob, Int)\n  (Mob)");
  EXPECT_EQ(error_of([&] { eval(s, "mob_state(@0, 1, 2)", args, 1); }),
            "function expects one of:\n  (Mob, Int)\n  (Mob)");
}

} // namespace
} // namespace kestrine
