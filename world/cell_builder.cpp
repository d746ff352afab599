#include "world/cell_builder.hpp"

#include "content/cell_db.hpp"
#include "world/fmap.hpp"
#include "world/scene.hpp"
#include "world/wmap.hpp"

#include <SDL.h>

#include <algorithm>
#include <atomic>

namespace {

// One fill: the page, where it sits and the levels of its columns.
struct Cube_page_builder {
  Scene& scene;
  glm::ivec3 position;
  Wmap_page& page;
  glm::ivec3 base;
  Fmap_page const& flat;

  void operator()() {
    Profiler::Guard timing(scene.regen);
    if (position.y < 0) only_water();
    else if (base.y > flat.max) only_air();
    else if (base.y + 16 >= flat.min) mixed();
    else only_bedrock();
  }

  // Whole pages share the full arrays and need no light pass.
  void share(Page<Cell_id> const& cells, Page<Light> const& light, bool empty) {
    page.cells = cells;
    page.light = light;
    if (empty) page.set(Wmap_page::empty);
    else page.clear(Wmap_page::empty);
    page.stage.store(5, std::memory_order_release);
  }

  void only_air() { share(Wmap_page::full_air_(), Wmap_page::full_light_(), true); }
  void only_bedrock() { share(Wmap_page::full_bedrock_(), Wmap_page::full_dark_(), false); }
  void only_water() { share(Wmap_page::full_water_(), Wmap_page::full_dark_(), false); }

  void mixed() {
    auto& db = cell_db();
    Cell_id const stone = db["basic.stone"].id;
    Cell_id const dirt = db["basic.dirt"].id;
    Cell_id const grass = db["basic.grass"].id;
    Cell_id const leaves = db["basic.leaves"].id;
    Cell_id const sand = db["basic.sand"].id;
    Cell_id const none = db["basic.none"].id;

    // A fresh array of our own: others may be reading the one the page has.
    Page<Cell_id> cells(none);
    Cell_id* out = cells.write();
    for (int x = 0; x < 16; ++x)
      for (int z = 0; z < 16; ++z) {
        Fmap_cell const& c = flat.columns[static_cast<std::size_t>(16 * x + z)];
        auto local = [this](int level) { return std::clamp(level - base.y, 0, 16); };
        int const r0 = local(c.l0), r1 = local(c.l1), r2 = local(c.l2), r3 = local(c.l3);
        Cell_id const surface = c.l2 > 2 ? grass : sand;
        Cell_id* column = out + (x << 8) + z;
        auto put = [column](int from, int to, Cell_id id) {
          for (int y = from; y < to; ++y) column[y << 4] = id;
        };
        put(0, r0, stone);
        put(r0, r1, dirt);
        put(r1, r2, surface);
        put(r2, r3, leaves);
        put(r3, 16, none);
      }
    page.cells = std::move(cells);
    page.stage.store(1, std::memory_order_release);
  }
};

} // namespace

void build_cell_page(Scene& scene, glm::ivec3 p, Wmap_page& page) {
  Fmap_page const* flat = scene.fmap.pages.find({p.x, p.z});
  if (!flat) {
    // The flat window covers the view box, so this is a caller's mistake:
    // leave the page where it is rather than guess its terrain.
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
      SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "page %d %d %d: its flat page is not loaded\n", p.x, p.y, p.z);
    return;
  }
  Cube_page_builder{scene, p, page, p * 16, *flat}();
}
