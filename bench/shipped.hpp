#pragma once
// The game data of this checkout, for benchmarks run from any folder.
#include "world/fmap.hpp"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

inline std::filesystem::path shipped_data() { return std::filesystem::path(TERRAFOLD_SOURCE_DIR) / "data"; }

// The shipped terrain map, read into memory; no world directory is involved.
inline Fmap shipped_map() {
  std::uint64_t n = 0;
  Fmap_grids grids;
  std::filesystem::path const map = shipped_data() / "map.mpk.gz";
  if (std::string e = read_map_file(map, n, grids); !e.empty()) throw std::runtime_error(map.string() + ": " + e);
  return Fmap(n, std::move(grids));
}
