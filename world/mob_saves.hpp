#pragma once
// The mob files of one save (an autosave, the end of the game, a page that
// leaves the view, the held pages), written in an order that never takes a
// mob off the disk before another file has it. A page's write keeps the mobs
// that left it until another file has taken them (Wmap_page::save_mobs), so
// the pages that gained mobs are written first and the others can then let
// go of them.
//
// One write can make another needed or possible: a page whose file still
// holds a mob that a later write took (a chain or a swap of mobs) must be
// written again, and a page refused because its own mobs and the copies it
// keeps pass max_page_mobs fits once the pages that took those are written.
// Both show as a stale file (Wmap_page::file_is_stale), so the pages with
// one are written again, in rounds, while a round writes one (at most one
// round more than there are pages). A page refused whose file did not go
// stale since has nothing new to write and is not tried again, so a full
// disk ends the rounds at once.
//
// A page whose own mobs pass the cap can't be written at all: its old file
// stays, so the mobs filed there that walked into other pages stay in it
// too, and no other page takes them (they would be in two files).
//
// A save that goes through leaves each mob in exactly one file. One that
// can't write a page counts it as not saved; a page whose own mobs pass the
// cap leaves each mob in one file still, while a full disk or two pages at
// the cap that each wait for the other leave some mob in two files at worst,
// never in none.
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
// gained mobs first, then the others, then the rounds above. `before`: the
// pages of the same save written earlier (populated, `saved` set), which
// take part in the rounds: those these writes left stale are written again.
// Returns how many of `pages` are not written at the end; `saved` tells
// which, in both spans.
std::int64_t save_mob_pages(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip,
                            std::span<Mob_page_save> before = {});
