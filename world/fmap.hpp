#pragma once
// The flat terrain map: four float grids, one sample per page column, turned
// on demand into flat pages of column levels.
#include "world/page_table.hpp"

#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The five levels of one column of cells.
struct Fmap_cell {
  std::int16_t l0 = 0; // stone top
  std::int16_t l1 = 0; // dirt top
  std::int16_t l2 = 0; // surface top
  std::int16_t l3 = 0; // leaves top
  std::int16_t l4 = 0; // sunlight level: full sunlight at and above it
};

struct Fmap_page {
  // damaged: the page's file is unreadable and could not be moved aside, so
  // it stays under its name and is never written over.
  enum Flag : std::uint64_t { dirty = 1, damaged = 2 };

  std::uint64_t flags = 0;
  std::array<Fmap_cell, 256> columns{}; // column (x, z) at 16x + z
  std::int16_t max = 0;                 // highest l4
  std::int16_t min = 0;                 // lowest l0

  // Recomputes max and min from the columns.
  void bounds();
  bool load(std::filesystem::path const& world_dir, glm::ivec2 page);
  bool save(std::filesystem::path const& world_dir, glm::ivec2 page);
  // Saves the page when it changed; false only when that save failed.
  bool save_changes(std::filesystem::path const& world_dir, glm::ivec2 page) {
    return !(flags & dirty) || save(world_dir, page);
  }
};

std::filesystem::path flat_path(std::filesystem::path const& world_dir, glm::ivec2 page);

// The largest map side a map file may give.
inline constexpr std::uint64_t max_map_side = 16384;

using Fmap_grids = std::array<std::vector<float>, 4>;

// Reads a map file into n and the grids; empty when it read, else what was
// wrong (nothing is kept then). Every grid must hold exactly n*n finite values.
std::string read_map_file(std::filesystem::path const& file, std::uint64_t& n, Fmap_grids& grids);

struct Fmap {
  std::uint64_t n = 0;
  std::array<std::vector<float>, 4> g;
  glm::ivec2 spawn{0, 0};
  Page_table<Fmap_page, 2> pages; // keyed by page x, z

  // Reads the map data file; ends the program when it can't.
  explicit Fmap(std::filesystem::path const& world_dir);
  // A map from grids in memory (tests and tools); throws std::invalid_argument
  // unless every grid holds exactly n*n finite values.
  Fmap(std::uint64_t n, Fmap_grids grids);

  glm::vec4 corner(glm::ivec2 page) const;
  void generate(glm::ivec2 page, Fmap_page& out) const;

  // The column of a cell's x, z, or null when its flat page is not loaded.
  Fmap_cell* column(int x, int z);
  Fmap_cell const* column(int x, int z) const;
};
