#include "world/page_file.hpp"

#include "foundation/zip.hpp"
#include "world/mob.hpp"
#include "world/mob_saves.hpp"
#include "world/records.hpp"
#include "world/zip_read.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path page_path(fs::path const& dir, char const* kind, glm::ivec3 p) {
  char name[64];
  std::snprintf(name, sizeof name, "%d.%d.%d.mpk.gz", p.x, p.y, p.z);
  return dir / kind / name;
}

// The palette's cell ids, or the reason the encoded page can't be applied:
// a position outside the palette or a name the cell table can't take.
std::string resolve(Wmap_page_encoded const& in, std::vector<Cell_id>& ids) {
  auto size = static_cast<std::int32_t>(in.palette.size());
  auto inside = [size](std::int16_t at) { return at >= 0 && at < size; };
  for (std::int16_t at : in.cells)
    if (!inside(at)) return "bad palette index";
  for (auto [key, at] : in.paints)
    if (key < 0 || key >= paint_keys) return "bad face key";
    else if (!inside(at)) return "bad palette index";
  ids.clear();
  ids.reserve(in.palette.size());
  for (std::string const& name : in.palette) {
    Cell_type& t = cell_db()[name];
    if (t.name != name) return "too many types";
    ids.push_back(t.id);
  }
  return {};
}

// Fresh arrays, assigned whole: other threads may hold the old ones.
void apply(Wmap_page& page, Wmap_page_encoded const& in, std::vector<Cell_id> const& ids) {
  Page<Cell_id> cells;
  Cell_id* c = cells.write();
  for (int i = 0; i < page_cells; ++i) c[i] = ids[static_cast<std::size_t>(in.cells[i])];
  page.cells = std::move(cells);
  page.light = Page<Light>::copy_of(in.light.data());
  for (auto [key, at] : in.paints) page.paints.try_emplace(key, ids[static_cast<std::size_t>(at)]);
}

// Everything a cell file holds, read before any of it reaches the page.
struct Cell_file {
  Wmap_page_encoded enc;
  std::unordered_map<std::int16_t, Cell_data> data;
  std::vector<Cell_id> ids;

  void read(mpk::Scanner& s) {
    std::int64_t n = mpk::scan_arr_head(s);
    if (n < 0) return;
    if (n < 2) return s.error("missing cells");
    for (std::int64_t i = 0; i < n && s.ok(); ++i) {
      switch (i) {
      case 0: read_palette(s); break;
      case 1: read_cells(s); break;
      case 2: mpk::scan_bin(s, enc.light); break;
      case 3: read_data(s); break;
      case 4: read_paints(s); break;
      default: mpk::scan_skip(s);
      }
    }
    if (!s.ok()) return;
    if (std::string why = resolve(enc, ids); !why.empty()) s.error(std::move(why));
  }

  void read_palette(mpk::Scanner& s) {
    std::int64_t n = mpk::scan_arr_head(s);
    if (n < 0) return;
    if (static_cast<std::uint64_t>(n) > max_palette) return s.error("palette too long");
    enc.palette.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n, 64)));
    for (std::int64_t i = 0; i < n && s.ok(); ++i) mpk::scan_name(s, enc.palette.emplace_back());
  }

  void read_cells(mpk::Scanner& s) {
    if (mpk::scan_arr_head(s) != page_cells) {
      if (s.ok()) s.error("bad array size");
      return;
    }
    for (std::int16_t& at : enc.cells) mpk::scan_int(s, at);
  }

  void read_data(mpk::Scanner& s) {
    std::int64_t n = mpk::scan_map_head(s);
    if (n < 0) return;
    if (static_cast<std::uint64_t>(n) > max_containers) return s.error("too many containers");
    data.max_load_factor(1.0f);
    for (std::int64_t i = 0; i < n && s.ok(); ++i) {
      std::int16_t key = 0;
      mpk::scan_int(s, key);
      if (s.ok() && (key < 0 || key >= page_cells)) return s.error("bad cell index");
      Cell_data d;
      mpk::pack_array(s, d.inventory);
      if (s.ok()) data.try_emplace(key, std::move(d)); // of repeated keys the first wins
    }
  }

  void read_paints(mpk::Scanner& s) {
    std::int64_t n = mpk::scan_map_head(s);
    if (n < 0) return;
    if (n > paint_keys) return s.error("too many paints");
    for (std::int64_t i = 0; i < n && s.ok(); ++i) {
      std::int16_t key = 0, at = 0;
      mpk::scan_int(s, key);
      mpk::scan_int(s, at);
      if (s.ok()) enc.paints.try_emplace(key, at);
    }
  }
};

// Why the reader would refuse the page's containers or paints; empty when it
// would take them. Edits only make keys in range (so at most one container
// per cell and one paint per face): this keeps a slip from reaching a file.
std::string unwritable(Wmap_page const& page) {
  for (auto const& [key, d] : page.data)
    if (key < 0 || key >= page_cells) return "bad cell index";
  for (auto const& [key, id] : page.paints)
    if (key < 0 || key >= paint_keys) return "bad face key";
  return {};
}

