// The shipped packs' scripts, compiled against the game's own functions and
// run on a small world as the player's actions and the mob step run them.
#include "content/item_db.hpp"
#include "support/fun_world.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using kestrine::Val;

namespace {

namespace fs = std::filesystem;

// The world of the whole test program: the type tables are process-wide and
// their scripts keep the scope they were compiled against.
struct Pack_world : fun_world::World {
  Cell_id none = 0, stone = 0;

  Pack_world() {
    fs::path const packs = fs::path(TERRAFOLD_SOURCE_DIR) / "data" / "packs";
    cell_db().load(script.scope, packs);
    item_db().load(script.scope, packs);
    mob_db().load(script.scope, packs);
    none = cell_db()["basic.none"].id;
    stone = cell_db()["basic.stone"].id;
  }

  // A page of air over a floor of stone two cells deep, the player high up.
  void reset() {
    load({0, 0, 0}, none);
    fill({0, 0, 0}, {15, 1, 15}, stone);
    scene.player->body.position = {8.5f, 12.5f, 8.5f};
    effects->events.clear();
    mode = mode_roaming;
  }

  static Pack_world& get() {
    static Pack_world* world = new Pack_world;
    world->reset();
    return *world;
  }

  // An item's use on the face of the hit cell.
  Val use(std::string const& item, glm::ivec3 hit, Face face) {
    Val args[] = {Val(hit), Val(hit + face_normal(face)), Val(face)};
    return (*item_db()[item].use)(args, 3);
  }
  Val interact(glm::ivec3 hit) {
    Val args[] = {Val(hit), Val(hit + glm::ivec3(0, 1, 0))};
    return (*cell_db()[wmap.get_cell(hit)].interact)(args, 2);
  }
  std::string at(glm::ivec3 p) { return cell_db()[wmap.get_cell(p)].name; }
};

bool shipped_item_with_use(Item_type const& t) { return t.name.rfind("basic.", 0) == 0 && t.use; }

} // namespace

TEST(Pack_scripts, EveryBuildingItemPlacesItsCellInFrontOfTheUsedFace) {
  Pack_world& w = Pack_world::get();
  glm::ivec3 const hit{4, 2, 4}; // a block on the floor
  int placed = 0;
  for (std::size_t i = 1; i < item_db().size(); ++i) {
    Item_type const& item = item_db()[i];
    if (!shipped_item_with_use(item) || item.name.find("wallpaper") != std::string::npos ||
        item.name == "basic.hopper_egg")
      continue;
    for (Face face : {Face::u, Face::l, Face::b}) {
      w.reset();
      w.set(hit, w.stone);
      glm::ivec3 const front = hit + face_normal(face);
      EXPECT_TRUE(w.use(item.name, hit, face)) << item.name;
      EXPECT_EQ(w.at(front), item.name);
      EXPECT_EQ(w.effects->events, (std::vector<std::string>{"cell " + fun_world::text(front) + " " + item.name,
                                                             "place sound of " + item.name}));
      EXPECT_FALSE(w.use(item.name, hit, face)) << item.name << ": the cell in front is taken now";
      EXPECT_EQ(w.effects->events.size(), 2u);
    }
    ++placed;
  }
  EXPECT_GE(placed, 12);
}

TEST(Pack_scripts, WallpaperCoversTheUsedFaceOfOpaqueCellsOnly) {
  Pack_world& w = Pack_world::get();
  for (char const* paper : {"basic.wallpaper_brick", "basic.wallpaper_stripes"}) {
    w.reset();
    EXPECT_TRUE(w.use(paper, {4, 1, 4}, Face::u));
    EXPECT_EQ(w.run("face(@0, 3)", {Val(glm::ivec3(4, 1, 4))}), paper);
    EXPECT_EQ(w.at({4, 2, 4}), "basic.none");
    w.set({6, 2, 6}, cell_db()["basic.glass"].id);
    EXPECT_FALSE(w.use(paper, {6, 2, 6}, Face::b));
    EXPECT_EQ(w.effects->events.size(), 2u);
  }
}

TEST(Pack_scripts, DoorsOpenAndCloseChestsAndWorkbenchesOpenTheInventoryScreen) {
  Pack_world& w = Pack_world::get();
  glm::ivec3 const door{4, 2, 4};
  w.set(door, cell_db()["basic.door"].id);
  EXPECT_TRUE(w.interact(door));
  EXPECT_EQ(w.at(door), "basic.door_open");
  EXPECT_TRUE(w.interact(door));
  EXPECT_EQ(w.at(door), "basic.door");

  w.set(door, cell_db()["basic.chest"].id);
  EXPECT_TRUE(w.interact(door));
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_container));
  w.set(door, cell_db()["basic.workbench"].id);
  EXPECT_TRUE(w.interact(door));
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_target_recipes));
}

TEST(Pack_scripts, AHopperHatchesRestsOnTheFloorAndAnimatesAwakeOrAsleep) {
  Pack_world& w = Pack_world::get();
  std::size_t const before = w.scene.mobs.size();
  EXPECT_TRUE(w.use("basic.hopper_egg", {4, 1, 4}, Face::u));
  ASSERT_EQ(w.scene.mobs.size(), before + 1);
  Mob& hopper = *w.scene.mobs[before];
  EXPECT_EQ(mob_db()[hopper.type].name, "basic.hopper");
  EXPECT_EQ(hopper.body.position, glm::vec3(4.5f, 2.0f, 4.5f));
  w.script.engine.seed(1);

  // Awake, its update runs every sixth frame and steps its animation.
  std::vector<std::int64_t> frames;
  for (int i = 0; i < 13; ++i) {
    w.scene.mobs.update(w.scene);
    frames.push_back(hopper.frame);
  }
  EXPECT_EQ(frames, (std::vector<std::int64_t>{1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3}));
  for (int i = 0; i < 6 * 14; ++i) w.scene.mobs.update(w.scene);
  EXPECT_EQ(hopper.frame, 1) << "sixteen frames, then round again";
  EXPECT_NEAR(hopper.body.position.y - hopper.body.size.y, 2.0f, 0.01f) << "standing on the floor";

  // Interacting sends it to sleep, and back.
  Val self = mob_value(hopper);
  EXPECT_TRUE((*mob_db()[hopper.type].interact)(&self, 1));
  EXPECT_EQ(hopper.state, 1);
  EXPECT_EQ(hopper.frame, 0);
  for (int i = 0; i < 6; ++i) w.scene.mobs.update(w.scene);
  EXPECT_EQ(hopper.frame, 1);
  EXPECT_EQ(hopper.wait, 12) << "breathing slower";
  w.effects->events.clear();
  for (int i = 0; i < 12 * 200; ++i) w.scene.mobs.update(w.scene);
  EXPECT_TRUE(w.effects->events.empty()) << "a sleeping hopper never chirps";
  EXPECT_TRUE((*mob_db()[hopper.type].interact)(&self, 1));
  EXPECT_EQ(hopper.state, 0);
  for (int i = 0; i < 6 * 400; ++i) w.scene.mobs.update(w.scene);
  EXPECT_FALSE(w.effects->events.empty()) << "an awake one now and then";
  for (auto const& e : w.effects->events) EXPECT_EQ(e, "play basic.hopper_chirp on basic.hopper");
}
