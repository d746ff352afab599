#include "world/mob.hpp"

Mob::Mob() : self_(std::make_shared<Mob*>(this)) {}

Mob::Mob(Mob_type const& t, glm::vec3 const& position)
    : type(t.id), inventory(t.items), wait(t.update ? 0 : -1), self_(std::make_shared<Mob*>(this)) {
  body.position = position;
  body.size = t.size;
  body.flags = t.solid ? Body::solid : 0;
  body.update_box();
}

Mob::~Mob() { *self_ = nullptr; }

Mobs::~Mobs() { clear(); }

Mob* Mobs::construct(Mob_id id, glm::vec3 const& position) {
  list_.push_back(std::make_unique<Mob>(mob_db()[id], position));
  return list_.back().get();
}

void Mobs::adopt(std::unique_ptr<Mob> mob) { list_.push_back(std::move(mob)); }

void Mobs::clear() {
  for (auto& m : list_)
    if (on_destroy) on_destroy(m.get());
  list_.clear();
}