// Pages are saved by the hundred at autosave and compress well anyway.
void fast_compression(std::streambuf& out) {
  if (auto* z = dynamic_cast<Zip_streambuf*>(&out); z && z->file) gzsetparams(z->file, 1, Z_DEFAULT_STRATEGY);
}

// Creates the parent directories; false (logged) when that fails.
bool make_parent(fs::path const& path) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (!ec) return true;
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: can't open\n", path.c_str());
  return false;
}

// A mob a page's mob file can hold: of a persistent type, not erased, not
// the one kept out of the files (the player).
bool to_file(Mob const* m, Mob const* skip) {
  return m != skip && !m->body.has(Body::erased) && mob_db()[m->type].persistent;
}

// A listed mob that a write of `page` takes: not one still filed in a page
// that can't be written (taking it would leave it in two files).
bool writes(Mob const* m, glm::ivec3 page, Mob const* skip, std::span<glm::ivec3 const> stay) {
  return to_file(m, skip) &&
         (m->filed_in == page || std::find(stay.begin(), stay.end(), m->filed_in) == stay.end());
}

std::string too_many_mobs() { return "too many mobs (over " + std::to_string(max_page_mobs) + ")"; }

// Removes a page's mob file. One that is not there needs no removing, even
// when the removal fails for another reason first (a read-only mount says
// so, not that the file is missing).
bool remove_mob_file(fs::path const& path) {
  std::error_code ec;
  if (fs::remove(path, ec) || !ec) return true;
  std::error_code absent;
  if (fs::symlink_status(path, absent).type() == fs::file_type::not_found) return true;
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path.c_str(), ec.message().c_str());
  return false;
}

} // namespace

fs::path cell_path(fs::path const& dir, glm::ivec3 page) { return page_path(dir, "cells", page); }
fs::path mob_path(fs::path const& dir, glm::ivec3 page) { return page_path(dir, "mobs", page); }

void Wmap_page::encode(Wmap_page_encoded& out) const {
  std::vector<Cell_id> ids;
  out.palette.clear();
  out.paints.clear();
  // Pages hold long runs of one type: try the last hit before the search.
  std::int16_t last = -1;
  auto position = [&](Cell_id id) -> std::int16_t {
    if (last >= 0 && ids[static_cast<std::size_t>(last)] == id) return last;
    std::size_t i = 0;
    while (i < ids.size() && ids[i] != id) ++i;
    if (i == ids.size()) ids.push_back(id);
    return last = static_cast<std::int16_t>(i);
  };
  Cell_id const* c = cells.data();
  for (int i = 0; i < page_cells; ++i) out.cells[i] = position(c[i]);
  std::copy_n(light.data(), page_cells, out.light.begin());
  for (auto [key, id] : paints) out.paints[key] = position(id);
  out.palette.reserve(ids.size());
  for (Cell_id id : ids) out.palette.push_back(cell_db()[id].name);
}

bool Wmap_page::decode(Wmap_page_encoded const& in) {
  std::vector<Cell_id> ids;
  if (!resolve(in, ids).empty()) return false;
  apply(*this, in, ids);
  return true;
}

bool Wmap_page::load_cells(fs::path const& dir, glm::ivec3 page) {
  auto file = std::make_unique<Cell_file>();
  Zip_read result = read_zip(cell_path(dir, page), [&](mpk::Scanner& s) { file->read(s); });
  if (result == Zip_read::in_place) set(damaged_cells);
  if (result != Zip_read::done) return false;
  apply(*this, file->enc, file->ids);
  data = std::move(file->data);
  clear(dirty);
  return true;
}

bool Wmap_page::save_cells(fs::path const& dir, glm::ivec3 page) {
  fs::path path = cell_path(dir, page);
  if (has(damaged_cells)) return refuse_damaged(path);
  SDL_Log("Saving %s\n", path.c_str());
  if (std::string why = unwritable(*this); !why.empty()) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path.c_str(), why.c_str());
    return false;
  }
  auto enc = std::make_unique<Wmap_page_encoded>();
  encode(*enc);
  if (!make_parent(path)) return false;
  bool saved = write_zip(path, [&](std::streambuf& out) {
    fast_compression(out);
    mpk::Emitter e(out);
    mpk::emit_arr_head(e, 5);
    mpk::emit(e, enc->palette);
    mpk::emit_arr(e, enc->cells);
    mpk::emit_bin(e, enc->light);
    mpk::emit_map_head(e, data.size());
    for (auto const& [key, d] : data) {
      if (!e.ok()) break;
      mpk::emit_int(e, key);
      mpk::pack_array(e, d.inventory);
    }
    mpk::emit_map(e, enc->paints);
    return e.err;
  });
  if (saved) clear(dirty);
  return saved;
}

