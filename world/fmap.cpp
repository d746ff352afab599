#include "world/fmap.hpp"

#include "foundation/paths.hpp"
#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"
#include "world/zip_read.hpp"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Where the sea bed and the hill tops may go: the levels around h (h - 4 to
// h + 1) must stay inside 16 bits whatever the map says.
constexpr long lowest_ground = -32768 + 4;
constexpr long highest_ground = 32767 - 1;

// One grid of exactly n*n finite floats. Grown with the data actually read,
// so a forged count costs no memory before its bytes arrive.
void scan_grid(mpk::Scanner& s, std::uint64_t cells, std::vector<float>& grid) {
  std::int64_t count = mpk::scan_arr_head(s);
  if (!s.ok()) return;
  if (static_cast<std::uint64_t>(count) != cells) {
    s.error("bad array size");
    return;
  }
  grid.clear();
  constexpr std::uint64_t chunk = 1 << 16;
  grid.reserve(static_cast<std::size_t>(std::min(cells, chunk)));
  for (std::uint64_t i = 0; i < cells && s.ok(); ++i) {
    float v = 0.0f;
    mpk::scan_flt(s, v);
    if (s.ok() && !std::isfinite(v)) s.error("non-finite value");
    grid.push_back(v);
  }
}

std::uint64_t spawn_scan(std::uint64_t n, std::vector<float> const& g0, glm::ivec2& spawn) {
  std::uint64_t h = n / 2;
  spawn = {0, 0};
  for (std::uint64_t i = 0; i < h; ++i)
    if (g0[n * h + i] > 0.0f) {
      spawn = {static_cast<int>(static_cast<std::int64_t>(i) - static_cast<std::int64_t>(h)), 0};
      break;
    }
  return h;
}

bool usable(std::uint64_t n, Fmap_grids const& grids) {
  if (n > max_map_side) return false;
  for (auto const& g : grids) {
    if (g.size() != n * n) return false;
    for (float v : g)
      if (!std::isfinite(v)) return false;
  }
  return true;
}

} // namespace

void Fmap_page::bounds() {
  max = -32768;
  min = 32767;
  for (auto const& c : columns) {
    max = std::max(max, c.l4);
    min = std::min(min, c.l0);
  }
}

fs::path flat_path(fs::path const& world_dir, glm::ivec2 page) {
  char name[64];
  std::snprintf(name, sizeof name, "%d.%d.mpk.gz", page.x, page.y);
  return world_dir / "flat" / name;
}

bool Fmap_page::load(fs::path const& world_dir, glm::ivec2 page) {
  // Read aside and apply only a whole file.
  std::array<Fmap_cell, 256> read = columns;
  auto result = read_zip(flat_path(world_dir, page), [&](mpk::Scanner& s) {
    std::int64_t n = mpk::scan_arr_head(s);
    if (s.ok() && n < 3) s.error("bad array size");
    if (!s.ok()) return;
    mpk::scan_skip(s);
    mpk::scan_skip(s);
    std::int64_t count = mpk::scan_arr_head(s);
    if (s.ok() && count != 256) s.error("bad array size");
    for (auto& c : read) {
      if (!s.ok()) break;
      mpk::pack_array(s, c.l0, c.l1, c.l2, c.l3, c.l4);
    }
    for (std::int64_t left = n - 3; left > 0 && s.ok(); --left) mpk::scan_skip(s);
  });
  if (result == Zip_read::in_place) flags |= damaged;
  if (result != Zip_read::done) return false;
  columns = read;
  flags &= ~std::uint64_t(dirty);
  bounds();
  return true;
}

bool Fmap_page::save(fs::path const& world_dir, glm::ivec2 page) {
  fs::path path = flat_path(world_dir, page);
  if (flags & damaged) return refuse_damaged(path);
  SDL_Log("Saving %s\n", path.c_str());
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path.c_str(), ec.message().c_str());
    return false;
  }
  bool saved = write_zip(path, [this](std::streambuf& out) {
    mpk::Emitter e(out);
    mpk::emit_arr_head(e, 3);
    mpk::emit_nil(e);
    mpk::emit_nil(e);
    mpk::emit_arr_head(e, columns.size());
    for (auto const& c : columns) {
      if (!e.ok()) break;
      mpk::pack_array(e, c.l0, c.l1, c.l2, c.l3, c.l4);
    }
    return e.err;
  });
  if (saved) flags &= ~std::uint64_t(dirty);
  return saved;
}

