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

// Runs the steps in one console session.
void run(std::vector<Script_step> const& steps, std::vector<Val> args = {}) {
  Script_session session{value_scope(), std::move(args)};
  for (Script_step const& s : steps) EXPECT_EQ(session(s.text), s.expect) << s.text;
}

TEST(ScriptValues, Vec) {
  run({
      {"v = vec(4, 5, -6)", "[4,5,-6]"},
      {"[v]", "[[...]]"},
      {"[v[-1], v[2], v[-3], size(v)]", "[-6,-6,4,3]"},
      {"v[3]", "error: index out of range"},
      {"v[-4] = v[0]", "error: index out of range"},
      {"vec(0, 0, 0) ? 1 : 2", "1"},
      // Equal by coordinates, ordered by object: two equal keys stay two.
      {"[vec(1, 2, 3) == vec(1, 2, 3), vec(1, 2, 3) != vec(1, 2, 3), vec(0, 0, 0) == 0]", "[true,false,false]"},
      {"size({vec(1, 2, 3): 1, vec(1, 2, 3): 2})", "2"},
      // Only another Vec is an operand; coordinates wrap in 32 bits.
      {"v + 1", "error: bad cast"},
      {"-vec(1, -2, -2147483648)", "[-1,2,-2147483648]"},
      {"vec(65536, 2147483647, 3) * vec(65536, 2, 4)", "[0,-2,12]"},
      {"vec(7, -7, 7) % vec(2, 2, -2)", "[1,-1,1]"},
      {"vec(-2147483648, 6, 5) / vec(-1, -1, -1)", "[-2147483648,-6,-5]"},
      {"vec(-2147483648, 6, 5) % vec(-1, -1, -1)", "[0,0,0]"},
      {"vec(1, 2, 3) / vec(1, 0, 1)", "error: division by zero"},
      {"vec(1, 2, 3) % vec(1, 1, 0)", "error: division by zero"},
      {"vec(1, -8, 1) << vec(33, 0, 31)", "[2,-8,-2147483648]"},
      {"vec(-8, 8, -1) >> vec(1, 33, 31)", "[-4,4,-1]"},
      {"(vec(12, 1, 0) & vec(10, 3, 0)) | (vec(1, 0, 3) ^ vec(1, 4, 1))", "[8,5,2]"},
      // Three turns; an element assignment is seen by the turns ahead and by
      // every holder of the same Vec, and only a coordinate can be stored.
      {"n = 0\nt = v[0] - v[0]\nfor c in vec(4, 5, 6):\n    n = n + 1\n    t = t + c", "null"},
      {"[n, t]", "[3,15]"},
      {"v = vec(1, 2, 3)\nw = v\nfor c in v:\n    v[2] = c", "null"},
      {"w", "[1,2,2]"},
      {"v[0] = 5", "error: bad cast"},
      {"v[0] = v[1]\nw", "[2,2,2]"},
  });
}

TEST(ScriptValues, ComponentsAndFaces) {
  run({
      {"c = vec(0, 7, -3)", "[0,7,-3]"},
      {"c[1] + 1", "error: bad cast"},
      {"[c[1] + c[2], -c[2], ~c[0], c[1] << c[1]]", "[4,3,-1,896]"},
      {"[c[0] == 0, c[0] == vec(5, 0, 5)[1], c[2] < c[0], c[0] ? 1 : 2]", "[false,true,true,2]"},
      {"c[1] / c[0]", "error: division by zero"},
      {"c[1] % c[0]", "error: division by zero"},
      {"vec(-2147483648, -1, 0)[0] / vec(-2147483648, -1, 0)[1]", "-2147483648"},
      {"face(c[1])", "error: function expects (Int)"},
      {"[face(0) ? 1 : 2, face(1) ? 1 : 2, face(5) ? 1 : 2]", "[2,1,1]"},
      {"[face(3), face(3) == face(3), face(3) == 3, face(2) < face(3)]", "[<?>,true,false,true]"},
  });
}

TEST(ScriptValues, Mobs) {
  auto mob = std::make_unique<Mob>();
  mob->state = 4;
  run({{"[@0, @0 == @1, @0 == null, @0 ? 1 : 2]", "[<iter>,true,false,1]"},
       {"mob_state(@0, mob_state(@0) + 3)", "null"},
       {"mob_state(@0, \"x\")", "error: bad cast"},
       {"mob_state(1)", "error: bad cast"},
       {"mob_state()", "error: function expects one of:\n  (Mob, Int)\n  (Mob)"}},
      {mob_value(*mob), mob_value(*mob)});
  EXPECT_EQ(mob->state, 7);
  // A value kept after its mob is gone names no mob and touches nothing.
  std::vector<Val> kept{mob_value(*mob)};
  mob.reset();
  run({{"mob_state(@0)", "error: mob no longer exists"},
       {"mob_state(@0, 1)", "error: mob no longer exists"},
       {"[@0, @0 ? 1 : 2]", "[<iter>,2]"}},
      kept);
}

// States a script can't make: only a cursor into the same Vec goes on.
TEST(ScriptValues, BrokenIterationStates) {
  Val v(glm::ivec3(1, 2, 3)), other(glm::ivec3(4, 5, 6));
  Val cursor, elem;
  ASSERT_TRUE(v.next(cursor, elem));
  for (Val bad : {Val(Int{1}), Val("x"), cursor})
    EXPECT_EQ(kestrine_util::error_of([&] { other.next(bad, elem); }), "bad cast");
  // The walk ends after z and leaves state and element alone.
  int n = 1;
  while (v.next(cursor, elem)) ++n;
  EXPECT_EQ(n, 3);
  EXPECT_EQ(elem.get<int>(), 3);
  EXPECT_EQ(cursor.get<int*>(), &v.get<glm::ivec3>().z);
}

} // namespace
