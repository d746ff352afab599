#pragma once
// The cell and mob page files: "cells/x.y.z.mpk.gz" holds an edited page as
// [palette, cells, light, cell data, face paints], "mobs/x.y.z.mpk.gz" the
// page's persistent mobs as an array of mob records (nil entries stand for
// no mob). Cell types are written as the names in the palette, so a world
// outlives changes to the packs' numbering.
#include "world/page.hpp"
#include "world/wmap.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// A reader refuses more than a page can use: every cell and painted face a
// different type.
inline constexpr std::size_t max_palette = page_cells + 6 * page_cells;
inline constexpr std::size_t max_file_mobs = 4096;
inline constexpr int paint_keys = 6 * page_cells;

// The page as written: types by palette position in order of first use
// (cells in index order, then the paints). The cell data is written and read
// straight from and into a map of the page's own kind.
struct Wmap_page_encoded {
  std::vector<std::string> palette;
  std::array<std::int16_t, page_cells> cells{};
  std::array<Light, page_cells> light{};
  std::unordered_map<std::int16_t, std::int16_t> paints; // face * 4096 + cell index -> palette position
};
