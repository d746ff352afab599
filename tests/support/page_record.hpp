#pragma once
// A record shaped like a saved world page: a palette of cell names, a palette
// index and a light byte per cell, and the contents of some containers.
#include "mpk/mpk.hpp"

#include <array>
#include <cstddef>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace sample {

struct Item {
  std::string name;
  short count = 0;
};
inline void operator%(mpk::Scanner& s, Item& i) { mpk::pack_array(s, i.name, i.count); }
inline void operator%(mpk::Emitter& e, Item const& i) { mpk::pack_array(e, i.name, i.count); }

struct Page {
  std::vector<std::string> palette;
  std::array<short, 4096> cells{};
  std::array<std::byte, 4096> light{};
  std::unordered_map<int, std::vector<Item>> contents; // by cell index
};
inline void operator%(mpk::Scanner& s, Page& p) { mpk::pack_array(s, p.palette, p.cells, p.light, p.contents); }
inline void operator%(mpk::Emitter& e, Page const& p) { mpk::pack_array(e, p.palette, p.cells, p.light, p.contents); }

// Mostly the four commonest cells, a few of the rest, two chests.
inline Page page() {
  Page p;
  p.palette = {"basic.air",    "basic.stone", "basic.dirt",   "basic.grass",    "basic.sand",     "basic.water",
               "basic.leaves", "basic.log",   "basic.gravel", "basic.coal_ore", "basic.iron_ore", "basic.torch"};
  unsigned x = 2463534242u;
  for (std::size_t i = 0; i < p.cells.size(); ++i) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    p.cells[i] = static_cast<short>(x % 100 < 80 ? x % 4 : x % 12);
    p.light[i] = std::byte(i * 7);
  }
  p.contents[17] = {{"basic.pickaxe", 1}, {"basic.torch", 64}, {"", 0}, {"basic.apple", -3}};
  p.contents[4000] = {{"basic.stone", 300}, {"", 0}, {"basic.dirt", 12}};
  return p;
}

inline std::string encoded(Page const& p) {
  std::stringbuf sb;
  mpk::Emitter e(sb);
  e % p;
  return sb.str();
}

} // namespace sample
