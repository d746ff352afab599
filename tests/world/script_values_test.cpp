// Positions, faces and mobs as scripts see them.
#include "world/script_values.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/kestrine_util.hpp"
#include "support/script_session.hpp"

namespace {

using kestrine::Fun;
using kestrine::Int;
using kestrine::Val;

// Just the bindings these values need.
kestrine::Scope& value_scope() {
  static kestrine::Scope scope = [] {
    kestrine::Scope s;
    s.add("vec", Val(Fun([](Int x, Int y, Int z) { return glm::ivec3(x, y, z); })));
    s.add("face", Val(Fun([](Int f) { return static_cast<Face>(f); })));
    s.add("size", Val(Fun([](Val const& v) { return static_cast<Int>(v.size()); })));
    s.add("mob_state", Val(Mob_field(&Mob::state)));
    return s;
  }();
  return scope;
}

struct Session_case {
  char const* name;
  std::vector<Script_step> steps;
};

void run(Session_case const& c, std::vector<Val> args = {}) {
  Script_session session{value_scope(), std::move(args)};
  for (Script_step const& s : c.steps) EXPECT_EQ(session(s.text), s.expect) << c.name << ": " << s.text;
}

TEST(ScriptValues, Vec) {
  Session_case const cases[] = {
      {"prints", {{"vec(1, -2, 30)", "[1,-2,30]"}, {"[vec(1, 2, 3)]", "[[...]]"}}},
      {"subscripts",
       {{"v = vec(4, 5, 6)", "[4,5,6]"},
        {"v[-1]", "6"},
        {"v[2]", "6"},
        {"v[-3]", "4"},
        {"v[3]", "error: index out of range"},
        {"v[-4]", "error: index out of range"},
        {"v[\"x\"]", "error: bad cast"},
        {"v[3] = v[0]", "error: index out of range"},
        {"size(v)", "3"}}},
      {"iterates three times",
       {{"n = 0\nt = vec(0, 0, 0)[0]\nfor c in vec(4, 5, 6):\n    n = n + 1\n    t = t + c", "null"},
        {"[n, t]", "[3,15]"},
        // An assignment during the walk is seen by the coordinates still ahead.
        {"v = vec(1, 2, 3)\nfor c in v:\n    v[2] = c", "null"},
        {"v", "[1,2,2]"}}},
      {"equality by components, order by object",
       {{"vec(1, 2, 3) == vec(1, 2, 3)", "true"},
        {"vec(1, 2, 3) != vec(1, 2, 3)", "false"},
        {"vec(1, 2, 3) == 1", "false"},
        {"size({vec(1, 2, 3): 1, vec(1, 2, 3): 2})", "2"}}},
      {"arithmetic",
       {{"vec(1, 2, 3) + 1", "error: bad cast"},
        {"vec(1, 2, 3) + vec(10, 20, 30)", "[11,22,33]"},
        {"vec(1, 2, 3) - vec(3, 2, 1)", "[-2,0,2]"},
        {"-vec(1, -2, -2147483648)", "[-1,2,-2147483648]"},
        {"~vec(0, -1, 5)", "[-1,0,-6]"},
        {"vec(65536, 2147483647, 3) * vec(65536, 2, 4)", "[0,-2,12]"},
        {"vec(2147483647, 0, 0) + vec(1, 0, 0)", "[-2147483648,0,0]"},
        {"vec(7, -7, 7) / vec(2, 2, -2)", "[3,-3,-3]"},
        {"vec(7, -7, 7) % vec(2, 2, -2)", "[1,-1,1]"},
        {"vec(-2147483648, 6, 5) / vec(-1, -1, -1)", "[-2147483648,-6,-5]"},
        {"vec(-2147483648, 6, 5) % vec(-1, -1, -1)", "[0,0,0]"},
        {"vec(1, 2, 3) / vec(1, 0, 1)", "error: division by zero"},
        {"vec(1, 2, 3) % vec(1, 1, 0)", "error: division by zero"},
        {"vec(1, -8, 1) << vec(33, 0, 31)", "[2,-8,-2147483648]"},
        {"vec(-8, 8, -1) >> vec(1, 33, 31)", "[-4,4,-1]"},
        {"[vec(12, 12, 12) & vec(10, 10, 10), vec(12, 0, 0) | vec(10, 0, 0), vec(12, 0, 0) ^ vec(10, 0, 0)]",
         "[[...],[...],[...]]"},
        {"vec(12, 12, 12) & vec(10, 3, 0)", "[8,0,0]"},
        {"vec(12, 1, 0) | vec(10, 2, 0)", "[14,3,0]"},
        {"vec(12, 1, 0) ^ vec(10, 1, 0)", "[6,0,0]"}}},
      {"element assignment",
       {{"v = vec(1, 2, 3)\nw = v", "[1,2,3]"},
        {"v[0] = 5", "error: bad cast"},
        {"v", "[1,2,3]"},
        {"v[0] = v[1]\nw", "[2,2,3]"}}},
      {"what a Vec does not do",
       {{"v = vec(0, 0, 0)\nv ? 1 : 2", "1"}, {"v(1)", "error: object does not implement call()"}}},
  };
  for (auto const& c : cases) run(c);
}

TEST(ScriptValues, ComponentsAndFaces) {
  Session_case const cases[] = {
      {"components",
       {{"c = vec(0, 7, -3)", "[0,7,-3]"},
        {"c[1] + 1", "error: bad cast"},
        {"c[1] + c[2]", "4"},
        {"c[0] == 0", "false"},
        {"c[0] == vec(5, 0, 5)[1]", "true"},
        {"c[2] < c[0]", "true"},
        {"c[0] ? 1 : 2", "2"},
        {"-c[2]", "3"},
        {"~c[0]", "-1"},
        {"c[1] / c[0]", "error: division by zero"},
        {"c[1] % c[0]", "error: division by zero"},
        {"vec(-2147483648, -1, 0)[0] / vec(-2147483648, -1, 0)[1]", "-2147483648"},
        {"c[1] << c[1]", "896"},
        {"face(c[1])", "error: function expects (Int)"},
        {"size(c[1])", "error: object does not implement size()"}}},
      {"faces",
       {{"face(0) ? 1 : 2", "2"},
        {"[face(1) ? 1 : 2, face(5) ? 1 : 2]", "[1,1]"},
        {"face(3)", "<?>"},
        {"face(3) == face(3)", "true"},
        {"face(3) == 3", "false"},
        {"face(2) < face(3)", "true"},
        {"-face(2)", "error: object does not implement neg()"}}},
  };
  for (auto const& c : cases) run(c);
}

TEST(ScriptValues, Mobs) {
  auto mob = std::make_unique<Mob>();
  mob->state = 4;
  Session_case const live = {"a live mob",
                             {{"@0", "<iter>"},
                              {"[@0]", "[<iter>]"},
                              {"@0 == @1", "true"},
                              {"@0 == null", "false"},
                              {"@0 ? 1 : 2", "1"},
                              {"mob_state(@0)", "4"},
                              {"mob_state(@0, 7)", "null"},
                              {"mob_state(@0)", "7"},
                              {"mob_state(@0, \"x\")", "error: bad cast"},
                              {"mob_state(1)", "error: bad cast"},
                              {"mob_state()", "error: function expects one of:\n  (Mob, Int)\n  (Mob)"},
                              {"size(@0)", "error: object does not implement size()"}}};
  run(live, {mob_value(*mob), mob_value(*mob)});
  EXPECT_EQ(mob->state, 7);

  // A value kept after its mob is gone names no mob and touches nothing.
  std::vector<Val> args{mob_value(*mob)};
  mob.reset();
  Session_case const gone = {"a gone mob",
                             {{"mob_state(@0)", "error: mob no longer exists"},
                              {"mob_state(@0, 1)", "error: mob no longer exists"},
                              {"@0 ? 1 : 2", "2"},
                              {"@0", "<iter>"}}};
  run(gone, args);
}

// States a script can't make: only a cursor into the same Vec goes on.
TEST(ScriptValues, BrokenIterationStates) {
  Val v(glm::ivec3(1, 2, 3)), other(glm::ivec3(4, 5, 6));
  Val state, elem;
  ASSERT_TRUE(v.next(state, elem));
  Val foreign = state;
  ASSERT_TRUE(other.next(state = Val(), elem));
  Val out;
  for (Val bad : {Val(Int{1}), Val("x"), foreign}) {
    Val s = bad;
    EXPECT_EQ(kestrine_util::error_of([&] { other.next(s, out); }), "bad cast");
  }
  // The walk ends after z and leaves state and element alone.
  Val s, e;
  int n = 0;
  while (v.next(s, e)) ++n;
  EXPECT_EQ(n, 3);
  EXPECT_EQ(e.get<int>(), 3);
  EXPECT_EQ(s.get<int*>(), &v.get<glm::ivec3>().z);
}

} // namespace
