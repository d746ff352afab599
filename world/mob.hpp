#pragma once
// Mobs: creatures and the player. The scene's `Mobs` list owns them all; each
// loaded page lists (without owning) the mobs whose position lies in it.
#include "content/mob_db.hpp"
#include "world/body.hpp"
#include "world/item.hpp"
#include "world/mob_ref.hpp"

#include <glm/vec3.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct Scene;
struct Mob;

struct Mob {
  Body body;
  Mob_id type = 0;
  Inventory inventory;
  std::int64_t state = 0;
  std::int64_t frame = 0;
  std::int64_t wait = -1; // <0: update script not scheduled; else frames to go
  // The page whose mob file last took this mob (read from it or written to
  // it); none for a mob never written (a new spawn, the player). That file
  // holds it until another one takes it.
  std::optional<glm::ivec3> filed_in;

  // Every field zero, no inventory slots: for file readers.
  Mob();
  // A new mob of the type at the position.
  Mob(Mob_type const& type, glm::vec3 const& position);
  ~Mob();
  Mob(Mob const&) = delete;
  Mob& operator=(Mob const&) = delete;

  // One frame of the type's update script.
  void update();

  Mob_ref ref() const { return Mob_ref(self_); }

private:
  std::shared_ptr<Mob*> self_;
};

class Mobs {
public:
  // Called for every mob just before it is destroyed (sounds following it
  // are dropped there).
  std::function<void(Mob const*)> on_destroy;

  Mobs() = default;
  ~Mobs();
  Mobs(Mobs const&) = delete;
  Mobs& operator=(Mobs const&) = delete;

  // A mob of the type at the position, appended; in no page list until the
  // next regrouping.
  Mob* construct(Mob_id id, glm::vec3 const& position);
  // Takes ownership of a mob made elsewhere (a page's saved mobs, which that
  // page lists) and gives it its box.
  void adopt(std::unique_ptr<Mob> mob);

  // Scripts and physics for every mob, then the regrouping into pages.
  void update(Scene& scene);
  // One frame of every mob present when the walk starts; mobs appended
  // meanwhile (a script's spawn) wait for the next frame.
  void update_mobs(Scene& scene);
  // Empties the pages' mob lists, destroys the erased mobs and those outside
  // the loaded pages, and lists the others in their pages (keeping their
  // order). The `keep` mob is never destroyed: outside the loaded pages it
  // stays unlisted and unstepped.
  void resort_mobs(Scene& scene);

  // Takes these mobs out of the list without destroying them: they leave the
  // world with a page held apart, unstepped, until `adopt` brings them back
  // or `destroy` ends them. Mobs not in the list are skipped; both the
  // taken and the remaining keep their order.
  std::vector<std::unique_ptr<Mob>> take(std::vector<Mob*> const& mobs);
  // Ends a mob taken out before, as the regrouping ends one.
  void destroy(std::unique_ptr<Mob> mob);

  // Destroys every mob (the scene's end).
  void clear();

  std::size_t size() const { return list_.size(); }
  Mob* operator[](std::size_t i) const { return list_[i].get(); }
  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

  // Protects which mob the regrouping must never drop (the scene's player).
  Mob const* keep = nullptr;

private:
  struct Adopted {
    Mob* mob;
    glm::ivec3 page;
    bool placed; // its position named a page
  };

  // Empties every page list that may hold a mob.
  void unlist_all(Scene& scene);

  std::vector<std::unique_ptr<Mob>> list_;
  // The pages whose lists may hold mobs: those the last regrouping filled
  // and those of adopted mobs. Emptying only these spares a walk over every
  // loaded page each frame; an adopted mob listed anywhere but the page of
  // its position costs one such walk.
  std::vector<glm::ivec3> listed_;
  std::vector<Adopted> adopted_;
};

// Look angles stay within one turn either way.
inline constexpr float full_turn = 6.2831855f;
