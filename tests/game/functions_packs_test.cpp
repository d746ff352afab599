// The shipped packs' scripts, compiled against the game's own functions and
// run on a small world as the player's actions and the mob step run them.
#include "content/item_db.hpp"
#include "support/fun_world.hpp"

#include <gtest/gtest.h>

using kestrine::Val;

namespace {

// The type tables are process-wide and their scripts keep the scope they
// were compiled against, so one world serves the whole program.
struct Pack_world : fun_world::World {
  Cell_id none, stone;

  Pack_world() {
    auto const packs = std::filesystem::path(TERRAFOLD_SOURCE_DIR) / "data" / "packs";
    cell_db().load(script.scope, packs);
    item_db().load(script.scope, packs);
    mob_db().load(script.scope, packs);
    none = cell_db()["basic.none"].id;
    stone = cell_db()["basic.stone"].id;
  }
  // Air over a floor of stone two cells deep, with a block of stone on it.
  static Pack_world& get() {
    static Pack_world* w = new Pack_world;
    w->load({0, 0, 0}, w->none).stage = 7;
    w->fill({0, 0, 0}, {15, 1, 15}, w->stone);
    w->set({4, 2, 4}, w->stone);
    w->happened();
    return *w;
  }
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

glm::ivec3 const block{4, 2, 4};

} // namespace

TEST(Pack_scripts, BuildingItemsPlaceTheirCellInFrontOfTheUsedFaceAndWallpaperPaintsIt) {
  int placed = 0;
  Pack_world::get(); // the packs, loaded
  for (std::size_t i = 1; i < item_db().size(); ++i) {
    Pack_world& w = Pack_world::get();
    std::string const name = item_db()[i].name;
    if (name.rfind("basic.", 0) != 0 || !item_db()[i].use || name == "basic.hopper_egg") continue;
    for (Face face : {Face::u, Face::l, Face::b}) {
      glm::ivec3 const front = block + face_normal(face);
      std::string const f = std::to_string(int(face));
      if (name.find("wallpaper") != std::string::npos) {
        EXPECT_TRUE(w.use(name, block, face));
        EXPECT_EQ(w.run("face(@0, " + f + ")", {Val(block)}), name);
        EXPECT_EQ(w.happened(), "face [4,2,4] " + f + " " + name + "; play basic.place_wallpaper");
        EXPECT_FALSE(w.use(name, front, face)) << "air is not painted";
      } else {
        EXPECT_TRUE(w.use(name, block, face)) << name;
        EXPECT_EQ(w.happened(), "cell " + fun_world::text(front) + " " + name + "; place sound of " + name);
        EXPECT_FALSE(w.use(name, block, face)) << name << ": the cell in front is taken now";
        ++placed;
      }
      EXPECT_EQ(w.happened(), "");
    }
  }
  EXPECT_GE(placed, 3 * 12);
}

TEST(Pack_scripts, DoorsOpenAndCloseChestsAndWorkbenchesOpenTheInventoryScreen) {
  Pack_world& w = Pack_world::get();
  w.set(block, cell_db()["basic.door"].id);
  EXPECT_TRUE(w.interact(block));
  EXPECT_EQ(w.at(block), "basic.door_open");
  EXPECT_TRUE(w.interact(block));
  EXPECT_EQ(w.at(block), "basic.door");
  w.set(block, cell_db()["basic.chest"].id);
  EXPECT_TRUE(w.interact(block));
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_container));
  w.set(block, cell_db()["basic.workbench"].id);
  EXPECT_TRUE(w.interact(block));
  EXPECT_EQ(std::pair(w.mode, w.kind), std::pair(mode_inventory, kind_target_recipes));
}

TEST(Pack_scripts, AHopperHatchesSettlesOnTheFloorAndAnimatesAwakeOrAsleep) {
  Pack_world& w = Pack_world::get();
  std::size_t const n = w.scene.mobs.size();
  EXPECT_TRUE(w.use("basic.hopper_egg", {6, 1, 6}, Face::u));
  ASSERT_EQ(w.scene.mobs.size(), n + 1);
  Mob& hopper = *w.scene.mobs[n];
  EXPECT_EQ(mob_db()[hopper.type].name, "basic.hopper");
  EXPECT_EQ(hopper.body.position, glm::vec3(6.5f, 2, 6.5f));
  w.script.engine.seed(1);
  auto frames = [&](int count) {
    for (int i = 0; i < count; ++i) w.scene.mobs.update(w.scene);
  };
  // Awake, its update runs every sixth frame, stepping through 16 frames.
  std::vector<std::int64_t> seen;
  for (int i = 0; i < 13; ++i) frames(1), seen.push_back(hopper.frame);
  EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3}));
  frames(6 * 14);
  EXPECT_EQ(hopper.frame, 1);
  EXPECT_NEAR(hopper.body.position.y - hopper.body.size.y, 2.0f, 0.01f) << "standing on the floor";
  // Interacting sends it to sleep (slower, silent), and wakes it again.
  Val self = mob_value(hopper);
  auto interact = [&] { return bool((*mob_db()[hopper.type].interact)(&self, 1)); };
  EXPECT_TRUE(interact());
  EXPECT_EQ(std::pair(hopper.state, hopper.frame), std::pair(std::int64_t(1), std::int64_t(0)));
  frames(6);
  EXPECT_EQ(std::pair(hopper.frame, hopper.wait), std::pair(std::int64_t(1), std::int64_t(12)));
  w.happened();
  frames(12 * 200);
  EXPECT_EQ(w.happened(), "");
  EXPECT_TRUE(interact());
  EXPECT_EQ(hopper.state, 0);
  frames(6 * 400);
  std::string const chirps = w.happened();
  EXPECT_NE(chirps, "");
  EXPECT_EQ(chirps.find("play basic.hopper_chirp on basic.hopper"), 0u);
}
