#include "world/script_values.hpp"

#include <cstdint>
#include <functional>
#include <ostream>
#include <stdexcept>

namespace kestrine {
namespace {

using glm::ivec3;
using U = std::uint32_t;

// Coordinates wrap in 32 bits like the machine's own integers wrap in 64.
int wrap(U v) { return static_cast<int>(v); }

int add(int a, int b) { return wrap(U(a) + U(b)); }
int sub(int a, int b) { return wrap(U(a) - U(b)); }
int mul(int a, int b) { return wrap(U(a) * U(b)); }
int neg(int a) { return wrap(0u - U(a)); }
int div(int a, int b) { return b == -1 ? neg(a) : a / b; } // the most negative wraps to itself
int mod(int a, int b) { return b == -1 ? 0 : a % b; }
int shl(int a, int b) { return wrap(U(a) << (U(b) & 31u)); }
int shr(int a, int b) { return a >> (U(b) & 31u); }

void check_divisor(int b) {
  if (b == 0) detail::division_by_zero();
}

template <class F> Val each(ivec3 const& a, Val const& r, F f) {
  ivec3 const& b = r.get<ivec3>();
  return Val(ivec3(f(a.x, b.x), f(a.y, b.y), f(a.z, b.z)));
}

template <class F> Val one(int a, Val const& r, F f) { return Val(f(a, r.get<int>())); }

// The coordinate a subscript names.
int& component(ivec3& v, Val const& key) {
  Int k = key.get<Int>();
  if (k < -3 || k > 2) detail::index_out_of_range();
  return v[static_cast<int>(k < 0 ? k + 3 : k)];
}

} // namespace

Val Ops<ivec3>::neg_(ivec3 const& a) { return Val(ivec3(neg(a.x), neg(a.y), neg(a.z))); }
Val Ops<ivec3>::not_(ivec3 const& a) { return Val(~a); }
Val Ops<ivec3>::add_(ivec3 const& a, Val const& r) { return each(a, r, add); }
Val Ops<ivec3>::sub_(ivec3 const& a, Val const& r) { return each(a, r, sub); }
Val Ops<ivec3>::mul_(ivec3 const& a, Val const& r) { return each(a, r, mul); }
// The right operand of a Vec division, refused when any component is zero.
static Val const& vec_divisor(Val const& r) {
  ivec3 const& b = r.get<ivec3>();
  check_divisor(b.x);
  check_divisor(b.y);
  check_divisor(b.z);
  return r;
}
Val Ops<ivec3>::div_(ivec3 const& a, Val const& r) { return each(a, vec_divisor(r), div); }
Val Ops<ivec3>::mod_(ivec3 const& a, Val const& r) { return each(a, vec_divisor(r), mod); }
Val Ops<ivec3>::shl_(ivec3 const& a, Val const& r) { return each(a, r, shl); }
Val Ops<ivec3>::shr_(ivec3 const& a, Val const& r) { return each(a, r, shr); }
Val Ops<ivec3>::and_(ivec3 const& a, Val const& r) { return each(a, r, [](int x, int y) { return x & y; }); }
Val Ops<ivec3>::xor_(ivec3 const& a, Val const& r) { return each(a, r, [](int x, int y) { return x ^ y; }); }
Val Ops<ivec3>::or_(ivec3 const& a, Val const& r) { return each(a, r, [](int x, int y) { return x | y; }); }

Val Ops<ivec3>::at_(ivec3& a, Val const& key) { return Val(int{component(a, key)}); }

void Ops<ivec3>::at_(ivec3& a, Val const& key, Val const& value) {
  int& c = component(a, key);
  c = value.get<int>();
}

bool Ops<ivec3>::next_(ivec3& a, Val& iter, Val& elem) {
  int* const first = &a.x;
  int i = 0;
  if (iter) {
    // Only a cursor into this very Vec continues the walk.
    int* at = iter.get<int*>();
    std::less<int*> before;
    if (before(at, first) || !before(at, first + 3)) detail::bad_cast();
    i = static_cast<int>(at - first) + 1;
  }
  if (i >= 3) return false;
  iter = Val(first + i);
  elem = Val(int{first[i]});
  return true;
}

Val Ops<int>::neg_(int a) { return Val(neg(a)); }
Val Ops<int>::not_(int a) { return Val(~a); }
Val Ops<int>::add_(int a, Val const& r) { return one(a, r, add); }
Val Ops<int>::sub_(int a, Val const& r) { return one(a, r, sub); }
Val Ops<int>::mul_(int a, Val const& r) { return one(a, r, mul); }
Val Ops<int>::div_(int a, Val const& r) {
  check_divisor(r.get<int>());
  return one(a, r, div);
}
Val Ops<int>::mod_(int a, Val const& r) {
  check_divisor(r.get<int>());
  return one(a, r, mod);
}
Val Ops<int>::shl_(int a, Val const& r) { return one(a, r, shl); }
Val Ops<int>::shr_(int a, Val const& r) { return one(a, r, shr); }
Val Ops<int>::and_(int a, Val const& r) { return Val(int{a & r.get<int>()}); }
Val Ops<int>::xor_(int a, Val const& r) { return Val(int{a ^ r.get<int>()}); }
Val Ops<int>::or_(int a, Val const& r) { return Val(int{a | r.get<int>()}); }

void Print<ivec3>::operator()(std::ostream& o, ivec3 const& v, bool top) const {
  if (top)
    o << '[' << v.x << ',' << v.y << ',' << v.z << ']';
  else
    o << "[...]";
}

void Print<int*>::operator()(std::ostream& o, int* const&, bool) const { o << "<iter>"; }

void Print<Mob_ref>::operator()(std::ostream& o, Mob_ref const&, bool) const { o << "<iter>"; }

} // namespace kestrine

Mob& live_mob(Mob_ref const& ref) {
  Mob* m = ref.get();
  if (!m) throw std::runtime_error("mob no longer exists");
  return *m;
}

kestrine::Val mob_value(Mob const& mob) { return kestrine::Val(mob.ref()); }

kestrine::Val Mob_field::call_(kestrine::Val const*, kestrine::Val* argv, int argc) const {
  using kestrine::Int;
  if (argc == 1) return kestrine::Val(static_cast<Int>(live_mob(argv[0].get<Mob_ref>()).*member));
  if (argc == 2) {
    Int value = argv[1].get<Int>();
    live_mob(argv[0].get<Mob_ref>()).*member = value;
    return kestrine::Val();
  }
  kestrine::detail::expects(std::string("one of:\n  ") +
                            kestrine::detail::signature<std::tuple<Mob_ref, Int>>() + "\n  " +
                            kestrine::detail::signature<std::tuple<Mob_ref>>());
}
