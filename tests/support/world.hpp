#pragma once
// Shared by the world tests: a throw-away world directory, cell and mob types
// set up without packs, and mobs placed by their box.
#include "content/cell_db.hpp"
#include "content/mob_db.hpp"
#include "world/mob.hpp"

#include <glm/vec3.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <stdlib.h>

namespace world_test {

namespace fs = std::filesystem;

// A fresh directory for one test, removed with its contents.
struct Temp_world {
  fs::path dir;
  Temp_world() {
    char name[] = "/tmp/terrafold-world-XXXXXX";
    dir = mkdtemp(name);
  }
  ~Temp_world() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  Temp_world(Temp_world const&) = delete;
  Temp_world& operator=(Temp_world const&) = delete;

  static std::string read(fs::path const& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void write(fs::path const& p, std::string const& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
  }
};

// A cell type by name (added when new) with the given container slots.
inline Cell_id cell_type(std::string const& name, int capacity = 0) {
  Cell_type& t = cell_db()[name];
  t.capacity = static_cast<std::uint8_t>(capacity);
  return t.id;
}

// A mob type by name (added when new) with its saved-or-not flag and slots.
inline Mob_type& mob_type(std::string const& name, bool persistent, int items = 0, glm::vec2 size = {0.4f, 0.9f}) {
  Mob_type& t = mob_db()[name];
  t.persistent = persistent;
  t.items = static_cast<std::uint8_t>(items);
  t.size = size;
  return t;
}

// A mob whose box is exactly [lo, hi) (position the centre).
inline std::unique_ptr<Mob> mob_in_box(glm::vec3 lo, glm::vec3 hi) {
  auto m = std::make_unique<Mob>();
  m->body.position = (lo + hi) * 0.5f;
  m->body.box_min = lo;
  m->body.box_max = hi;
  return m;
}

} // namespace world_test

#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"

#include <sstream>

namespace world_test {

// The uncompressed bytes of a gzip file.
inline std::string unzip(fs::path const& p) {
  Zip_streambuf in(p, std::ios_base::in);
  std::string out;
  char buf[4096];
  for (std::streamsize n; in.file && (n = in.sgetn(buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

// Writes the bytes gzip-compressed, making the file's directories.
inline void zip(fs::path const& p, std::string const& bytes) {
  fs::create_directories(p.parent_path());
  Zip_streambuf out(p, std::ios_base::out);
  out.sputn(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// What f writes through an emitter.
template <class F> std::string emitted(F f) {
  std::stringbuf sb;
  mpk::Emitter e(sb);
  f(e);
  return sb.str();
}

} // namespace world_test
