#include "world/light_calculator.hpp"

#include "content/cell_db.hpp"
#include "world/scene.hpp"
#include "world/wmap.hpp"

#include <algorithm>

Light_calculator::Light_calculator(Scene& scene_, glm::ivec3 position_, Wmap_page& page_)
    : scene(scene_), position(position_), page(page_) {
  seeds.reserve(256);
}

void Cell_light_memo::look_up(Entry& e, std::uint16_t id) {
  Cell_type const& t = cell_db()[id];
  e = {id, t.opacity == Cell_opacity::opaque, static_cast<std::uint8_t>(std::min<int>(t.light, 15))};
}

Opaque_mask opaque_cells(Wmap_page const& page) {
  Cell_light_memo types;
  Cell_id const* ids = page.cells.data();
  Opaque_mask mask;
  for (int i = 0; i < page_cells; ++i) mask[i] = types(ids[i]).opaque;
  return mask;
}

void Light_calculator::close_shell() {
  for (int a = 1; a <= 16; ++a)
    for (int b = 1; b <= 16; ++b) {
      at(a, b, 0) = at(a, b, 17) = light_wall;
      at(a, 0, b) = at(a, 17, b) = light_wall;
      at(0, a, b) = at(17, a, b) = light_wall;
    }
}

void Light_calculator::seed_page() {
  constexpr int x_step = side * side;
  for (int x = 1; x <= 16; ++x)
    for (int y = 1; y <= 16; ++y)
      for (int z = 1; z <= 16; ++z) {
        int const i = index(x, y, z);
        std::uint8_t const v = grid[i];
        std::uint8_t const low = std::min({grid[i - x_step], grid[i + x_step], grid[i - side], grid[i + side],
                                           grid[i - 1], grid[i + 1]});
        // Dark cells and walls have nothing to give.
        if ((v & 15) != 0 && low < v) seeds.emplace_back(x, y, z);
      }
}

void Light_calculator::generate_border_seeds() {
  auto let_in = [this](int bx, int by, int bz, int ix, int iy, int iz) {
    int const b = at(bx, by, bz) & 15;
    std::uint8_t& in = at(ix, iy, iz);
    if (in < b) {
      in = static_cast<std::uint8_t>(b - 1);
      seeds.emplace_back(ix, iy, iz);
    }
  };
  for (int a = 1; a <= 16; ++a)
    for (int b = 1; b <= 16; ++b) {
      let_in(a, b, 0, a, b, 1);
      let_in(a, b, 17, a, b, 16);
      let_in(a, 0, b, a, 1, b);
      let_in(a, 17, b, a, 16, b);
      let_in(0, a, b, 1, a, b);
      let_in(17, a, b, 16, a, b);
    }
}

void Light_calculator::fill() {
  constexpr int up = side;
  constexpr int sideways[4] = {-side * side, side * side, -1, 1};
  constexpr glm::ivec3 sideways_v[4] = {{-1, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0, 1}};

  while (!seeds.empty()) {
    glm::ivec3 const s = seeds.back();
    seeds.pop_back();
    int const i = index(s.x, s.y, s.z);
    int const level = grid[i];

    // Straight runs down and up the column; walls and the shell end them.
    int lo = s.y, hi = s.y;
    for (int v = level - 1, j = i - up; v > grid[j]; --v, j -= up, --lo) grid[j] = static_cast<std::uint8_t>(v);
    for (int v = level - 1, j = i + up; v > grid[j]; --v, j += up, ++hi) grid[j] = static_cast<std::uint8_t>(v);

    // The run lo..hi now passes its light to the four side columns. One seed
    // per stretch of raised side cells: its own vertical run covers the rest.
    auto sweep = [&](int d, int step, int end) {
      bool stretch = false;
      for (int y = s.y, j = i;; y += step, j += step * up) {
        int const v = grid[j] - 1;
        int const n = j + sideways[d];
        if (v > grid[n]) {
          if (!stretch) {
            grid[n] = static_cast<std::uint8_t>(v);
            seeds.push_back(glm::ivec3(s.x, y, s.z) + sideways_v[d]);
          }
          stretch = true;
        } else {
          stretch = false;
        }
        if (y == end) break;
      }
    };
    for (int d = 0; d < 4; ++d) sweep(d, 1, hi);
    for (int d = 0; d < 4; ++d) sweep(d, -1, lo);
  }
}

void Light_calculator::load_nibble(int shift, Opaque_mask const& opaque) {
  // Our own array: only this page's stage writes it, and not meanwhile.
  Light const* own = page.light.data();
  for (int x = 0; x < 16; ++x)
    for (int y = 0; y < 16; ++y) {
      std::uint8_t* row = &at(x + 1, y + 1, 1);
      int const i = cell_index(x, y, 0);
      for (int z = 0; z < 16; ++z)
        row[z] = opaque[i + z] ? light_wall : static_cast<std::uint8_t>((own[i + z] >> shift) & 15);
    }

  // Neighbours in the order z-1, z+1, y-1, y+1, x-1, x+1; each fills one
  // shell face from its layer that touches this page.
  constexpr int grid_step[3] = {side * side, side, 1};
  constexpr int page_step[3] = {256, 16, 1};
  struct Face {
    int axis, dir;
  };
  constexpr Face faces[6] = {{2, -1}, {2, 1}, {1, -1}, {1, 1}, {0, -1}, {0, 1}};
  for (Face const f : faces) {
    int const u = f.axis == 0 ? 1 : 0, w = f.axis == 2 ? 1 : 2; // the face's own two axes
    int const g0 = (f.dir < 0 ? 0 : 17) * grid_step[f.axis] + grid_step[u] + grid_step[w];
    glm::ivec3 offset(0);
    offset[f.axis] = f.dir;
    Wmap_page const* n = scene.wmap.find(position + offset);
    if (!n) {
      for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) grid[g0 + a * grid_step[u] + b * grid_step[w]] = light_wall;
      continue;
    }
    // A counted reference: the neighbour's worker may publish a new array
    // while we read this one.
    Page<Light> const theirs = n->light.snapshot();
    Light const* src = theirs.data() + (f.dir < 0 ? 15 : 0) * page_step[f.axis];
    for (int a = 0; a < 16; ++a)
      for (int b = 0; b < 16; ++b)
        grid[g0 + a * grid_step[u] + b * grid_step[w]] =
            static_cast<std::uint8_t>((src[a * page_step[u] + b * page_step[w]] >> shift) & 15);
  }
}

void copy_buffer(Wmap_page& page, Light_calculator const& sun, Light_calculator const& spot) {
  Page<Light> fresh(Light{0});
  Light* out = fresh.write();
  for (int x = 0; x < 16; ++x)
    for (int y = 0; y < 16; ++y) {
      int const g = Light_calculator::index(x + 1, y + 1, 1);
      Light* row = out + cell_index(x, y, 0);
      for (int z = 0; z < 16; ++z)
        row[z] = static_cast<Light>(((sun.grid[g + z] & 15) | (spot.grid[g + z] << 4)) & 0xFF);
    }
  page.light = std::move(fresh);
}
