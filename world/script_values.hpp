#pragma once
// The values through which scripts see the world:
//   Vec             `glm::ivec3`, a cell position ("Vec" in signatures);
//   component value `int`, one coordinate read from a Vec or computed from
//                   such values (not an Int: it converts to no Int parameter);
//   component cursor `int*`, the hidden state of a `for` loop over a Vec;
//   Face            `Face`;
//   Mob             `Mob_ref` ("Mob" in signatures), a checked handle: a value
//                   kept after its mob is gone refuses to be used.
//
// Include this header wherever one of these values is made or taken apart:
// the operations below must be visible before the first value of a type is
// made.
#include "world/face.hpp"
#include "world/mob.hpp"

#include <kestrine/kestrine.hpp>

#include <glm/vec3.hpp>

#include <cstdint>
#include <iosfwd>

namespace kestrine {

template <> struct Type_name<glm::ivec3> {
  static constexpr char const* value = "Vec";
};
template <> struct Type_name<Mob_ref> {
  static constexpr char const* value = "Mob";
};

// Vec: always true; equal when all three coordinates are; ordered by object
// address (no order of its own). Arithmetic takes only another Vec, wraps in
// 32 bits and divides per coordinate.
template <> struct Ops<glm::ivec3> {
  static bool bol_(glm::ivec3 const&) noexcept { return true; }
  static Val neg_(glm::ivec3 const& a);
  static Val not_(glm::ivec3 const& a);
  static Val add_(glm::ivec3 const& a, Val const& r);
  static Val sub_(glm::ivec3 const& a, Val const& r);
  static Val mul_(glm::ivec3 const& a, Val const& r);
  static Val div_(glm::ivec3 const& a, Val const& r);
  static Val mod_(glm::ivec3 const& a, Val const& r);
  static Val shl_(glm::ivec3 const& a, Val const& r);
  static Val shr_(glm::ivec3 const& a, Val const& r);
  static Val and_(glm::ivec3 const& a, Val const& r);
  static Val xor_(glm::ivec3 const& a, Val const& r);
  static Val or_(glm::ivec3 const& a, Val const& r);
  static std::size_t size_(glm::ivec3 const&) { return 3; }
  // Keys 0..2 and -3..-1 (counting from the end); a read copies the
  // coordinate, a write takes only a component value.
  static Val at_(glm::ivec3& a, Val const& key);
  static void at_(glm::ivec3& a, Val const& key, Val const& value);
  static bool next_(glm::ivec3& a, Val& iter, Val& elem);
};

// Component value: the same operators as a Vec's, on one 32-bit integer;
// true when not 0, ordered as signed integers.
template <> struct Ops<int> {
  static Val neg_(int a);
  static Val not_(int a);
  static Val add_(int a, Val const& r);
  static Val sub_(int a, Val const& r);
  static Val mul_(int a, Val const& r);
  static Val div_(int a, Val const& r);
  static Val mod_(int a, Val const& r);
  static Val shl_(int a, Val const& r);
  static Val shr_(int a, Val const& r);
  static Val and_(int a, Val const& r);
  static Val xor_(int a, Val const& r);
  static Val or_(int a, Val const& r);
};

// Face l is the false face.
template <> struct Ops<Face> {
  static bool bol_(Face f) noexcept { return f != Face::l; }
};

// Mob: true while the mob lives; equal and ordered by the mob it names (every
// value of a gone mob names none).
template <> struct Ops<Mob_ref> {
  static bool bol_(Mob_ref const& m) noexcept { return static_cast<bool>(m); }
  static bool eq_(Mob_ref const& a, Mob_ref const& b) { return a.get() == b.get(); }
  static bool lt_(Mob_ref const& a, Mob_ref const& b) { return std::less<Mob*>{}(a.get(), b.get()); }
};

// "[x,y,z]" by itself, "[...]" inside a list or map.
template <> struct Print<glm::ivec3> {
  void operator()(std::ostream& o, glm::ivec3 const& v, bool top) const;
};
template <> struct Print<int*> {
  void operator()(std::ostream& o, int* const&, bool top) const;
};
template <> struct Print<Mob_ref> {
  void operator()(std::ostream& o, Mob_ref const&, bool top) const;
};

} // namespace kestrine

// The mob of a Mob value; "mob no longer exists" when it is gone.
Mob& live_mob(Mob_ref const& ref);

// A Mob value naming the mob.
kestrine::Val mob_value(Mob const& mob);

// One integer member of a mob as a script function: f(mob) reads it, f(mob, n)
// sets it. "mob_state" and "mob_frame" are two of these.
struct Mob_field {
  std::int64_t Mob::*member;

  explicit Mob_field(std::int64_t Mob::*m) : member(m) {}

  kestrine::Val call_(kestrine::Val const* env, kestrine::Val* argv, int argc) const;
};