bool Wmap_page::load_mobs(fs::path const& dir, glm::ivec3 page) {
  std::vector<std::unique_ptr<Mob>> read;
  auto result = read_zip(mob_path(dir, page), [&](mpk::Scanner& s) {
    std::int64_t n = mpk::scan_arr_head(s);
    if (n < 0) return;
    if (static_cast<std::uint64_t>(n) > max_page_mobs) return s.error(too_many_mobs());
    for (std::int64_t i = 0; i < n && s.ok(); ++i) {
      if (s.peek() == 0xC0) {
        s.get8();
        continue;
      }
      auto m = std::make_unique<Mob>();
      s % *m;
      if (!s.ok()) return;
      Mob_type const& type = mob_db()[m->type];
      // As a new mob of its type: solid as the type says, and its update
      // script runs in its first frame.
      m->body.flags = type.solid ? std::uint32_t{Body::solid} : 0u;
      m->wait = 0;
      read.push_back(std::move(m));
    }
  });
  if (result == Zip_read::in_place) set(damaged_mobs);
  in_file.clear(); // a missing or unreadable file holds none of them
  if (result != Zip_read::done) return false; // the mobs read so far go with `read`
  mobs.clear();
  for (auto& m : read) {
    m->filed_in = page;
    in_file.push_back(m->ref());
    mobs.push_back(m.release());
  }
  return true;
}

bool Wmap_page::save_mobs(fs::path const& dir, glm::ivec3 page, Mob const* skip, std::span<glm::ivec3 const> stay) {
  std::vector<Mob*> kept;
  for (Mob* m : mobs)
    if (writes(m, page, skip, stay)) kept.push_back(m);
  std::vector<Mob*> const gone = departed(page);
  kept.insert(kept.end(), gone.begin(), gone.end());
  fs::path path = mob_path(dir, page);
  auto filed = [&] {
    in_file.clear();
    for (Mob* m : kept) {
      m->filed_in = page;
      in_file.push_back(m->ref());
    }
    return true;
  };
  // With no mob to write, a damaged file left in place loses nothing.
  if (kept.empty()) return has(damaged_mobs) || (remove_mob_file(path) && filed());
  if (has(damaged_mobs)) return refuse_damaged(path);
  SDL_Log("Saving %s\n", path.c_str());
  if (kept.size() > max_page_mobs) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path.c_str(), too_many_mobs().c_str());
    return false;
  }
  if (!make_parent(path)) return false;
  bool const saved = write_zip(path, [&](std::streambuf& out) {
    mpk::Emitter e(out);
    mpk::emit_arr_head(e, kept.size());
    for (Mob const* m : kept) {
      if (!e.ok()) break;
      e % *m;
    }
    return e.err;
  });
  return saved && filed();
}

std::vector<Mob*> Wmap_page::departed(glm::ivec3 page) const {
  std::vector<Mob*> out;
  if (in_file.empty()) return out;
  // Only pages whose file holds mobs get this far (most pages have none).
  std::vector<Mob const*> listed(mobs.begin(), mobs.end());
  std::sort(listed.begin(), listed.end());
  for (Mob_ref const& r : in_file) {
    Mob* m = r.get();
    if (m && m->filed_in == page && to_file(m, nullptr) && !std::binary_search(listed.begin(), listed.end(), m))
      out.push_back(m);
  }
  return out;
}

bool Wmap_page::gains_mobs(glm::ivec3 page, Mob const* skip, std::span<glm::ivec3 const> stay) const {
  return std::any_of(mobs.begin(), mobs.end(),
                     [&](Mob const* m) { return m->filed_in != page && writes(m, page, skip, stay); });
}

std::size_t Wmap_page::own_mobs(Mob const* skip) const {
  return static_cast<std::size_t>(std::count_if(mobs.begin(), mobs.end(), [&](Mob const* m) { return to_file(m, skip); }));
}

bool Wmap_page::file_is_stale(glm::ivec3 page) const {
  return std::any_of(in_file.begin(), in_file.end(), [&](Mob_ref const& r) {
    Mob const* m = r.get();
    return !m || m->filed_in != page || m->body.has(Body::erased);
  });
}

bool Wmap::load_cells(glm::ivec3 page, fs::path const& dir) {
  Wmap_page* p = find(page);
  return p && p->load_cells(dir, page);
}

bool Wmap::load_mobs(glm::ivec3 page, fs::path const& dir) {
  Wmap_page* p = find(page);
  return p && p->load_mobs(dir, page);
}

bool Wmap::save_cells(glm::ivec3 page, fs::path const& dir) {
  Wmap_page* p = find(page);
  return p && p->has(Wmap_page::dirty) && p->save_cells(dir, page);
}

bool Wmap::save_mobs(glm::ivec3 page, fs::path const& dir) {
  Wmap_page* p = find(page);
  return p && p->has(Wmap_page::populated) && p->save_mobs(dir, page, player);
}

std::int64_t Wmap::save_cells(fs::path const& dir) {
  std::int64_t failed = 0;
  for_each([&](glm::ivec3 key, Wmap_page& p) {
    if (p.has(Wmap_page::dirty)) failed += !p.save_cells(dir, key);
  });
  return failed;
}

std::int64_t Wmap::save_mobs(fs::path const& dir) {
  std::vector<Mob_page_save> pages = populated_pages(*this);
  return save_mob_pages(pages, dir, player);
}
