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

// Each count a page file holds has one limit, which the writer keeps to and
// the reader checks, so every file written reads back; so has the size of
// the whole file (max_file_bytes, world/zip_read.hpp).
// Face paints: one per face of each cell (keys face * 4096 + cell index).
inline constexpr int paint_keys = 6 * page_cells;
// Containers: one per cell (keyed by the cell index).
inline constexpr std::size_t max_containers = page_cells;
// Palette: every cell and painted face a different type.
inline constexpr std::size_t max_palette = page_cells + paint_keys;
// Mobs: twice one per cell, far above what play gathers in a page, and a
// quarter of what a page's mob list can hold, so the mobs that walk into a
// page past it are still listed there and its save can say it failed. Each
// mob read costs a few hundred bytes however short its record; `spawn`
// refuses to add one to a page that holds this many.
inline constexpr std::size_t max_page_mobs = 8192;

// The page as written: types by palette position in order of first use
// (cells in index order, then the paints). The cell data is written and read
// straight from and into a map of the page's own kind.
struct Wmap_page_encoded {
  std::vector<std::string> palette;
  std::array<std::int16_t, page_cells> cells{};
  std::array<Light, page_cells> light{};
  std::unordered_map<std::int16_t, std::int16_t> paints; // face * 4096 + cell index -> palette position
};
