#pragma once
// The working grid in which one kind of light (sunlight or spotlight) of one
// page is propagated: the page's 16^3 cells inside a one-cell shell that holds
// the facing layers of the six neighbour pages.
#include "world/page.hpp"

#include <glm/vec3.hpp>

#include <array>
#include <cstdint>
#include <vector>

struct Scene;
struct Wmap_page;

// Grid level that neither receives nor passes light: opaque cells, and the
// shell while light is propagated so that it never leaves the page.
inline constexpr std::uint8_t light_wall = 16;

// What the light needs of a cell type: walls, and emitted light brought into
// 0..15 (16 would be a wall, more would leak out of the grid). A page holds
// few types, often interleaved, so each answer is remembered.
class Cell_light_memo {
public:
  struct Entry {
    std::uint32_t id = ~0u;
    bool opaque = false;
    std::uint8_t emits = 0;
  };
  Entry const& operator()(std::uint16_t id) {
    Entry& e = seen_[id & 63];
    if (e.id != id) look_up(e, id);
    return e;
  }

private:
  static void look_up(Entry& e, std::uint16_t id);
  std::array<Entry, 64> seen_{};
};

// Opacity of the page's 4096 cells by in-page index.
using Opaque_mask = std::array<bool, page_cells>;
Opaque_mask opaque_cells(Wmap_page const& page);

struct Light_calculator {
  static constexpr int side = 18;
  static constexpr int cells = side * side * side;

  Scene& scene;
  glm::ivec3 position; // page coordinates
  Wmap_page& page;
  std::array<std::uint8_t, cells> grid{}; // (x, y, z) at 324x + 18y + z
  std::vector<glm::ivec3> seeds;          // grid cells still to pass their light on

  Light_calculator(Scene& scene, glm::ivec3 position, Wmap_page& page);

  static constexpr int index(int x, int y, int z) { return side * side * x + side * y + z; }
  std::uint8_t& at(int x, int y, int z) { return grid[index(x, y, z)]; }
  std::uint8_t at(int x, int y, int z) const { return grid[index(x, y, z)]; }
  // The grid level of the page's cell at in-page (x, y, z).
  std::uint8_t cell(int x, int y, int z) const { return at(x + 1, y + 1, z + 1); }

  // Sets the six shell faces to walls.
  void close_shell();
  // Pushes every page cell holding a level 1..15 next to a lower cell, x
  // outermost and z innermost.
  void seed_page();
  // Lets the shell faces' light into the page's outer layer (faces only, not
  // across edges or corners) and pushes the cells it raised.
  void generate_border_seeds();
  // Propagates light from every seed, one level less per cell, until no
  // seed is left.
  void fill();

protected:
  // Loads the grid from the page's light nibble at `shift` (walls where
  // `opaque`) and the shell faces from the neighbours' facing layers.
  void load_nibble(int shift, Opaque_mask const& opaque);
};

// Both kinds read the page's cells; a pass that runs both may hand them the
// page's walls once.
struct Spread_sunlight : Light_calculator {
  using Light_calculator::Light_calculator;
  void build_buffer() { build_buffer(opaque_cells(page)); }
  void build_buffer(Opaque_mask const& opaque) { load_nibble(0, opaque); }
};

struct Spread_spotlight : Light_calculator {
  using Light_calculator::Light_calculator;
  void build_buffer() { build_buffer(opaque_cells(page)); }
  void build_buffer(Opaque_mask const& opaque) { load_nibble(4, opaque); }
};

// Gives the page a fresh light array from the two grids (sunlight low nibble,
// spotlight high nibble; walls 0). The page's old array is released, never
// written, since neighbours may be reading it.
void copy_buffer(Wmap_page& page, Light_calculator const& sun, Light_calculator const& spot);
