#pragma once
// The mob files of one save (an autosave, the end of the game, pages that
// leave the view), written in an order that never takes a mob off the disk
// before another file has it. A page's write keeps the mobs that left it
// until another file has taken them (Wmap_page::save_mobs), so the pages
// that gained mobs are written first and the others can then let go of
// them; a page whose file still holds a mob that a later write took (a chain
// or a swap of mobs) is written again. A save that goes through leaves each
// mob in exactly one file; one that fails part-way leaves some mob in two at
// worst, never in none.
//
// Main thread only.
#include "world/wmap.hpp"

#include <glm/vec3.hpp>

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

struct Mob;

struct Mob_page_save {
  glm::ivec3 at;
  Wmap_page* page;
  bool saved = false; // its file was written (the last time it was)
};

// The loaded pages whose mobs were read, in slot order: the pages a save of
// the whole table writes.
std::vector<Mob_page_save> populated_pages(Wmap& wmap);

// Writes the mob files of these pages (all of them populated): those that
// gained mobs first, then the others, then again those whose file still
// holds a copy that a later write took. Returns how many could not be
// written; `saved` tells which.
std::int64_t save_mob_pages(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip);

// Writes again those of the pages saved before whose file holds a mob that
// another file has taken since (a later save's page). Returns how many of
// them could not be written.
std::int64_t rewrite_stale(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip);
