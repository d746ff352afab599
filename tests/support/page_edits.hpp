#pragma once
// One edit of each kind a cell page keeps, made through the builder on one
// page of the small world of pipeline.hpp: a stone high in the air with a
// painted top (which raises its column in the flat page too), a chest with
// items in it, and a hopper standing in the page. They are looked for on the
// loaded page or in the world folder's files.
#include "content/item_db.hpp"
#include "support/pipeline.hpp"
#include "world/fmap.hpp"

#include <algorithm>
#include <memory>

namespace page_edits {

namespace fs = std::filesystem;

struct Edits {
  glm::ivec3 page;
  glm::ivec3 stone, chest;
  glm::vec3 hopper_at;
  Mob_ref hopper;

  explicit Edits(glm::ivec3 p)
      : page(p), stone(p * 16 + glm::ivec3(8, 14, 8)), chest(p * 16 + glm::ivec3(8, 13, 10)),
        hopper_at(glm::vec3(p * 16) + glm::vec3(4.5f, 14.5f, 4.5f)) {}

  static Item stones() { return Item{item_db()["basic.stone"].id, 5}; }
  static Cell_id planks() { return pipeline::cell_id("basic.planks"); }
  int key() const { return 3 * page_cells + cell_index(stone.x, stone.y, stone.z); } // the stone's top
  glm::ivec2 flat() const { return {page.x, page.z}; }
  int column() const { return 16 * (stone.x & 15) + (stone.z & 15); }

  // Makes them on a built page, and lists the hopper there as the mob
  // update does.
  void make(pipeline::World& w) {
    ASSERT_TRUE(w.page(page) && w.stage(page) == 7);
    w.builder->change_cell(stone, pipeline::cell_id("basic.stone"));
    w.builder->change_face(stone, 3, planks());
    w.builder->change_cell(chest, pipeline::cell_id("basic.chest"));
    ASSERT_TRUE(w.scene->wmap.get_data(chest));
    w.scene->wmap.get_data(chest)->inventory[0] = stones();
    hopper = w.scene->mobs.construct(mob_db()["basic.hopper"].id, hopper_at)->ref();
    w.scene->mobs.resort_mobs(*w.scene);
    w.settle();
  }

  // The cells, paint and chest of a page.
  void expect_cells(Wmap_page const& p) const {
    EXPECT_EQ(p.cells[cell_index(stone.x, stone.y, stone.z)], pipeline::cell_id("basic.stone"));
    auto paint = p.paints.find(static_cast<std::int16_t>(key()));
    EXPECT_TRUE(paint != p.paints.end() && paint->second == planks());
    auto data = p.data.find(static_cast<std::int16_t>(cell_index(chest.x, chest.y, chest.z)));
    ASSERT_TRUE(data != p.data.end());
    EXPECT_EQ(data->second.inventory[0], stones());
  }

  // Every edit on the loaded world: the page with its hopper listed, and the
  // raised column.
  void expect_loaded(pipeline::World& w) const {
    Wmap_page const* p = w.page(page);
    ASSERT_TRUE(p);
    expect_cells(*p);
    ASSERT_TRUE(hopper);
    EXPECT_EQ(std::count(p->mobs.begin(), p->mobs.end(), hopper.get()), 1);
    Fmap_cell const* c = w.scene->fmap.column(stone.x, stone.z);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->l4, stone.y + 1);
  }

  // Every edit read back from the files alone.
  void expect_in_files(fs::path const& dir) const {
    Wmap_page cells;
    ASSERT_TRUE(cells.load_cells(dir, page));
    expect_cells(cells);
    Wmap_page mobs;
    ASSERT_TRUE(mobs.load_mobs(dir, page));
    std::vector<std::unique_ptr<Mob>> read;
    for (Mob* m : mobs.mobs) read.emplace_back(m);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0]->type, mob_db()["basic.hopper"].id);
    EXPECT_EQ(read[0]->body.position, hopper_at);
    Fmap_page f;
    ASSERT_TRUE(f.load(dir, flat()));
    EXPECT_EQ(f.columns[std::size_t(column())].l4, stone.y + 1);
  }
};

} // namespace page_edits
