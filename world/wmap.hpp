#pragma once
// Cell pages and the world's table of them: cells, light, container data,
// painted faces, pipeline stage and the mobs inside, with the page files.
#include "content/cell_db.hpp"
#include "world/item.hpp"
#include "world/mob_ref.hpp"
#include "world/page.hpp"
#include "world/page_table.hpp"

#include <glm/vec3.hpp>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

struct Mob;

// The extra data of one cell: a container's slots.
struct Cell_data {
  Inventory inventory;
};

// A page in its file form: cell types by palette position.
struct Wmap_page_encoded;

struct Wmap_page {
  // damaged_cells, damaged_mobs: the page's cell or mob file is unreadable
  // and could not be moved aside, so it stays under its name and is never
  // written over (a save that has something to write there fails).
  enum Flag : std::uint8_t { dirty = 1, populated = 2, empty = 4, damaged_cells = 8, damaged_mobs = 16 };

  Page<Cell_id> cells;
  Page<Light> light;
  std::unordered_map<std::int16_t, Cell_data> data;  // by in-page cell index
  std::unordered_map<std::int16_t, Cell_id> paints;  // face * 4096 + cell index
  std::atomic<std::uint8_t> flags{0};
  std::atomic<std::int8_t> stage{0};
  Short_vector<Mob*> mobs;                            // not owned
  // The mobs its mob file holds, as last read or written; a mob that is gone
  // reads as null. A mob that left the page stays in its file until another
  // file has taken it, so no write takes a mob off the disk first.
  Short_vector<Mob_ref> in_file;

  // All air, full light, stage 0, no flags.
  Wmap_page();

  bool has(Flag f) const { return (flags.load(std::memory_order_relaxed) & f) != 0; }
  void set(Flag f) { flags.fetch_or(f, std::memory_order_relaxed); }
  void clear(Flag f) { flags.fetch_and(static_cast<std::uint8_t>(~f), std::memory_order_relaxed); }
  // Changed cells worth a file: a page still waiting for its cells has none.
  bool cells_to_save() const { return has(dirty) && stage.load() >= 1; }

  // Shared full arrays, built on first use and kept to the end.
  static Page<Cell_id> const& full_air_();
  static Page<Cell_id> const& full_water_();
  static Page<Cell_id> const& full_bedrock_();
  static Page<Light> const& full_dark_();
  static Page<Light> const& full_light_();

  // The file form (world/page_file.hpp).
  void encode(Wmap_page_encoded& out) const;
  // False (nothing applied) when the encoded page points outside its palette
  // or names a type the cell table has no id left for.
  bool decode(Wmap_page_encoded const& in);

  // File operations: false when the file is missing, can't be opened or is
  // unreadable; then nothing of it reaches the page and an unreadable file
  // is kept as "<name>.bad" (or, with no name left, marks the page damaged).
  // A read or a write clears `dirty`.
  bool load_cells(std::filesystem::path const& dir, glm::ivec3 page);
  bool save_cells(std::filesystem::path const& dir, glm::ivec3 page);
  // Creates the file's mobs and lists them here (replacing the list); the
  // caller hands them to the scene's mob list, which then owns them.
  bool load_mobs(std::filesystem::path const& dir, glm::ivec3 page);
  // Writes the listed mobs of persistent types, except `skip` and erased
  // ones, and those that left the page but no other file has taken yet; with
  // none left the page's mob file is removed (a file already absent is no
  // failure). More than max_page_mobs is refused. A listed mob still filed
  // in one of the pages `stay` (pages whose own mobs pass the cap, so their
  // old file can't let go of it) is left there, not taken.
  bool save_mobs(std::filesystem::path const& dir, glm::ivec3 page, Mob const* skip = nullptr,
                 std::span<glm::ivec3 const> stay = {});
  // Its listed mobs that a write keeps: more than max_page_mobs can't be
  // written, whatever left it.
  std::size_t own_mobs(Mob const* skip) const;
  // The mobs its file holds that left the page and that no other file has
  // taken yet: a write keeps them, and the page's file must not be read
  // again while they live elsewhere.
  std::vector<Mob*> departed(glm::ivec3 page) const;
  // Lists a mob to write that its file does not hold yet (one filed in a
  // page of `stay` stays there).
  bool gains_mobs(glm::ivec3 page, Mob const* skip, std::span<glm::ivec3 const> stay = {}) const;
  // Its file holds a mob that a write now would drop: one another file has
  // taken since, or one erased or gone.
  bool file_is_stale(glm::ivec3 page) const;
};

std::filesystem::path cell_path(std::filesystem::path const& dir, glm::ivec3 page);
std::filesystem::path mob_path(std::filesystem::path const& dir, glm::ivec3 page);

// The page of a cell (floor division by 16 on each axis).
inline glm::ivec3 page_of(glm::ivec3 cell) { return cell >> 4; }

struct Wmap : Page_table<Wmap_page, 3> {
  using Page_table::Page_table;

  // The cell's type, or 0 when its page is not loaded.
  Cell_id get_cell(glm::ivec3 cell) const;
  // The cell's light byte, or 15 (sunlight) when its page is not loaded.
  Light get_light(glm::ivec3 cell) const;
  Cell_data* get_data(glm::ivec3 cell);

  bool cell_has_mob(glm::ivec3 cell) const;
  std::vector<Mob*> mobs_in_cell(glm::ivec3 cell) const;

  // The page of the key must be in the table (false otherwise).
  bool load_cells(glm::ivec3 page, std::filesystem::path const& dir);
  bool load_mobs(glm::ivec3 page, std::filesystem::path const& dir);
  // Only a page that is dirty, or whose mobs were read (populated), is written.
  bool save_cells(glm::ivec3 page, std::filesystem::path const& dir);
  bool save_mobs(glm::ivec3 page, std::filesystem::path const& dir);
  // Every such page (cells in slot order, mobs in the order of
  // world/mob_saves.hpp); failures are logged and keep the bit. Both return
  // how many pages could not be written.
  std::int64_t save_cells(std::filesystem::path const& dir);
  std::int64_t save_mobs(std::filesystem::path const& dir);

  // The scene's player mob, never written to a page's mob file.
  Mob const* player = nullptr;
};
