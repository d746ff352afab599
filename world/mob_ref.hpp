#pragma once
// A reference to a mob that knows when the mob is gone: script values, the
// cursor and the pages' record of their mob files hold these instead of bare
// pointers.
#include <memory>

struct Mob;

class Mob_ref {
public:
  Mob_ref() = default;
  explicit Mob_ref(std::shared_ptr<Mob* const> p) : p_(std::move(p)) {}
  Mob* get() const { return p_ ? *p_ : nullptr; }
  explicit operator bool() const { return get() != nullptr; }
  bool operator==(Mob_ref const& o) const { return get() == o.get(); }

private:
  std::shared_ptr<Mob* const> p_;
};
