// Mobs: update scripts on their wait counters and the regrouping into pages.
#include "world/mob.hpp"

#include "world/script_values.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "support/hand_world.hpp"

namespace {

using namespace hand_world;
using kestrine::Fun;
using kestrine::Int;
using kestrine::Val;

// What the scripts below did, frame by frame.
int frame = 0;
std::vector<int> runs;
Scene* spawn_into = nullptr;

kestrine::Scope& mob_scope() {
  static kestrine::Scope scope = [] {
    kestrine::Scope s;
    s.add("tick", Val(Fun([](Mob_ref const&) { runs.push_back(frame); })));
    s.add("mob_wait", Val(Fun([](Mob_ref const& m, Int n) { live_mob(m).wait = n; })));
    s.add("spawn", Val(Fun([](Mob_ref const& m) {
            spawn_into->mobs.construct(mob_db()["hand.walker"].id, live_mob(m).body.position);
          })));
    return s;
  }();
  return scope;
}

// A floating mob type running the script each time it is scheduled.
Mob_id scripted(std::string const& name, char const* script) {
  Mob_type& t = mob_db()[name];
  t.size = {0.3f, 0.3f};
  t.update = script ? std::make_unique<kestrine::Standalone>(mob_scope(), script) : nullptr;
  return t.id;
}

struct Mob_world : World {
  Mob_world() {
    load({0, 0, 0});
    spawn_into = &scene;
    frame = 0;
    runs.clear();
  }
  Mob* add(Mob_id type, glm::vec3 at, std::uint32_t flags = Body::no_gravity) {
    Mob* m = scene.mobs.construct(type, at);
    m->body.flags |= flags;
    return m;
  }
  void frames(int n) {
    for (int i = 0; i < n; ++i, ++frame) scene.mobs.update(scene);
  }
  std::vector<Mob*> listed(glm::ivec3 page) { return {wmap.find(page)->mobs.begin(), wmap.find(page)->mobs.end()}; }
};

TEST(Mobs, UpdateScriptsRunWhenTheirWaitRunsOut) {
  struct Case {
    char const* type;
    char const* script;
    std::vector<int> frames;
  } const cases[] = {
      {"hand.idle", nullptr, {}},
      {"hand.once", "tick(@0)", {0}},
      {"hand.every3", "tick(@0)\nmob_wait(@0, 3)", {0, 3, 6, 9}},
      {"hand.every1", "tick(@0)\nmob_wait(@0, 0)", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"hand.never", "tick(@0)\nmob_wait(@0, -1)", {0}},
  };
  for (auto const& k : cases) {
    Mob_world w;
    Mob* m = w.add(scripted(k.type, k.script), {8.5f, 8.5f, 8.5f});
    EXPECT_EQ(m->wait, k.script ? 0 : -1) << k.type;
    w.frames(10);
    EXPECT_EQ(runs, k.frames) << k.type;
  }
}

TEST(Mobs, ASpawnedMobIsListedAtOnceAndMovesFromTheNextFrame) {
  Mob_world w;
  scripted("hand.walker", nullptr);
  w.add(scripted("hand.spawner", "spawn(@0)"), {8.5f, 8.5f, 8.5f});
  w.frames(1);
  ASSERT_EQ(w.scene.mobs.size(), 2u);
  Mob* child = w.scene.mobs[1];
  EXPECT_EQ(w.listed({0, 0, 0}), (std::vector<Mob*>{w.scene.mobs[0], child}));
  EXPECT_EQ(child->body.velocity.y, 0.0f);
  w.frames(1);
  EXPECT_EQ(child->body.velocity.y, -0.05f);
}

TEST(Mobs, RegroupingDropsErasedAndStrayMobsButNeverThePlayer) {
  std::vector<Mob const*> destroyed; // outlives the scene, whose end destroys the rest
  Mob_world w;
  Mob_id const kind = scripted("hand.plain", nullptr);
  w.scene.mobs.on_destroy = [&](Mob const* m) { destroyed.push_back(m); };
  Mob* erased = w.add(kind, {4.5f, 8.5f, 8.5f}, Body::no_gravity | Body::erased);
  Mob* stray = w.add(kind, {15.9f, 8.5f, 8.5f});
  stray->body.wanted = {0.5f, 0.0f};
  stray->body.accel = 1.0f;
  Mob* stays = w.add(kind, {8.5f, 8.5f, 8.5f});
  stays->body.angles = {7.0f, -7.0f};
  Mob* player = w.add(kind, {40.5f, 8.5f, 8.5f}, 0);
  player->body.angles = {INFINITY, NAN};
  w.scene.player = player;
  w.scene.mobs.keep = player;
  // A page's saved mobs, listed by the page and handed over, then erased;
  // the second one lies outside the page that listed it.
  std::vector<Mob*> loaded;
  for (glm::ivec3 page : {glm::ivec3(0, 1, 0), glm::ivec3(0, 0, 1)}) {
    auto saved = std::make_unique<Mob>(mob_db()[kind], glm::vec3(8.5f, 20.5f, 8.5f));
    saved->body.flags = Body::no_gravity | Body::erased;
    loaded.push_back(saved.get());
    w.load(page).mobs.push_back(saved.get());
    w.scene.mobs.adopt(std::move(saved));
  }
  Mob_ref stray_ref = stray->ref();

  w.frames(1);
  EXPECT_EQ(destroyed, (std::vector<Mob const*>{erased, stray, loaded[0], loaded[1]}));
  EXPECT_TRUE(w.listed({0, 1, 0}).empty());
  EXPECT_TRUE(w.listed({0, 0, 1}).empty());
  EXPECT_FALSE(stray_ref);
  ASSERT_EQ(w.scene.mobs.size(), 2u);
  EXPECT_EQ(w.scene.mobs[0], stays);
  EXPECT_EQ(w.scene.mobs[1], player);
  EXPECT_EQ(w.listed({0, 0, 0}), std::vector<Mob*>{stays});
  EXPECT_EQ(stays->body.angles, glm::vec2(7.0f - 6.2831855f, -(7.0f - 6.2831855f)));
  // Outside the loaded pages the player waits, unlisted and unmoved.
  EXPECT_EQ(player->body.velocity.y, 0.0f);
  EXPECT_EQ(player->body.angles, glm::vec2(0.0f));
  player->body.flags |= Body::erased;
  w.frames(1);
  EXPECT_EQ(w.scene.mobs.size(), 2u);

  player->body.position = {8.5f, 8.5f, 8.5f};
  stays->body.position.y = 20.5f;
  w.frames(1);
  EXPECT_EQ(w.listed({0, 0, 0}), std::vector<Mob*>{player});
  EXPECT_EQ(w.listed({0, 1, 0}), std::vector<Mob*>{stays});
  EXPECT_EQ(player->body.velocity.y, -0.05f);
}

TEST(Mobs, AMobOfAnUnknownTypeStopsScheduling) {
  Mob m;
  m.type = 65535;
  m.wait = 0;
  m.update();
  EXPECT_EQ(m.wait, -1);
  EXPECT_THROW(Mobs().construct(65535, {}), std::out_of_range);
}

} // namespace