std::string read_map_file(fs::path const& file, std::uint64_t& n, Fmap_grids& grids) {
  Zip_streambuf in(file, std::ios_base::in);
  if (!in.file) return "can't open";
  mpk::Scanner s(in);
  std::uint64_t side = 0;
  Fmap_grids read;
  std::int64_t count = mpk::scan_arr_head(s);
  if (s.ok() && count > 0) {
    mpk::scan_int(s, side);
    if (s.ok() && side > max_map_side) s.error("map too large");
  }
  for (std::int64_t i = 1; i < count && s.ok(); ++i) {
    if (i <= 4) scan_grid(s, side * side, read[static_cast<std::size_t>(i - 1)]);
    else mpk::scan_skip(s);
  }
  std::string message = s.message();
  if (message.empty()) message = in.check_end();
  // Missing grids are empty, which only a map of side 0 may have.
  if (message.empty() && !usable(side, read)) message = "bad array size";
  if (!message.empty()) return message;
  n = side;
  grids = std::move(read);
  return {};
}

Fmap::Fmap(fs::path const& world_dir) {
  fs::path file = world_dir / "map.mpk.gz";
  std::error_code ec;
  if (!fs::exists(file, ec)) file = paths.data.r(basedir / "map.mpk.gz");
  std::printf("Loading %s\n", file.c_str());
  std::fflush(stdout);
  std::string message = file.empty() ? "can't open" : read_map_file(file, n, g);
  if (!message.empty()) {
    if (message != "can't open") SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s\n", message.c_str());
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "fatal: can't load map\n");
    std::exit(-1);
  }
  spawn_scan(n, g[0], spawn);
}

Fmap::Fmap(std::uint64_t n_, Fmap_grids grids) : n(n_), g(std::move(grids)) {
  if (!usable(n, g)) throw std::invalid_argument("map grids must hold n*n finite values");
  spawn_scan(n, g[0], spawn);
}

glm::vec4 Fmap::corner(glm::ivec2 page) const {
  // Wider than int, so the neighbour of the last page on an axis is no overflow.
  std::int64_t i = std::int64_t(page.x) + std::int64_t(n / 2);
  std::int64_t k = std::int64_t(page.y) + std::int64_t(n / 2);
  if (i < 0 || k < 0 || std::uint64_t(i) >= n || std::uint64_t(k) >= n) return {0.0f, 1.0f, 1.0f, 1.0f};
  std::uint64_t at = n * std::uint64_t(k) + std::uint64_t(i);
  return {g[0][at], g[1][at], g[2][at], g[3][at]};
}

void Fmap::generate(glm::ivec2 page, Fmap_page& out) const {
  // Corners of the next page over: clamped so the last page's neighbour is
  // simply outside the map instead of an overflow.
  glm::ivec2 next(page.x == 0x7fffffff ? page.x : page.x + 1, page.y == 0x7fffffff ? page.y : page.y + 1);
  glm::vec4 c00 = corner(page);
  glm::vec4 c01 = corner({page.x, next.y});
  glm::vec4 c10 = corner({next.x, page.y});
  glm::vec4 c11 = corner(next);
  for (int cx = 0; cx < 16; ++cx) {
    float a = static_cast<float>(cx) * 0.0625f;
    float na = 1.0f - a;
    glm::vec4 vz = c00 * na + c10 * a;
    glm::vec4 vz1 = c01 * na + c11 * a;
    for (int cz = 0; cz < 16; ++cz) {
      float b = static_cast<float>(cz) * 0.0625f;
      glm::vec4 v = vz * (1.0f - b) + vz1 * b;
      // Nearest integer, ties to even.
      long h = std::clamp(std::lrint(v[0]), lowest_ground, highest_ground);
      auto level = [h](long d) { return static_cast<std::int16_t>(h + d); };
      Fmap_cell& c = out.columns[static_cast<std::size_t>(16 * cx + cz)];
      if (static_cast<double>(v[2]) < 0.2) {
        c = {level(0), level(0), level(0), level(0), level(0)};
      } else {
        c.l0 = level(-4);
        c.l2 = level(0);
        c.l4 = level(0);
        if (v[1] > 0.75f || v[3] < 3.0f) {
          c.l1 = level(0);
          c.l3 = level(0);
        } else {
          c.l1 = level(-1);
          c.l3 = v[3] >= 12.0f ? level(1) : level(0);
        }
      }
    }
  }
  out.bounds();
}

Fmap_cell* Fmap::column(int x, int z) {
  Fmap_page* page = pages.find({x >> 4, z >> 4});
  return page ? &page->columns[static_cast<std::size_t>(16 * (x & 15) + (z & 15))] : nullptr;
}

Fmap_cell const* Fmap::column(int x, int z) const {
  Fmap_page const* page = pages.find({x >> 4, z >> 4});
  return page ? &page->columns[static_cast<std::size_t>(16 * (x & 15) + (z & 15))] : nullptr;
}
